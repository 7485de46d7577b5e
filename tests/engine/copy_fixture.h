// An engine on the fake file system and message loop, with its CopyState events recorded.
#pragma once

#include "engine/class_copy_sys.h"
#include "support/fake_file_system.h"
#include "support/fake_message_loop.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly::test {

struct CopyStateEvent {
    int16_t procent;
    int64_t totalBytes;
    int64_t totalCopyBytes;
    bool operator==(const CopyStateEvent&) const = default;
};

inline void PrintTo(const CopyStateEvent& e, std::ostream* os) {
    *os << "{" << e.procent << "%, " << e.totalCopyBytes << "/" << e.totalBytes << "}";
}

class CopyFixture : public ::testing::Test {
protected:
    CopyFixture() {
        engine.CopyState = [this](int16_t procent, int64_t& total, int64_t& copied) {
            states.push_back({procent, total, copied});
        };
    }

    std::vector<int16_t> percents() const {
        std::vector<int16_t> out;
        for (const auto& e : states) {
            out.push_back(e.procent);
        }
        return out;
    }

    FakeFileSystem fs;
    FakeMessageLoop loop;
    classCopySys engine{fs, loop};
    std::vector<CopyStateEvent> states;
};

} // namespace qly::test
