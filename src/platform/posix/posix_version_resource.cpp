#include "platform/posix/posix_version_resource.h"

#include "platform/posix/posix_file_system.h"

#include <cstdint>
#include <fstream>
#include <iterator>

namespace qly::posix {

namespace {

constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
constexpr uint32_t kSignature = 0xFEEF04BD;
constexpr uint32_t kStructVersion = 0x00010000;

uint32_t le32(std::string_view bytes, std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return v;
}

} // namespace

std::optional<std::array<uint16_t, 4>> FixedFileVersion(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.substr(0, 2) != "MZ") {
        return std::nullopt;
    }
    // Signature, structure version, then the file version's two 32-bit halves.
    constexpr std::size_t kNeeded = 16;
    for (std::size_t at = 0; at + kNeeded <= bytes.size(); ++at) {
        if (le32(bytes, at) != kSignature || le32(bytes, at + 4) != kStructVersion) {
            continue;
        }
        const uint32_t ms = le32(bytes, at + 8);
        const uint32_t ls = le32(bytes, at + 12);
        return std::array<uint16_t, 4>{
            static_cast<uint16_t>(ms >> 16), static_cast<uint16_t>(ms & 0xFFFF),
            static_cast<uint16_t>(ls >> 16), static_cast<uint16_t>(ls & 0xFFFF)};
    }
    return std::nullopt;
}

std::optional<std::array<uint16_t, 4>> PosixVersionResource::fileVersion(const std::string& path) {
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxFileBytes) {
            return std::nullopt;
        }
    }
    return FixedFileVersion(bytes);
}

} // namespace qly::posix
