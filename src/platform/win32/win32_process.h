// The running Windows program: its folder, its command line and the working folder.
#pragma once

#include "platform/process.h"

namespace qly::win32 {

class Win32Process : public Process {
public:
    // The folder of GetModuleFileNameW, UTF-8.
    std::string programFolder() override;
    // The full path of the program's executable. Throws Error when Windows cannot tell it.
    std::string programPath() const;
    // path made absolute against the current working folder (GetFullPathNameW); path itself
    // when Windows cannot tell.
    std::string absolutePath(const std::string& path) const;
    // GetCommandLineW after the program's name, leading blanks removed, UTF-8.
    std::string commandLine() override;
    // SetCurrentDirectoryW, which takes the drive along; network folders work too.
    void setWorkingFolder(const std::string& folder) override;
};

} // namespace qly::win32
