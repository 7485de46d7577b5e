#include "bundle/icon_file.h"

#include "bundle/byte_order.h"

namespace qly {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kFileEntrySize = 16;
constexpr uint16_t kUsEnglish = 0x0409;
constexpr std::size_t kBitmapHeaderSize = 40;

IconFileRead refused(std::string problem) {
    return {{}, std::move(problem)};
}

} // namespace

IconFileRead ReadIconFile(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || ReadLittleEndian<uint16_t>(bytes, 0) != 0 ||
        ReadLittleEndian<uint16_t>(bytes, 2) != 1) {
        return refused("it does not start like an icon file");
    }
    const std::size_t count = ReadLittleEndian<uint16_t>(bytes, 4);
    if (count == 0) {
        return refused("it holds no picture");
    }
    const std::size_t entriesEnd = kHeaderSize + count * kFileEntrySize;
    if (entriesEnd > bytes.size()) {
        return refused("its list of " + std::to_string(count) + " pictures is cut off");
    }
    IconFileRead out;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = kHeaderSize + i * kFileEntrySize;
        IconPicture p;
        p.width = static_cast<uint8_t>(bytes[e]);
        p.height = static_cast<uint8_t>(bytes[e + 1]);
        p.colors = static_cast<uint8_t>(bytes[e + 2]);
        p.planes = ReadLittleEndian<uint16_t>(bytes, e + 4);
        p.bitCount = ReadLittleEndian<uint16_t>(bytes, e + 6);
        const std::size_t size = ReadLittleEndian<uint32_t>(bytes, e + 8);
        const std::size_t offset = ReadLittleEndian<uint32_t>(bytes, e + 12);
        const std::string which = "picture " + std::to_string(i + 1);
        if (offset < entriesEnd || offset > bytes.size() || size > bytes.size() - offset) {
            return refused(which + " lies outside the file");
        }
        p.bytes = std::string(bytes.substr(offset, size));
        const bool png = p.bytes.starts_with("\x89PNG\r\n\x1A\n");
        const bool bitmap = p.bytes.size() >= kBitmapHeaderSize &&
                            ReadLittleEndian<uint32_t>(p.bytes, 0) == kBitmapHeaderSize;
        if (!png && !bitmap) {
            return refused(which + " is neither a PNG nor a bitmap");
        }
        out.pictures.push_back(std::move(p));
    }
    return out;
}

void ReplaceIcons(ResourceTree& tree, const std::vector<IconPicture>& pictures) {
    ResourceKey groupName = ResourceKey::Id(1);
    ResourceKey language = ResourceKey::Id(kUsEnglish);
    if (const auto groups = tree.find(ResourceKey::Id(kResourceGroupIcon));
        groups != tree.end() && !groups->second.empty() &&
        !groups->second.begin()->second.empty()) {
        groupName = groups->second.begin()->first;
        language = groups->second.begin()->second.begin()->first;
    }
    tree.erase(ResourceKey::Id(kResourceIcon));
    tree.erase(ResourceKey::Id(kResourceGroupIcon));

    std::string group;
    AppendLittleEndian<uint16_t>(group, 0);
    AppendLittleEndian<uint16_t>(group, 1);
    AppendLittleEndian(group, static_cast<uint16_t>(pictures.size()));
    ResourceNames& icons = tree[ResourceKey::Id(kResourceIcon)];
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const IconPicture& p = pictures[i];
        const auto id = static_cast<uint16_t>(i + 1);
        group += static_cast<char>(p.width);
        group += static_cast<char>(p.height);
        group += static_cast<char>(p.colors);
        group += '\0';
        AppendLittleEndian(group, p.planes);
        AppendLittleEndian(group, p.bitCount);
        AppendLittleEndian(group, static_cast<uint32_t>(p.bytes.size()));
        AppendLittleEndian(group, id);
        icons[ResourceKey::Id(id)][language] = ResourceData{p.bytes, 0};
    }
    tree[ResourceKey::Id(kResourceGroupIcon)][groupName][language] = ResourceData{group, 0};
}

} // namespace qly
