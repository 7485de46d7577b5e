#include "platform/win32/system_library.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"

#include <utility>

namespace qly::win32 {

std::wstring systemLibraryPath(const wchar_t* name) {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT n = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (n == 0) {
            return {};
        }
        if (n < folder.size()) {
            folder.resize(n);
            break;
        }
        folder.resize(n + 1);
    }
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder + name;
}

SystemLibrary::SystemLibrary(const wchar_t* name) : name_(fromWide(name)) {
    const std::wstring path = systemLibraryPath(name);
    // A full path: the loader takes this file and no other of the same name. Its own imports
    // are resolved by the process's restricted search (see restrictDllSearch).
    module_ = path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, 0);
    if (module_ == nullptr) {
        const DWORD code = GetLastError();
        throw Error("the system library " + name_ + " cannot be loaded from the system folder",
                    FailureKind::Other, static_cast<int64_t>(code), name_);
    }
}

SystemLibrary::~SystemLibrary() {
    if (module_ != nullptr) {
        FreeLibrary(module_);
    }
}

SystemLibrary::SystemLibrary(SystemLibrary&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)), name_(std::move(other.name_)) {}

SystemLibrary& SystemLibrary::operator=(SystemLibrary&& other) noexcept {
    if (this != &other) {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
        module_ = std::exchange(other.module_, nullptr);
        name_ = std::move(other.name_);
    }
    return *this;
}

FARPROC SystemLibrary::address(const char* symbol) const {
    FARPROC found = GetProcAddress(module_, symbol);
    if (found == nullptr) {
        throw Error("the system library " + name_ + " has no function " + symbol,
                    FailureKind::Other, static_cast<int64_t>(GetLastError()), name_);
    }
    return found;
}

} // namespace qly::win32
