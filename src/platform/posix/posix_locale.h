// The thread locale of the native build, from the environment (LC_ALL, else LANG).
#pragma once

#include "platform/locale.h"

#include <string>

namespace qly::posix {

class PosixLocale final : public Locale {
public:
    uint32_t threadLocale() override;
    std::string toCharsetText(const std::string& utf8, int32_t charset) override;
};

// The Windows locale identifier of a POSIX locale name such as "pl_PL.UTF-8": by language
// and territory, else by language alone, else English (United States), 0x0409.
uint32_t LocaleIdOf(const std::string& posixName);

} // namespace qly::posix
