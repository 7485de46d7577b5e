// Folder locks shared by the runs of one test, as by the processes of one machine: a folder is
// held while some run's lock on it lives.
#pragma once

#include "platform/folder_lock.h"

#include <memory>
#include <set>
#include <string>

namespace qly::test {

class FakeFolderLocks : public FolderLocks {
public:
    std::unique_ptr<HeldFolderLock> tryLock(const std::string& folder) override {
        ++tries_;
        if (!held_.insert(folder).second) {
            return nullptr;
        }
        return std::make_unique<Held>(held_, folder);
    }
    bool held(const std::string& folder) const { return held_.count(folder) != 0; }

    int tries_ = 0;

private:
    class Held : public HeldFolderLock {
    public:
        Held(std::set<std::string>& held, std::string folder)
            : held_(held), folder_(std::move(folder)) {}
        ~Held() override { held_.erase(folder_); }

    private:
        std::set<std::string>& held_;
        std::string folder_;
    };
    std::set<std::string> held_;
};

} // namespace qly::test
