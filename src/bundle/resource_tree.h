// The resources of a Windows executable as a tree of type, name and language, read from the
// resource section with every offset checked, and written back as a new section.
#pragma once

#include "bundle/pe_image.h"

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qly {

inline constexpr uint16_t kResourceIcon = 3;
inline constexpr uint16_t kResourceGroupIcon = 14;
inline constexpr uint16_t kResourceVersion = 16;

// A type, name or language: a number, or a name of UTF-16 code units. Named ones sort before
// numbered ones, as the directories must list them.
struct ResourceKey {
    bool named = false;
    std::u16string name;
    uint16_t id = 0;

    static ResourceKey Id(uint16_t id) { return {false, {}, id}; }
    auto operator<=>(const ResourceKey& other) const {
        if (named != other.named) {
            return named ? std::strong_ordering::less : std::strong_ordering::greater;
        }
        return named ? name <=> other.name : id <=> other.id;
    }
    bool operator==(const ResourceKey&) const = default;
};

struct ResourceData {
    std::string bytes;
    uint32_t codePage = 0;
    bool operator==(const ResourceData&) const = default;
};

using ResourceLanguages = std::map<ResourceKey, ResourceData>;
using ResourceNames = std::map<ResourceKey, ResourceLanguages>;
using ResourceTree = std::map<ResourceKey, ResourceNames>;

struct ResourceTreeRead {
    std::optional<ResourceTree> tree; // empty (not missing) for an image without resources
    std::string problem;
};

// The resource tree of image (whose bytes are file). Refuses, with the reason, directories or
// data outside the sections, a directory reached twice or nested deeper than three levels, and
// more than 64 MiB of data in all.
ResourceTreeRead ReadResourceTree(std::string_view file, const PeImage& image);

// The tree as a resource section that will be loaded at rva: the directories, their data
// entries, the names, then the data, each aligned to 8 bytes.
std::string EncodeResourceTree(const ResourceTree& tree, uint32_t rva);

} // namespace qly
