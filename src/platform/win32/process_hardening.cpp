#include "platform/win32/process_hardening.h"

#include "common/error.h"

#include <windows.h>

namespace qly::win32 {
namespace {

// Declared here rather than taken from the headers: the build targets Windows 7, whose
// headers hide what later systems added.
constexpr DWORD kSearchSystem32 = 0x00000800;          // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr int kRedirectionTrustPolicy = 16;            // ProcessRedirectionTrustPolicy
constexpr DWORD kEnforceRedirectionTrust = 0x00000001; // its EnforceRedirectionTrust bit

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
using SetProcessMitigationPolicyFunction = BOOL(WINAPI*)(int, PVOID, SIZE_T);

template <typename Function> Function kernelFunction(const char* name) {
    // kernel32 is always loaded, and mapped from the system's KnownDLLs.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

} // namespace

ProcessHardening hardenProcess() {
    ProcessHardening done;
    if (auto restrict =
            kernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories")) {
        done.dllSearchSystemOnly = restrict(kSearchSystem32) != FALSE;
    }
    if (!done.dllSearchSystemOnly) {
        if (auto setDirectory = kernelFunction<SetDllDirectoryFunction>("SetDllDirectoryW")) {
            done.dllSearchNoWorkingFolder = setDirectory(L"") != FALSE;
        }
    }
    if (auto mitigate =
            kernelFunction<SetProcessMitigationPolicyFunction>("SetProcessMitigationPolicy")) {
        DWORD flags = kEnforceRedirectionTrust;
        done.redirectionTrust = mitigate(kRedirectionTrustPolicy, &flags, sizeof(flags)) != FALSE;
    }
    for (const wchar_t* name : {L"uxtheme.dll", L"dwmapi.dll"}) {
        try {
            done.pinned.emplace_back(name);
        } catch (const Error&) {
            // Not on this system: nothing will load it by name either.
        }
    }
    return done;
}

std::string describe(const ProcessHardening& hardening) {
    std::string line = "hardening: DLLs from ";
    line += hardening.dllSearchSystemOnly ? "the system folder only"
                                          : (hardening.dllSearchNoWorkingFolder
                                                 ? "the default search without the working folder"
                                                 : "the default search (not restricted)");
    line += hardening.redirectionTrust ? "; redirection trust enforced"
                                       : "; redirection trust not offered";
    line += "; " + std::to_string(hardening.pinned.size()) + " system DLLs pinned";
    return line;
}

} // namespace qly::win32
