#include "platform/win32/win32_locale.h"

#include <windows.h>

namespace qly::win32 {

uint32_t Win32Locale::threadLocale() {
    return static_cast<uint32_t>(GetThreadLocale());
}

} // namespace qly::win32
