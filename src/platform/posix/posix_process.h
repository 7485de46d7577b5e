// The running program on Linux: its folder from /proc/self/exe, its arguments as given.
#pragma once

#include "platform/process.h"

#include <string>

namespace qly::posix {

class PosixProcess final : public Process {
public:
    // The arguments after the program's name, joined by single blanks.
    PosixProcess(int argc, const char* const* argv);

    // The folder of the executable (native path), or "." when it cannot be found.
    std::string programFolder() override;
    std::string commandLine() override { return commandLine_; }
    // Accepts Windows-style paths. Throws Error when the folder cannot be entered.
    void setWorkingFolder(const std::string& folder) override;

private:
    std::string commandLine_;
};

} // namespace qly::posix
