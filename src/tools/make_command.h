// qlypatch-tool make OLD NEW -o BUNDLE [--keep-whole GLOB]... [--fallback-whole]: the patch
// archive from two versions of a game folder, written into a bundle folder.
#pragma once

#include "patch/maker/patch_maker.h"

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace qly::tools {

struct MakeServices {
    patch::MakeIo& io;
    std::ostream& out;
    // Rewrites the terminal's progress line; null when the output is no terminal.
    std::function<void(std::string_view line)> progressLine;
};

// Writes BUNDLE/update.qlypatch (making BUNDLE when missing) and prints the summary. Refuses a
// bundle that holds an update\ tree (UsageError), which would make two patches in one. Returns 0.
int RunMake(std::span<const std::string> args, const MakeServices& services);

// The summary's line: files added / changed / removed / unchanged, the bytes of both folders,
// the patch's size and the time taken.
std::string MakeSummaryText(const patch::MakeSummary& summary, double seconds);

} // namespace qly::tools
