// The running program as the host system sees it: where it lives, what it was given, and
// which folder relative names resolve against.
#pragma once

#include <string>

namespace qly {

class Process {
public:
    virtual ~Process() = default;
    // The folder that holds the program's executable, no trailing separator (a drive root
    // keeps its own, "C:\").
    virtual std::string programFolder() = 0;
    // The arguments after the program's name, as one string with the blanks before the
    // first argument removed; empty when there are none.
    virtual std::string commandLine() = 0;
    // Makes folder (drive included) the working folder. Throws Error when it cannot.
    virtual void setWorkingFolder(const std::string& folder) = 0;
};

} // namespace qly
