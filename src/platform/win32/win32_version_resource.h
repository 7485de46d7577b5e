// File versions from version resources, and the system folder a 32-bit program sees.
#pragma once

#include "platform/version_resource.h"

namespace qly::win32 {

class Win32VersionResource : public VersionResource {
public:
    // The file version words of path's fixed version block; nothing without a resource or block.
    std::optional<std::array<uint16_t, 4>> fileVersion(const std::string& path) override;
    // The folder where a 32-bit program finds the system's components: SysWOW64 for the 64-bit
    // build on 64-bit Windows, the system folder otherwise. Empty when Windows will not say.
    std::string systemFolder() override;
};

} // namespace qly::win32
