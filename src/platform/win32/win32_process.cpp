#include "platform/win32/win32_process.h"

#include "common/error.h"
#include "platform/command_line.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

namespace qly::win32 {

namespace {

// GetModuleFileNameW of the exe, however long.
std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            throw Error("cannot find the program's own folder");
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        // Cut to fit: ask again with room for a long path.
        path.resize(path.size() * 2);
    }
}

} // namespace

std::string Win32Process::programPath() const {
    return fromWide(modulePath());
}

std::string Win32Process::programFolder() {
    std::wstring path = modulePath();
    std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    // A drive root keeps its separator ("C:\"); any other folder loses it.
    bool driveRoot = slash == 2 && path[1] == L':';
    path.resize(driveRoot ? slash + 1 : slash);
    return fromWide(path);
}

std::string Win32Process::absolutePath(const std::string& path) const {
    const std::wstring wide = toWide(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size) {
        return path;
    }
    full.resize(n);
    return fromWide(full);
}

std::string Win32Process::commandLine() {
    return argumentsAfterProgramName(fromWide(GetCommandLineW()));
}

void Win32Process::setWorkingFolder(const std::string& folder) {
    const std::wstring wide = toWide(folder);
    if (!SetCurrentDirectoryW(wide.c_str())) {
        throw Error("cannot make " + folder + " the working folder");
    }
}

} // namespace qly::win32
