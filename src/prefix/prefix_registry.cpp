#include "prefix/prefix_registry.h"

#include "common/ascii_case.h"

#include <array>

namespace qly {

std::optional<std::string> Wow64Key(const std::string& subKey) {
    constexpr std::string_view kSoftware = "SOFTWARE\\";
    if (subKey.size() <= kSoftware.size() ||
        AsciiUpperCase(subKey.substr(0, kSoftware.size())) != kSoftware) {
        return std::nullopt;
    }
    return "Software\\Wow6432Node\\" + subKey.substr(kSoftware.size());
}

std::optional<std::string> PrefixRegistry::readString(RegistryRoot root, const std::string& subKey,
                                                      const std::string& valueName) {
    lastView_.clear();
    lastWindowsValue_.clear();
    std::optional<std::string> value;
    if (root == RegistryRoot::CurrentUser) {
        // The user's Software key is shared by both views.
        if (user_ == nullptr || !(value = user_->readString(root, subKey, valueName))) {
            return std::nullopt;
        }
    } else {
        const std::optional<std::string> wow64 = Wow64Key(subKey);
        value = wow64 ? hive_.readString(root, *wow64, valueName) : std::nullopt;
        if (value) {
            lastView_ = "32-bit";
        } else if ((value = hive_.readString(root, subKey, valueName))) {
            lastView_ = "64-bit";
        } else {
            return std::nullopt;
        }
    }
    lastWindowsValue_ = *value;
    if (IsWindowsPath(*value)) {
        if (std::optional<std::string> mapped = paths_.linuxPath(*value)) {
            return mapped;
        }
    }
    return value;
}

} // namespace qly
