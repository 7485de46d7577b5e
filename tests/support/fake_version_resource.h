// Version resources held in memory, by path (compared exactly).
#pragma once

#include "platform/version_resource.h"

#include <map>
#include <string>
#include <vector>

namespace qly::test {

class FakeVersionResource : public VersionResource {
public:
    std::optional<std::array<uint16_t, 4>> fileVersion(const std::string& path) override;
    std::string systemFolder() override { return systemFolder_; }

    std::map<std::string, std::array<uint16_t, 4>> versions_;
    std::string systemFolder_ = "C:\\WINDOWS\\system32";
    std::vector<std::string> asked_; // every path asked for, in order
};

} // namespace qly::test
