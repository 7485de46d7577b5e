// Helpers of the Win32 tests: real temporary folders and files, and small bitmaps to load.
#pragma once

#include <cstdint>
#include <string>

namespace qly::win32::test {

// A new empty folder under the user's temporary folder, deleted with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, UTF-8, no trailing separator.
    const std::string& path() const { return path_; }
    // path() + "\" + name.
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Writes bytes to a new file at the UTF-8 path (replacing it).
void writeFile(const std::string& path, const std::string& bytes);
// The whole content of the file at the UTF-8 path; empty when it cannot be read.
std::string readFile(const std::string& path);
// Writes a 24-bit bitmap file of w x h pixels, all of colour 0x00RRGGBB.
void writeBitmap(const std::string& path, int32_t w, int32_t h, uint32_t rgb);

} // namespace qly::win32::test
