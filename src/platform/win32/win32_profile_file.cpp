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

} // namespace qly::win32
