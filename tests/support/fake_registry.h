// A registry held in memory: REG_SZ values by key and value name (compared exactly).
#pragma once

#include "platform/registry.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qly::test {

class FakeRegistry : public Registry {
public:
    std::optional<std::string> readString(const std::string& subKey,
                                          const std::string& valueName) override;

    void set(const std::string& subKey, const std::string& valueName, std::string text) {
        values_[{subKey, valueName}] = std::move(text);
    }

    std::map<std::pair<std::string, std::string>, std::string> values_;
    std::vector<std::string> keysRead_; // every subKey asked for, in order
};

} // namespace qly::test
