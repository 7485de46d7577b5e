// Registry reads under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER, in the 32-bit view first (where a
// 32-bit game registers itself on 64-bit Windows), then in the 64-bit view, so that the i686 and
// the x86_64 builds find the game alike.
#pragma once

#include "platform/registry.h"

#include <string>

namespace qly::win32 {

class Win32Registry : public Registry {
public:
    using Registry::readString;
    // The first REG_SZ value found in the 32-bit, then the 64-bit view; nothing otherwise.
    std::optional<std::string> readString(RegistryRoot root, const std::string& subKey,
                                          const std::string& valueName) override;
    std::string lastView() const override { return lastView_; }

private:
    std::string lastView_;
};

} // namespace qly::win32
