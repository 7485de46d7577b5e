// The stored instance data of a control: named values, one per property, with keys matched
// without regard to case and held in lower case.
#pragma once

#include "platform/surface.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace qly {

// A value as the host's variant holds it.
using PropertyValue = std::variant<bool, int32_t, double, std::string, FontSpec>;

class PropertyBag {
public:
    // Stores value under key, replacing what the key held.
    void write(std::string_view key, PropertyValue value);
    // The value stored under key, or nullptr.
    const PropertyValue* find(std::string_view key) const;
    // The value stored under key, or fallback when there is none.
    PropertyValue read(std::string_view key, const PropertyValue& fallback) const;
    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }
    // Entries in key order, keys in lower case.
    const std::map<std::string, PropertyValue>& entries() const { return entries_; }

private:
    std::map<std::string, PropertyValue> entries_;
};

} // namespace qly
