// The calling thread's locale.
#pragma once

#include <cstdint>
#include <string>

namespace qly {

class Locale {
public:
    virtual ~Locale() = default;
    // The whole 32-bit locale identifier (language in the low 16 bits, sort order above).
    virtual uint32_t threadLocale() = 0;
    // The bytes that show the UTF-8 text in a font of the GDI charset (a file name in a
    // language's line); characters the charset's code page lacks become '?'.
    virtual std::string toCharsetText(const std::string& utf8, int32_t charset) = 0;
};

} // namespace qly
