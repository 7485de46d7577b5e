#include "platform/win32/win32_registry.h"

#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <array>
#include <windows.h>

namespace qly::win32 {
namespace {

// The REG_SZ text of valueName under key, cut at its first NUL; nothing for a missing value,
// another type or a read error.
std::optional<std::wstring> queryString(HKEY key, const std::wstring& valueName) {
    // A value may change between the size query and the read; a couple of attempts suffice.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            return std::nullopt;
        }
        // One spare character so that a value stored without its NUL still ends in one.
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD capacity = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        LONG rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(text.data()), &capacity);
        if (rc == ERROR_MORE_DATA) {
            continue;
        }
        if (rc != ERROR_SUCCESS || type != REG_SZ) {
            return std::nullopt;
        }
        text.resize(capacity / sizeof(wchar_t));
        if (auto nul = text.find(L'\0'); nul != std::wstring::npos) {
            text.resize(nul);
        }
        return text;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> Win32Registry::readString(RegistryRoot root, const std::string& subKey,
                                                     const std::string& valueName) {
    const HKEY rootKey = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const std::wstring wideKey = toWide(subKey);
    const std::wstring wideValue = toWide(valueName);
    // 32-bit Windows ignores the view flags, so the second look there repeats the first.
    lastView_.clear();
    for (REGSAM view : std::array<REGSAM, 2>{KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY raw = nullptr;
        if (RegOpenKeyExW(rootKey, wideKey.c_str(), 0, KEY_QUERY_VALUE | view, &raw) !=
            ERROR_SUCCESS) {
            continue;
        }
        UniqueRegKey key(raw);
        if (auto text = queryString(key.get(), wideValue)) {
            lastView_ = view == KEY_WOW64_32KEY ? "32-bit" : "64-bit";
            return fromWide(*text);
        }
    }
    return std::nullopt;
}

} // namespace qly::win32
