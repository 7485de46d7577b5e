#include "fake_process.h"

#include "common/error.h"

#include <system_error>

namespace qly::test {

FakeProcess::FakeProcess(std::string programFolder, bool follow)
    : programFolder_(std::move(programFolder)), follow_(follow),
      original_(std::filesystem::current_path()) {}

FakeProcess::~FakeProcess() {
    std::error_code ignored;
    std::filesystem::current_path(original_, ignored);
}

void FakeProcess::setWorkingFolder(const std::string& folder) {
    workingFolders_.push_back(folder);
    if (!follow_) {
        return;
    }
    std::string native = folder;
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    std::error_code ec;
    std::filesystem::current_path(native, ec);
    if (ec) {
        throw Error("cannot make " + folder + " the working folder");
    }
}

} // namespace qly::test
