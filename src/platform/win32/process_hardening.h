// The process-wide defences the installer turns on before it does anything else: it runs
// elevated from a folder (Downloads) where anyone may have placed files.
#pragma once

#include <string>

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
};

// Restricts the DLL search and turns on the redirection trust mitigation where Windows has
// them. Both are reached through GetProcAddress: older systems lack the functions.
ProcessHardening hardenProcess();

// One log line saying what hardenProcess turned on.
std::string describe(const ProcessHardening& hardening);

} // namespace qly::win32
