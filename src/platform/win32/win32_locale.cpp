#include "platform/win32/win32_locale.h"

#include "platform/win32/wide_string.h"

#include <algorithm>
#include <windows.h>

namespace qly::win32 {

uint32_t Win32Locale::threadLocale() {
    return static_cast<uint32_t>(GetThreadLocale());
}

std::string Win32Locale::toCharsetText(const std::string& utf8, int32_t charset) {
    const std::wstring wide = toWide(utf8);
    if (wide.empty()) {
        return {};
    }
    const UINT codePage = codePageOfCharset(charset);
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, "?", nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size,
                        "?", nullptr);
    return bytes;
}

} // namespace qly::win32
