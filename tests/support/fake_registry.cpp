#include "fake_registry.h"

namespace qly::test {

std::optional<std::string> FakeRegistry::readString(const std::string& subKey,
                                                    const std::string& valueName) {
    keysRead_.push_back(subKey);
    const auto it = values_.find({subKey, valueName});
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace qly::test
