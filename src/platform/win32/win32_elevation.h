// Administrator rights on Windows: the process token's elevation, a probe file for the right to
// write, and the program started again through the "runas" verb (the UAC prompt).
#pragma once

#include "platform/elevation.h"

namespace qly::win32 {

class Win32Elevation : public Elevation {
public:
    bool elevated() override;
    // Creates a hidden probe file new in folder and lets it delete itself as it closes.
    bool canWriteIn(const std::string& folder) override;
    // ShellExecuteExW with "runas" on this program's own file; keeps the thread's windows
    // painted while it waits.
    std::optional<int> runElevated(const std::string& arguments) override;
};

} // namespace qly::win32
