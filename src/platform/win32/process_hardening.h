// The process-wide defences the installer turns on before it does anything else: it runs
// elevated from a folder (Downloads) where anyone may have placed files.
#pragma once

#include "platform/win32/system_library.h"

#include <string>
#include <vector>

namespace qly::win32 {

// What hardenProcess could turn on; each is off where this Windows does not offer it.
struct ProcessHardening {
    // DLLs load from the system folder only (SetDefaultDllDirectories), or at least no longer
    // from the working folder (SetDllDirectoryW(L""), Windows 7 without the update).
    bool dllSearchSystemOnly = false;
    bool dllSearchNoWorkingFolder = false;
    // Junctions and mount points made by a non-administrator are not followed
    // (ProcessRedirectionTrustPolicy, recent Windows 10 and 11).
    bool redirectionTrust = false;
    // System DLLs that Windows's own components load by name while the program runs (the
    // visual styles, the desktop composition), loaded first from the system folder and kept:
    // a later load by name then finds them already there, never a copy beside the exe.
    std::vector<SystemLibrary> pinned;
};

// Restricts the DLL search, turns on the redirection trust mitigation where Windows has them
// (both reached through GetProcAddress: older systems lack the functions), and pins the system
// DLLs that others load by name. Missing pieces are left out, never fatal.
ProcessHardening hardenProcess();

// One log line saying what hardenProcess turned on.
std::string describe(const ProcessHardening& hardening);

} // namespace qly::win32
