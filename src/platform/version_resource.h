// Version resources of executable files, and the system folder that holds shared components.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qly {

class VersionResource {
public:
    virtual ~VersionResource() = default;
    // The four 16-bit parts of the file version (major, minor, build, revision) from the fixed
    // block of path's version resource; nothing when it has none.
    virtual std::optional<std::array<uint16_t, 4>> fileVersion(const std::string& path) = 0;
    // The system folder as a program of this build's word size sees it, no trailing separator.
    virtual std::string systemFolder() = 0;
};

} // namespace qly
