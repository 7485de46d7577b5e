// The default language of a Windows locale.
#pragma once

#include <cstdint>
#include <string>

namespace qly {

class Locale;

// Lower-case three-letter code for a whole 32-bit locale identifier ("eng" when not listed).
std::string LocaleLangCode(uint32_t localeId);
// The same for the calling thread's locale.
std::string LocaleLangCode(Locale& locale);

} // namespace qly
