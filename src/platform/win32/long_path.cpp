#include "platform/win32/long_path.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

namespace qly::win32 {

namespace {

// CreateDirectoryW refuses paths of MAX_PATH - 12 characters and more, the lowest limit of
// the functions this program calls.
constexpr std::size_t kClassicLimit = MAX_PATH - 12;

} // namespace

std::wstring systemPath(const std::string& utf8) {
    std::wstring wide = toWide(utf8);
    if (wide.size() < kClassicLimit || wide.starts_with(L"\\\\?\\") ||
        wide.starts_with(L"\\\\.\\")) {
        return wide;
    }
    // The "\\?\" form is taken literally: relative parts, "/" separators and "." or ".."
    // components must be resolved first, which GetFullPathNameW does at any length.
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return wide;
    }
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return wide;
    }
    full.resize(written);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

} // namespace qly::win32
