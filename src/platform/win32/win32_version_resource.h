// File versions from version resources, and the system folder a 32-bit program sees.
#pragma once

#include "platform/version_resource.h"
#include "platform/win32/system_library.h"

#include <memory>

namespace qly::win32 {

class Win32VersionResource : public VersionResource {
public:
    Win32VersionResource();
    ~Win32VersionResource() override;
    Win32VersionResource(const Win32VersionResource&) = delete;
    Win32VersionResource& operator=(const Win32VersionResource&) = delete;

    // The file version words of path's fixed version block; nothing without a resource or block.
    // Throws Error when version.dll cannot be loaded from the system folder.
    std::optional<std::array<uint16_t, 4>> fileVersion(const std::string& path) override;
    // The folder where a 32-bit program finds the system's components: SysWOW64 for the 64-bit
    // build on 64-bit Windows, the system folder otherwise. Empty when Windows will not say.
    std::string systemFolder() override;

private:
    // version.dll, loaded from the system folder at the first query (it is not a KnownDLL).
    struct Functions;
    std::unique_ptr<Functions> functions_;
};

} // namespace qly::win32
