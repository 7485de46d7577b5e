// Paths inside a Wine prefix: a Windows path ("C:\Games\Quillory") turned into the Linux path
// Wine would open for it, through the prefix's dosdevices links, with each existing component
// found without regard to letter case as Wine finds it.
#pragma once

#include "game/game_lookup.h"
#include "platform/file_system.h"

#include <functional>
#include <optional>
#include <string>

namespace qly {

// The target of a symbolic link as written in it, or nothing when path is not a link.
using LinkReader = std::function<std::optional<std::string>(const std::string& path)>;

// True for an absolute Windows path with a drive letter ("C:\...", "c:/...", "D:").
bool IsWindowsPath(const std::string& path);

// Removes "." and empty components and resolves ".." lexically (never above the root) in a
// Linux path; "/" stays "/".
std::string NormalLinuxPath(const std::string& path);

class PrefixPaths {
public:
    // prefix: the prefix's folder (the one holding system.reg and dosdevices).
    PrefixPaths(FileSystem& files, LinkReader readLink, std::string prefix);

    // The Linux path of windowsPath (see IsWindowsPath); nothing when it is not a Windows path
    // or the prefix has no link for its drive. Components that do not exist yet keep the
    // letter case they were given.
    std::optional<std::string> linuxPath(const std::string& windowsPath) const;

    // The Linux path the link dosdevices/<letter>: points at, normalised; nothing without one.
    std::optional<std::string> driveRoot(char letter) const;

    // Follows components from base (an existing Linux folder), each matched exactly when it
    // exists so, else without regard to letter case.
    std::string descend(std::string base, const std::string& relative) const;

    const std::string& prefix() const { return prefix_; }

private:
    FileSystem& files_;
    LinkReader readLink_;
    std::string prefix_;
};

// A path that a record in the prefix (a game store's list, a registry value) writes, as this
// program opens it: a Windows path through the prefix's drives, any other (one the prefix's
// registry mapped already) as it is. paths outlives the function.
LocalPathOf PrefixLocalPath(const PrefixPaths& paths);

} // namespace qly
