// An engine on the fake file system and message loop, with its CopyState events recorded.
#pragma once

#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "support/fake_file_system.h"
#include "support/fake_message_loop.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly::test {

using Strings = std::vector<std::string>;
using State = std::array<int64_t, 3>; // one CopyState event: percent, total, copied

class CopyFixture : public ::testing::Test {
protected:
    CopyFixture() {
        engine.CopyState = [this](int16_t procent, int64_t& total, int64_t& copied) {
            states.push_back({procent, total, copied});
            percents.push_back(procent);
        };
    }
    CopyResult copy() { return engine.QuickCopy("update\\", "C:\\game\\"); }

    FakeFileSystem fs;
    FakeMessageLoop loop;
    classCopySys engine{fs, loop};
    std::vector<State> states;
    std::vector<int64_t> percents;
};

} // namespace qly::test
