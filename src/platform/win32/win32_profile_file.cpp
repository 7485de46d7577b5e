#include "platform/win32/win32_profile_file.h"

#include "platform/win32/wide_string.h"

#include <algorithm>
#include <climits>
#include <windows.h>

namespace qly::win32 {

std::string Win32ProfileFile::getString(const std::string& path, const std::string& section,
                                        const std::string& key, const std::string& defaultValue,
                                        std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bufferSize, INT_MAX));
    std::wstring buffer(size, L'\0');
    const DWORD count = GetPrivateProfileStringW(toWide(section).c_str(), toWide(key).c_str(),
                                                 toWide(defaultValue).c_str(), buffer.data(), size,
                                                 toWide(path).c_str());
    buffer.resize(std::min<DWORD>(count, size - 1));
    return fromWide(buffer);
}

std::vector<std::string> Win32ProfileFile::keys(const std::string& path,
                                                const std::string& section) {
    // The names come NUL-separated; a buffer too small is cut, so it grows until they fit.
    for (DWORD size = 4096; size <= (1u << 20); size *= 4) {
        std::wstring buffer(size, L'\0');
        const DWORD count = GetPrivateProfileStringW(toWide(section).c_str(), nullptr, L"",
                                                     buffer.data(), size, toWide(path).c_str());
        if (count + 2 >= size) {
            continue;
        }
        std::vector<std::string> names;
        for (std::size_t at = 0; at < count && buffer[at] != L'\0';) {
            const std::size_t end = buffer.find(L'\0', at);
            names.push_back(fromWide(buffer.substr(at, end - at)));
            at = end + 1;
        }
        return names;
    }
    return {};
}

} // namespace qly::win32
