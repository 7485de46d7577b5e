#include "bundle/pe_image.h"

#include "bundle/byte_order.h"

#include <algorithm>
#include <bit>

namespace qly {

namespace {

constexpr std::size_t kCoffHeaderSize = 20;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kMaxSections = 96; // what the Windows loader accepts

template <typename T> T at(std::string_view bytes, std::size_t offset) {
    return ReadLittleEndian<T>(bytes, offset);
}

bool fits(std::string_view bytes, std::size_t offset, std::size_t n) {
    return offset <= bytes.size() && n <= bytes.size() - offset;
}

PeImageRead refused(std::string problem) {
    return {std::nullopt, std::move(problem)};
}

} // namespace

std::size_t PeImage::directoryOffset(std::size_t index) const {
    return optionalOffset + (pe32Plus ? 112 : 96) + index * 8;
}

std::optional<std::size_t> PeImage::fileOffsetOf(uint32_t rva, uint32_t n) const {
    for (const PeSection& s : sections) {
        // A section without file data may name any offset: nothing of it lies in the file.
        if (s.rawSize == 0) {
            continue;
        }
        const uint64_t mapped = std::min(s.virtualSize == 0 ? s.rawSize : s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && uint64_t{rva} - s.virtualAddress + n <= mapped) {
            return std::size_t{s.rawOffset} + (rva - s.virtualAddress);
        }
    }
    return std::nullopt;
}

PeImageRead ReadPeImage(std::string_view bytes) {
    if (!fits(bytes, 0, 64) || bytes.substr(0, 2) != "MZ") {
        return refused("it does not start like a Windows program");
    }
    PeImage image;
    const std::size_t peOffset = at<uint32_t>(bytes, 0x3C);
    if (!fits(bytes, peOffset, 4 + kCoffHeaderSize) ||
        bytes.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) {
        return refused("it has no PE header");
    }
    image.coffOffset = peOffset + 4;
    const uint32_t sectionCount = at<uint16_t>(bytes, image.coffOffset + 2);
    image.optionalSize = at<uint16_t>(bytes, image.coffOffset + 16);
    image.optionalOffset = image.coffOffset + kCoffHeaderSize;
    if (sectionCount > kMaxSections || image.optionalSize < 2 ||
        !fits(bytes, image.optionalOffset, image.optionalSize)) {
        return refused("its headers are damaged");
    }
    const auto magic = at<uint16_t>(bytes, image.optionalOffset);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return refused("its optional header is neither PE32 nor PE32+");
    }
    image.pe32Plus = magic == kPe32PlusMagic;
    const std::size_t countField = image.pe32Plus ? 108 : 92;
    if (image.optionalSize < countField + 4) {
        return refused("its optional header is too short");
    }
    image.sectionAlignment = at<uint32_t>(bytes, image.optionalOffset + 32);
    image.fileAlignment = at<uint32_t>(bytes, image.optionalOffset + 36);
    image.sizeOfImage = at<uint32_t>(bytes, image.optionalOffset + 56);
    image.sizeOfHeaders = at<uint32_t>(bytes, image.optionalOffset + 60);
    if (!std::has_single_bit(image.fileAlignment) || !std::has_single_bit(image.sectionAlignment) ||
        image.fileAlignment < 0x200 || image.sectionAlignment < image.fileAlignment) {
        return refused("its section and file alignments are not usable");
    }
    const uint32_t directoryCount =
        std::min<uint32_t>(at<uint32_t>(bytes, image.optionalOffset + countField), 16);
    if (image.directoryOffset(directoryCount) > image.optionalOffset + image.optionalSize) {
        return refused("its data directories do not fit its optional header");
    }
    for (std::size_t d = 0; d < directoryCount; ++d) {
        const std::size_t entry = image.directoryOffset(d);
        image.directories.push_back({at<uint32_t>(bytes, entry), at<uint32_t>(bytes, entry + 4)});
    }

    image.sectionTableOffset = image.optionalOffset + image.optionalSize;
    const std::size_t tableEnd = image.sectionTableOffset + sectionCount * kSectionHeaderSize;
    if (!fits(bytes, image.sectionTableOffset, sectionCount * kSectionHeaderSize) ||
        tableEnd > image.sizeOfHeaders || image.sizeOfHeaders > bytes.size()) {
        return refused("its section table does not fit its headers");
    }
    uint64_t nextAddress = 0;
    for (uint32_t s = 0; s < sectionCount; ++s) {
        const std::size_t base = image.sectionTableOffset + s * kSectionHeaderSize;
        PeSection section;
        section.name = std::string(bytes.substr(base, 8));
        section.name.resize(std::min(section.name.find('\0'), section.name.size()));
        section.virtualSize = at<uint32_t>(bytes, base + 8);
        section.virtualAddress = at<uint32_t>(bytes, base + 12);
        section.rawSize = at<uint32_t>(bytes, base + 16);
        section.rawOffset = at<uint32_t>(bytes, base + 20);
        section.characteristics = at<uint32_t>(bytes, base + 36);
        if (section.rawSize > 0 && !fits(bytes, section.rawOffset, section.rawSize)) {
            return refused("section " + std::to_string(s + 1) + " lies outside the file");
        }
        if (section.virtualAddress < nextAddress) {
            return refused("its sections overlap or are out of order");
        }
        const uint64_t span = std::max(section.virtualSize, section.rawSize);
        nextAddress = uint64_t{section.virtualAddress} + span;
        image.sections.push_back(std::move(section));
    }
    if (nextAddress > image.sizeOfImage) {
        return refused("its sections reach past its image size");
    }
    return {std::move(image), {}};
}

std::optional<std::size_t> PeChecksumOffset(std::string_view header) {
    if (!fits(header, 0, 64) || header.substr(0, 2) != "MZ") {
        return std::nullopt;
    }
    const std::size_t peOffset = at<uint32_t>(header, 0x3C);
    const std::size_t optional = peOffset + 4 + kCoffHeaderSize;
    if (!fits(header, peOffset, 4 + kCoffHeaderSize + 68) ||
        header.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) {
        return std::nullopt;
    }
    const auto magic = at<uint16_t>(header, optional);
    if ((magic != kPe32Magic && magic != kPe32PlusMagic) ||
        at<uint16_t>(header, peOffset + 4 + 16) < 68) {
        return std::nullopt;
    }
    return optional + 64;
}

void PeChecksum::add(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const std::size_t position = length_ + i;
        if (position >= checksumOffset_ && position < checksumOffset_ + 4) {
            continue;
        }
        uint32_t word = static_cast<uint8_t>(bytes[i]);
        if (i + 1 < bytes.size()) {
            word |= uint32_t{static_cast<uint8_t>(bytes[i + 1])} << 8;
        }
        sum_ += word;
        sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
    }
    length_ += bytes.size();
}

uint32_t PeChecksum::value() const {
    const uint64_t folded = (sum_ & 0xFFFF) + (sum_ >> 16);
    return static_cast<uint32_t>((folded & 0xFFFF) + length_);
}

} // namespace qly
