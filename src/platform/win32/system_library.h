// A DLL loaded from the Windows system folder only, and the functions taken from it. The
// installer runs elevated from a Downloads folder: a DLL of the same name beside it must never
// be the one loaded, so every DLL that is not a KnownDLL is reached through this owner.
#pragma once

#include <string>
#include <windows.h>

namespace qly::win32 {

class SystemLibrary {
public:
    // Loads name (e.g. L"bcrypt.dll") by its full path in the system folder. Throws Error,
    // naming the DLL, when it is not there or does not load.
    explicit SystemLibrary(const wchar_t* name);
    ~SystemLibrary();
    SystemLibrary(SystemLibrary&& other) noexcept;
    SystemLibrary& operator=(SystemLibrary&& other) noexcept;
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    // The exported function symbol as a pointer of type Function. Throws Error, naming the
    // DLL and the function, when the DLL does not export it.
    template <typename Function> Function function(const char* symbol) const {
        // Through the generic function type, which the compiler accepts for any other one.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address(symbol)));
    }

    // Like function, but nullptr when the DLL does not export the symbol.
    template <typename Function> Function optionalFunction(const char* symbol) const {
        return reinterpret_cast<Function>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, symbol)));
    }

private:
    FARPROC address(const char* symbol) const;

    HMODULE module_ = nullptr;
    std::string name_;
};

// The full path of name in the system folder (for a 32-bit program on 64-bit Windows, the
// folder Windows redirects it to). Empty when Windows cannot tell the folder.
std::wstring systemLibraryPath(const wchar_t* name);

} // namespace qly::win32
