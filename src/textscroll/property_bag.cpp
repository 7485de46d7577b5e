#include "textscroll/property_bag.h"

#include <cctype>

namespace qly {

namespace {

std::string lowerCase(std::string_view key) {
    std::string out(key);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

void PropertyBag::write(std::string_view key, PropertyValue value) {
    entries_.insert_or_assign(lowerCase(key), std::move(value));
}

const PropertyValue* PropertyBag::find(std::string_view key) const {
    const auto it = entries_.find(lowerCase(key));
    return it == entries_.end() ? nullptr : &it->second;
}

PropertyValue PropertyBag::read(std::string_view key, const PropertyValue& fallback) const {
    const PropertyValue* value = find(key);
    return value != nullptr ? *value : fallback;
}

} // namespace qly
