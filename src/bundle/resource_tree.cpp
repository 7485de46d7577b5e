#include "bundle/resource_tree.h"

#include "bundle/byte_order.h"

#include <set>
#include <type_traits>
#include <vector>

namespace qly {

namespace {

constexpr std::size_t kDirectorySize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000;
constexpr std::size_t kMaxDataBytes = std::size_t{64} << 20;
constexpr int kLevels = 3; // type, name, language

class TreeReader {
public:
    TreeReader(std::string_view file, const PeImage& image, uint32_t rva)
        : file_(file), image_(image), rva_(rva) {}

    // The directory at offset (from the start of the resources) and everything below it.
    template <typename Node> bool directory(uint32_t offset, int level, Node& out);

    std::string problem;

private:
    // n bytes at offset from the start of the resources, or nothing (with the problem set).
    std::optional<std::string_view> bytesAt(uint64_t offset, uint64_t n, const char* what) {
        const auto at = offset + n <= UINT32_MAX
                            ? image_.fileOffsetOf(static_cast<uint32_t>(rva_ + offset),
                                                  static_cast<uint32_t>(n))
                            : std::nullopt;
        if (!at || rva_ + offset > UINT32_MAX) {
            problem = std::string(what) + " lies outside the program's sections";
            return std::nullopt;
        }
        return file_.substr(*at, n);
    }
    bool key(uint32_t nameField, ResourceKey& out);
    bool leaf(uint32_t offset, ResourceData& out);

    std::string_view file_;
    const PeImage& image_;
    uint64_t rva_;
    std::set<uint32_t> visited_;
    std::size_t dataBytes_ = 0;
};

bool TreeReader::key(uint32_t nameField, ResourceKey& out) {
    if ((nameField & kHighBit) == 0) {
        out = ResourceKey::Id(static_cast<uint16_t>(nameField));
        return nameField <= 0xFFFF || (problem = "a resource number is out of range", false);
    }
    const uint32_t offset = nameField & ~kHighBit;
    const auto length = bytesAt(offset, 2, "a resource name");
    if (!length) {
        return false;
    }
    const uint32_t units = ReadLittleEndian<uint16_t>(*length, 0);
    const auto text = bytesAt(uint64_t{offset} + 2, uint64_t{units} * 2, "a resource name");
    if (!text) {
        return false;
    }
    out.named = true;
    out.name.clear();
    for (uint32_t i = 0; i < units; ++i) {
        out.name += static_cast<char16_t>(ReadLittleEndian<uint16_t>(*text, i * 2));
    }
    return true;
}

bool TreeReader::leaf(uint32_t offset, ResourceData& out) {
    const auto entry = bytesAt(offset, kDataEntrySize, "a resource's data entry");
    if (!entry) {
        return false;
    }
    const uint32_t dataRva = ReadLittleEndian<uint32_t>(*entry, 0);
    const uint32_t size = ReadLittleEndian<uint32_t>(*entry, 4);
    out.codePage = ReadLittleEndian<uint32_t>(*entry, 8);
    if (size > kMaxDataBytes - dataBytes_) {
        problem = "the resources hold more than 64 MiB";
        return false;
    }
    const auto at = image_.fileOffsetOf(dataRva, size);
    if (!at) {
        problem = "a resource's data lies outside the program's sections";
        return false;
    }
    dataBytes_ += size;
    out.bytes = std::string(file_.substr(*at, size));
    return true;
}

template <typename Node> bool TreeReader::directory(uint32_t offset, int level, Node& out) {
    if (!visited_.insert(offset).second) {
        problem = "a resource directory is reached twice";
        return false;
    }
    const auto header = bytesAt(offset, kDirectorySize, "a resource directory");
    if (!header) {
        return false;
    }
    const std::size_t count = std::size_t{ReadLittleEndian<uint16_t>(*header, 12)} +
                              ReadLittleEndian<uint16_t>(*header, 14);
    const auto entries = bytesAt(uint64_t{offset} + kDirectorySize, count * kEntrySize,
                                 "a resource directory's entries");
    if (!entries) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t nameField = ReadLittleEndian<uint32_t>(*entries, i * kEntrySize);
        const uint32_t target = ReadLittleEndian<uint32_t>(*entries, i * kEntrySize + 4);
        ResourceKey name;
        if (!key(nameField, name)) {
            return false;
        }
        const bool isDirectory = (target & kHighBit) != 0;
        if (isDirectory != (level < kLevels)) {
            problem = level < kLevels ? "a resource directory names data where a directory "
                                        "belongs"
                                      : "the resource directories nest deeper than three levels";
            return false;
        }
        if constexpr (std::is_same_v<Node, ResourceLanguages>) {
            if (!leaf(target, out[name])) {
                return false;
            }
        } else if (!directory(target & ~kHighBit, level + 1, out[name])) {
            return false;
        }
    }
    return true;
}

// Section bytes grown by appending, with the offsets of what is appended.
struct SectionBuilder {
    std::string bytes;
    std::size_t append(std::string_view part) {
        const std::size_t at = bytes.size();
        bytes += part;
        bytes.append((8 - bytes.size() % 8) % 8, '\0');
        return at;
    }
    void put32(std::size_t at, uint32_t value) {
        std::string b;
        AppendLittleEndian(b, value);
        bytes.replace(at, 4, b);
    }
};

std::string directoryHeader(std::size_t named, std::size_t numbered) {
    std::string out;
    AppendLittleEndian<uint32_t>(out, 0); // characteristics
    AppendLittleEndian<uint32_t>(out, 0); // time stamp
    AppendLittleEndian<uint32_t>(out, 0); // version
    AppendLittleEndian(out, static_cast<uint16_t>(named));
    AppendLittleEndian(out, static_cast<uint16_t>(numbered));
    return out;
}

template <typename Node> std::size_t namedCount(const Node& node) {
    std::size_t n = 0;
    for (const auto& [key, child] : node) {
        n += key.named ? 1 : 0;
    }
    return n;
}

} // namespace

ResourceTreeRead ReadResourceTree(std::string_view file, const PeImage& image) {
    if (image.directories.size() <= kResourceDirectory ||
        image.directories[kResourceDirectory].rva == 0) {
        return {ResourceTree{}, {}};
    }
    TreeReader reader(file, image, image.directories[kResourceDirectory].rva);
    ResourceTree tree;
    if (!reader.directory(0, 1, tree)) {
        return {std::nullopt, reader.problem};
    }
    return {std::move(tree), {}};
}

std::string EncodeResourceTree(const ResourceTree& tree, uint32_t rva) {
    // Directories first (each with its entries), breadth first; the entries are filled in
    // once the places of what they point to are known.
    SectionBuilder out;
    struct Pending {
        std::size_t entry; // the offset of the entry's target field
        const ResourceLanguages* languages = nullptr;
        const ResourceNames* names = nullptr;
        const ResourceData* data = nullptr;
    };
    std::vector<std::pair<std::size_t, const ResourceKey*>> keys; // name fields to fill
    std::vector<Pending> level;
    const auto addDirectory = [&](const auto& node, std::vector<Pending>& next) {
        const std::size_t at = out.bytes.size();
        out.bytes += directoryHeader(namedCount(node), node.size() - namedCount(node));
        for (const auto& [key, child] : node) {
            const std::size_t entry = out.bytes.size();
            out.bytes.append(kEntrySize, '\0');
            keys.emplace_back(entry, &key);
            Pending pending{entry + 4};
            if constexpr (std::is_same_v<std::decay_t<decltype(child)>, ResourceNames>) {
                pending.names = &child;
            } else if constexpr (std::is_same_v<std::decay_t<decltype(child)>, ResourceLanguages>) {
                pending.languages = &child;
            } else {
                pending.data = &child;
            }
            next.push_back(pending);
        }
        return at;
    };
    addDirectory(tree, level);
    for (int depth = 0; depth < 2; ++depth) {
        std::vector<Pending> next;
        for (const Pending& p : level) {
            const std::size_t at =
                p.names ? addDirectory(*p.names, next) : addDirectory(*p.languages, next);
            out.put32(p.entry, static_cast<uint32_t>(at) | kHighBit);
        }
        level = std::move(next);
    }
    out.append({});
    std::vector<std::size_t> dataEntries;
    for (const Pending& p : level) {
        const std::size_t at = out.bytes.size();
        out.bytes.append(kDataEntrySize, '\0');
        out.put32(p.entry, static_cast<uint32_t>(at));
        dataEntries.push_back(at);
    }
    for (const auto& [field, key] : keys) {
        if (!key->named) {
            out.put32(field, key->id);
            continue;
        }
        std::string text;
        AppendLittleEndian(text, static_cast<uint16_t>(key->name.size()));
        for (const char16_t unit : key->name) {
            AppendLittleEndian(text, static_cast<uint16_t>(unit));
        }
        out.put32(field, static_cast<uint32_t>(out.append(text)) | kHighBit);
    }
    out.append({});
    for (std::size_t i = 0; i < level.size(); ++i) {
        const std::size_t at = out.append(level[i].data->bytes);
        out.put32(dataEntries[i], rva + static_cast<uint32_t>(at));
        out.put32(dataEntries[i] + 4, static_cast<uint32_t>(level[i].data->bytes.size()));
        out.put32(dataEntries[i] + 8, level[i].data->codePage);
    }
    return out.bytes;
}

} // namespace qly
