// A folder that only the current user may open, under an unpredictable name in the user's
// temporary folder; removed with its contents when the object goes.
#pragma once

#include <string>

namespace qly::win32 {

class Win32PrivateFolder {
public:
    // Throws Error when no such folder can be made.
    Win32PrivateFolder();
    ~Win32PrivateFolder();
    Win32PrivateFolder(const Win32PrivateFolder&) = delete;
    Win32PrivateFolder& operator=(const Win32PrivateFolder&) = delete;

    // UTF-8, without a trailing separator.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Removes path (UTF-8) and, when it is a real folder, everything below it; a link, junction
// or other reparse point inside is removed itself, never followed or recursed into. What
// cannot be removed stays.
void RemoveTreeWithoutFollowingLinks(const std::string& path);

} // namespace qly::win32
