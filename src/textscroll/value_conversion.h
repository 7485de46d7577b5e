// The host's conversions of a variant to its integer types: numbers round half to even,
// numeric strings are parsed, true is -1; a result outside the type raises "Overflow" and
// anything else "Type mismatch".
#pragma once

#include "textscroll/property_bag.h"

#include <cstdint>

namespace qly {

// Throws Error("Overflow") outside -32768..32767 and Error("Type mismatch") for a value that
// is not a number, a truth value or a numeric string.
int16_t toInt16(const PropertyValue& value);
// As toInt16, for -2147483648..2147483647.
int32_t toInt32(const PropertyValue& value);
// The font a value holds; throws Error("Type mismatch") for anything else.
FontSpec toFont(const PropertyValue& value);

} // namespace qly
