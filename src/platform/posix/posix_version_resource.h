// Version resources read from Windows executables (PE files) on Linux.
#pragma once

#include "platform/version_resource.h"

#include <string>
#include <string_view>

namespace qly::posix {

class PosixVersionResource final : public VersionResource {
public:
    // systemFolder: what systemFolder() reports (a Windows-style or native path).
    explicit PosixVersionResource(std::string systemFolder)
        : systemFolder_(std::move(systemFolder)) {}

    // The file version of the first fixed version block (signature 0xFEEF04BD, structure
    // version 1.0) in a file that starts like an executable ("MZ"); nothing when the file is
    // missing, unreadable, larger than 64 MiB, or has no such block.
    std::optional<std::array<uint16_t, 4>> fileVersion(const std::string& path) override;
    std::string systemFolder() override { return systemFolder_; }

private:
    std::string systemFolder_;
};

// The same search over the bytes of a file.
std::optional<std::array<uint16_t, 4>> FixedFileVersion(std::string_view bytes);

} // namespace qly::posix
