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

} // namespace qly::win32
