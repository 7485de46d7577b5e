// qlypatch-tool apply BUNDLE GAME_FOLDER: installs a patch into a plain folder on the build
// machine, through the installer's own transaction, so that a patch maker tries a patch before
// shipping it.
#pragma once

#include "platform/file_system.h"
#include "platform/message_loop.h"
#include "platform/sha256.h"

#include <functional>
#include <ostream>
#include <span>
#include <string>

namespace qly::tools {

struct ApplyServices {
    FileSystem& files;
    HashService& hashes;
    MessageLoop& loop;
    std::ostream& out;
    // Shows the percent of bytes made so far; null when the output is no terminal.
    std::function<void(int16_t percent)> progress;
};

// BUNDLE is a bundle folder (update.qlypatch, an update\ tree, or both) or an archive file.
// Returns the installer's exit code for the outcome: 0 installed or already up to date, 6 a
// game file that is not the one the patch starts from, 4 no room, 5 failed, 7 an earlier run
// that cannot be undone; nothing is changed except when it returns 0 after installing.
int RunApply(std::span<const std::string> args, const ApplyServices& services);

} // namespace qly::tools
