// Helpers of the Win32 tests: a real temporary folder and its files, named in UTF-8.
#pragma once

#include "platform/win32/wide_string.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <windows.h>

namespace qly::win32::test {

// A new empty folder under the user's temporary folder, deleted with its contents at the end.
struct TempFolder {
    TempFolder() { std::filesystem::create_directory(path); }
    ~TempFolder() { std::filesystem::remove_all(path, ignored); }
    std::string file(const std::string& name) const {
        return fromWide((path / toWide(name)).wstring());
    }

    static inline int counter = 0;
    std::error_code ignored;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("qlypatch-w32-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(toWide(path)), std::ios::binary) << bytes;
}

// Writes a 24-bit bitmap file of width x height pixels, all of grey 0x404040. width must be a
// multiple of 4, so that its rows need no padding.
inline void writeGreySkin(const std::string& path, LONG width, LONG height) {
    const DWORD pixels = static_cast<DWORD>(width * height * 3);
    const BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    constexpr DWORD kHeaders = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const BITMAPFILEHEADER head{0x4D42, kHeaders + pixels, 0, 0, kHeaders};
    std::string bytes(reinterpret_cast<const char*>(&head), sizeof(head));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    writeFile(path, bytes.append(pixels, '\x40'));
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(toWide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace qly::win32::test
