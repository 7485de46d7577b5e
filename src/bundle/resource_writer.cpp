#include "bundle/resource_writer.h"

#include "bundle/byte_order.h"
#include "common/error.h"

#include <algorithm>

namespace qly {

namespace {

// Initialized data, readable: what a linker gives its resource section.
constexpr uint32_t kResourceSectionFlags = 0x40000040;

uint64_t alignUp(uint64_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

void put32(std::string& bytes, std::size_t at, uint32_t value) {
    std::string b;
    AppendLittleEndian(b, value);
    bytes.replace(at, 4, b);
}

PeImage imageOf(std::string_view program) {
    PeImageRead read = ReadPeImage(program);
    if (!read.image) {
        throw Error("the installer cannot be rewritten: " + read.problem);
    }
    return std::move(*read.image);
}

} // namespace

ResourceTree ResourcesOf(std::string_view program) {
    const PeImage image = imageOf(program);
    ResourceTreeRead read = ReadResourceTree(program, image);
    if (!read.tree) {
        throw Error("the installer's resources cannot be read: " + read.problem);
    }
    return std::move(*read.tree);
}

std::string ReplaceResources(std::string_view program, const ResourceTree& tree) {
    const PeImage image = imageOf(program);
    if (!ReadResourceTree(program, image).tree) {
        throw Error("the installer's resources cannot be read");
    }
    if (image.directories.size() <= kResourceDirectory) {
        throw Error("the installer has no resource directory entry");
    }
    const std::size_t header =
        image.sectionTableOffset + image.sections.size() * kSectionHeaderSize;
    uint64_t firstRaw = image.sizeOfHeaders;
    uint64_t virtualEnd = alignUp(image.sizeOfHeaders, image.sectionAlignment);
    uint64_t rawEnd = image.sizeOfHeaders;
    for (const PeSection& s : image.sections) {
        if (s.rawSize > 0) {
            firstRaw = std::min<uint64_t>(firstRaw, s.rawOffset);
            rawEnd = std::max<uint64_t>(rawEnd, uint64_t{s.rawOffset} + s.rawSize);
        }
        virtualEnd = std::max(
            virtualEnd, alignUp(uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.rawSize),
                                image.sectionAlignment));
    }
    if (header + kSectionHeaderSize > firstRaw ||
        program.substr(header, kSectionHeaderSize).find_first_not_of('\0') !=
            std::string_view::npos) {
        throw Error("the installer's headers leave no room for another section");
    }

    const auto rva = static_cast<uint32_t>(virtualEnd);
    const std::string section = EncodeResourceTree(tree, rva);
    // Right after the last section's data; a symbol table that follows it moves behind the new
    // section, where a linker would have put it (some resource readers stop at the symbols).
    const uint64_t rawOffset = alignUp(rawEnd, image.fileAlignment);
    const uint32_t symbols = ReadLittleEndian<uint32_t>(program, image.coffOffset + 8);
    if (rawOffset > program.size() || (symbols != 0 && symbols < rawOffset)) {
        throw Error("the installer's symbol table lies among its sections");
    }
    const uint64_t rawSize = alignUp(section.size(), image.fileAlignment);
    const uint64_t imageSize = alignUp(uint64_t{rva} + section.size(), image.sectionAlignment);
    if (imageSize > UINT32_MAX || rawOffset + rawSize > UINT32_MAX) {
        throw Error("the installer would grow too large");
    }

    std::string out(program);
    uint32_t flags = kResourceSectionFlags;
    const PeDataDirectory old = image.directories[kResourceDirectory];
    if (old.rva != 0) {
        if (const auto at = image.fileOffsetOf(old.rva, old.size)) {
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(*at), old.size, '\0');
        }
        for (std::size_t i = 0; i < image.sections.size(); ++i) {
            const PeSection& s = image.sections[i];
            if (old.rva >= s.virtualAddress && old.rva - s.virtualAddress < s.virtualSize) {
                flags = s.characteristics; // as the linker made the old one
                // Tools that find the resources by the section's name find the new ones.
                if (s.name == ".rsrc") {
                    out.replace(image.sectionTableOffset + i * kSectionHeaderSize, 8, ".oldrsrc");
                }
            }
        }
    }
    std::string entry(".rsrc\0\0\0", 8);
    AppendLittleEndian(entry, static_cast<uint32_t>(section.size()));
    AppendLittleEndian(entry, rva);
    AppendLittleEndian(entry, static_cast<uint32_t>(rawSize));
    AppendLittleEndian(entry, static_cast<uint32_t>(rawOffset));
    entry.append(12, '\0'); // relocations, line numbers and their counts
    AppendLittleEndian(entry, flags);
    out.replace(header, kSectionHeaderSize, entry);
    std::string count;
    AppendLittleEndian(count, static_cast<uint16_t>(image.sections.size() + 1));
    out.replace(image.coffOffset + 2, 2, count);
    put32(out, image.sizeOfImageOffset(), static_cast<uint32_t>(imageSize));
    const uint32_t initialized =
        ReadLittleEndian<uint32_t>(out, image.sizeOfInitializedDataOffset());
    put32(out, image.sizeOfInitializedDataOffset(),
          static_cast<uint32_t>(std::min<uint64_t>(UINT32_MAX, initialized + rawSize)));
    put32(out, image.directoryOffset(kResourceDirectory), rva);
    put32(out, image.directoryOffset(kResourceDirectory) + 4,
          static_cast<uint32_t>(section.size()));

    if (symbols != 0) {
        put32(out, image.coffOffset + 8, static_cast<uint32_t>(symbols + rawSize));
    }
    std::string padded = section;
    padded.resize(static_cast<std::size_t>(rawSize), '\0');
    out.insert(static_cast<std::size_t>(rawOffset), padded);
    return out;
}

} // namespace qly
