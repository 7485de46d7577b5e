// The subcommands of qlypatch-tool, one source file each. Each takes the arguments after its
// name, writes its report to out, and returns the exit code (0 done, 1 failed or errors
// found); a command line it cannot use throws UsageError, any other failure qly::Error.
#pragma once

#include "platform/sha256.h"

#include <ostream>
#include <span>
#include <string>

namespace qly::tools {

// check BUNDLE [--json] [--game-folder PATH] [--no-warn KIND]...
int RunCheck(std::span<const std::string> args, HashService& hashes, std::ostream& out);
// The warning kinds --no-warn takes, one line each, for the check's help.
std::string WarningKindsHelp();
// preview BUNDLE [--lang XXX] [--state S] [--percent N] -o window.png
int RunPreview(std::span<const std::string> args, std::ostream& out);
// manifest BUNDLE
int RunManifest(std::span<const std::string> args, HashService& hashes, std::ostream& out);
// lang SOURCE.txt -o FILE.lng
int RunLang(std::span<const std::string> args, std::ostream& out);

} // namespace qly::tools
