#include "textscroll/property_bag.h"

#include "common/ascii_case.h"

namespace qly {

void PropertyBag::write(std::string_view key, PropertyValue value) {
    entries_.insert_or_assign(AsciiLowerCase(key), std::move(value));
}

const PropertyValue* PropertyBag::find(std::string_view key) const {
    const auto it = entries_.find(AsciiLowerCase(key));
    return it == entries_.end() ? nullptr : &it->second;
}

PropertyValue PropertyBag::read(std::string_view key, const PropertyValue& fallback) const {
    const PropertyValue* value = find(key);
    return value != nullptr ? *value : fallback;
}

} // namespace qly
