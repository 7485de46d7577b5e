// A process the test describes: its folder and command line. Changing the working folder is
// recorded and, when follow_ is set, really done (std::filesystem), so that the program's
// relative names resolve in a temporary folder; the destructor puts the old one back.
#pragma once

#include "platform/process.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qly::test {

class FakeProcess : public Process {
public:
    FakeProcess(std::string programFolder, bool follow);
    ~FakeProcess() override;
    FakeProcess(const FakeProcess&) = delete;
    FakeProcess& operator=(const FakeProcess&) = delete;

    std::string programFolder() override { return programFolder_; }
    std::string commandLine() override { return commandLine_; }
    void setWorkingFolder(const std::string& folder) override;

    std::string programFolder_;
    std::string commandLine_;
    bool follow_;
    std::vector<std::string> workingFolders_; // every folder made the working one

private:
    std::filesystem::path original_;
};

} // namespace qly::test
