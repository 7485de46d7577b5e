#include "platform/win32/win32_log_file.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"

namespace qly::win32 {

Win32LogFile::Win32LogFile(const std::string& path) {
    const std::wstring widePath = toWide(path);
    file_ = UniqueFile(CreateFileW(widePath.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        throw Error("cannot open the log file " + path);
    }
}

void Win32LogFile::appendLine(const std::string& line) noexcept {
    try {
        const std::string text = line + "\r\n";
        DWORD written = 0;
        WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } catch (...) {
        // Out of memory for one log line: the log misses it, the program goes on.
    }
}

std::optional<std::string> environmentVariable(const std::string& name) {
    const std::wstring wideName = toWide(name);
    DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size <= 1) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (n == 0 || n >= size) {
        return std::nullopt;
    }
    value.resize(n);
    return fromWide(value);
}

} // namespace qly::win32
