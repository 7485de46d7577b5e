// The headers and section table of a Windows executable held in memory, read with every
// offset checked, for the tools that rewrite parts of an installer before packing it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

struct PeSection {
    std::string name; // up to 8 bytes, without the zero padding
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    uint32_t characteristics = 0;
};

struct PeDataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

struct PeImage {
    std::size_t coffOffset = 0;     // of the COFF header, after "PE\0\0"
    std::size_t optionalOffset = 0; // of the optional header
    std::size_t optionalSize = 0;
    std::size_t sectionTableOffset = 0;
    bool pe32Plus = false;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t sizeOfImage = 0;
    std::vector<PeSection> sections;
    std::vector<PeDataDirectory> directories;

    // Offsets of the optional header's fields a rewriter changes.
    std::size_t checksumOffset() const { return optionalOffset + 64; }
    std::size_t sizeOfImageOffset() const { return optionalOffset + 56; }
    std::size_t sizeOfInitializedDataOffset() const { return optionalOffset + 8; }
    std::size_t directoryOffset(std::size_t index) const;
    // The file offset of n bytes at rva inside one section's raw data; nothing when they are
    // not all there.
    std::optional<std::size_t> fileOffsetOf(uint32_t rva, uint32_t n) const;
};

inline constexpr std::size_t kResourceDirectory = 2;
inline constexpr std::size_t kSectionHeaderSize = 40;

// The image's headers, or the reason they cannot be used: bytes that are no PE file, fields
// that point outside it, alignments that are not powers of two, sections out of order.
struct PeImageRead {
    std::optional<PeImage> image;
    std::string problem;
};
PeImageRead ReadPeImage(std::string_view bytes);

// Where the optional header's checksum lies in a file starting with header (its first bytes, at
// least up to the optional header); nothing when it is no PE file.
std::optional<std::size_t> PeChecksumOffset(std::string_view header);

// The checksum the optional header holds for bytes (the file as a whole), the field itself at
// checksumOffset counted as zero: 16-bit words summed with their carries folded, plus the
// length. Feed the file in pieces of even length (the last may be odd).
class PeChecksum {
public:
    explicit PeChecksum(std::size_t checksumOffset) : checksumOffset_(checksumOffset) {}
    void add(std::string_view bytes);
    uint32_t value() const;

private:
    std::size_t checksumOffset_;
    uint64_t sum_ = 0;
    std::size_t length_ = 0;
};

} // namespace qly
