// The calling thread's locale from Windows.
#pragma once

#include "platform/locale.h"

namespace qly::win32 {

class Win32Locale : public Locale {
public:
    // GetThreadLocale, the whole 32-bit identifier.
    uint32_t threadLocale() override;
    std::string toCharsetText(const std::string& utf8, int32_t charset) override;
};

} // namespace qly::win32
