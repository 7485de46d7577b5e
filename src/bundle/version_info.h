// A program's version resource (the block Windows shows as the file's properties): its fixed
// part with the version numbers, and one table of strings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qly {

struct VersionInfo {
    std::array<uint16_t, 4> fileVersion{};
    std::array<uint16_t, 4> productVersion{};
    uint32_t fileFlagsMask = 0x3F;
    uint32_t fileFlags = 0;
    uint32_t fileOs = 0x40004; // Windows NT, 32-bit Windows
    uint32_t fileType = 1;     // an application
    uint32_t fileSubtype = 0;
    std::string table = "040904B0"; // language and code page of the strings, in hex
    // Name and value, UTF-8, in the order they are written.
    std::vector<std::pair<std::string, std::string>> strings;
    std::vector<uint32_t> translations{0x04B00409}; // language in the low half, code page high

    // The value of the string called name, or nothing.
    std::optional<std::string> string(std::string_view name) const;
    // Sets name to value, keeping its place when it is there and adding it last otherwise.
    void setString(const std::string& name, const std::string& value);
};

// The resource's bytes.
std::string EncodeVersionInfo(const VersionInfo& info);

// The resource read back: the fixed part and the first table of strings. Nothing when the
// bytes are no version resource (blocks whose lengths do not fit, no fixed part).
std::optional<VersionInfo> DecodeVersionInfo(std::string_view bytes);

} // namespace qly
