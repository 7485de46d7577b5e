#include "platform/win32/wide_string.h"

#include <windows.h>

namespace qly::win32 {

std::wstring toWide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string fromWide(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

unsigned codePageOfCharset(int32_t charset) {
    switch (charset) {
    case EASTEUROPE_CHARSET:
        return 1250;
    case RUSSIAN_CHARSET:
        return 1251;
    case ANSI_CHARSET:
        return 1252;
    case GREEK_CHARSET:
        return 1253;
    case TURKISH_CHARSET:
        return 1254;
    case HEBREW_CHARSET:
        return 1255;
    case ARABIC_CHARSET:
        return 1256;
    case BALTIC_CHARSET:
        return 1257;
    case VIETNAMESE_CHARSET:
        return 1258;
    case THAI_CHARSET:
        return 874;
    default:
        return CP_ACP;
    }
}

std::wstring fromCodePage(const std::string& bytes, unsigned codePage) {
    if (bytes.empty()) {
        return {};
    }
    int n =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

} // namespace qly::win32
