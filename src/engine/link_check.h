// The rule that keeps an update inside its game folder: no path the run creates, replaces,
// backs up or removes may pass through a link, junction, mount point or other reparse point
// below the game folder (the game folder itself may be one: games are moved between drives).
#pragma once

#include "platform/file_system.h"

#include <set>
#include <string>

namespace qly {

class LinkCheck {
public:
    // root is the game folder, a prefix ending with "\".
    LinkCheck(FileSystem& fs, std::string root) : fs_(fs), root_(std::move(root)) {}

    // Throws Error with FailureKind::Link, naming the first component of relative (itself
    // included) that is a reparse point; stops at the first component that does not exist.
    // Folders found plain are remembered and not asked again.
    void check(const std::string& relative);

private:
    FileSystem& fs_;
    std::string root_;
    std::set<std::string> plainFolders_; // lower case, checked and found no link
};

} // namespace qly
