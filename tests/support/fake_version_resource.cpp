#include "fake_version_resource.h"

namespace qly::test {

std::optional<std::array<uint16_t, 4>> FakeVersionResource::fileVersion(const std::string& path) {
    asked_.push_back(path);
    const auto it = versions_.find(path);
    if (it == versions_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace qly::test
