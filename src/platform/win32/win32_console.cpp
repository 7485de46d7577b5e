#include "platform/win32/win32_console.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

namespace qly::win32 {

bool writeToStartingConsole(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
            return false;
        }
        out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE) {
            return false;
        }
    }
    DWORD written = 0;
    if (GetFileType(out) == FILE_TYPE_CHAR) {
        // A real console shows wide text in any code page.
        const std::wstring wide = toWide(text);
        return WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != FALSE;
    }
    return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
}

} // namespace qly::win32
