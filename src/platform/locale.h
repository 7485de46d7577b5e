// The calling thread's locale.
#pragma once

#include <cstdint>

namespace qly {

class Locale {
public:
    virtual ~Locale() = default;
    // The whole 32-bit locale identifier (language in the low 16 bits, sort order above).
    virtual uint32_t threadLocale() = 0;
};

} // namespace qly
