#include "bundle/version_info.h"

#include "bundle/byte_order.h"
#include "common/error.h"
#include "common/utf8.h"

namespace qly {

namespace {

constexpr uint32_t kSignature = 0xFEEF04BD;
constexpr uint32_t kStructVersion = 0x00010000;
constexpr std::size_t kFixedSize = 52;

void align4(std::string& out) {
    out.append((4 - out.size() % 4) % 4, '\0');
}

std::string utf16(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = NextUtf8(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            AppendLittleEndian(out, static_cast<uint16_t>(0xD800 + (c >> 10)));
            AppendLittleEndian(out, static_cast<uint16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            AppendLittleEndian(out, static_cast<uint16_t>(c));
        }
    }
    return out;
}

// A block: length, value length (in words for text), type, the key with its zero, padding,
// the value, padding, the children.
std::string block(std::string_view key, std::string_view value, uint16_t valueLength, bool text,
                  std::string_view children) {
    std::string out(6, '\0');
    out += utf16(key);
    out.append(2, '\0');
    align4(out);
    out += value;
    if (!children.empty()) {
        align4(out);
        out += children;
    }
    if (out.size() > 0xFFFF) {
        throw Error("the version resource's \"" + std::string(key) + "\" is too long");
    }
    std::string head;
    AppendLittleEndian(head, static_cast<uint16_t>(out.size()));
    AppendLittleEndian(head, valueLength);
    AppendLittleEndian(head, static_cast<uint16_t>(text ? 1 : 0));
    out.replace(0, 6, head);
    return out;
}

uint32_t high(const std::array<uint16_t, 4>& v) {
    return uint32_t{v[0]} << 16 | v[1];
}
uint32_t low(const std::array<uint16_t, 4>& v) {
    return uint32_t{v[2]} << 16 | v[3];
}

// One block as read: its key, value bytes and children's bytes.
struct Block {
    std::string key;
    std::string_view value;
    std::string_view children;
    std::size_t length = 0;
    bool text = false;
};

std::optional<Block> readBlock(std::string_view bytes) {
    if (bytes.size() < 6) {
        return std::nullopt;
    }
    Block b;
    b.length = ReadLittleEndian<uint16_t>(bytes, 0);
    const std::size_t valueLength = ReadLittleEndian<uint16_t>(bytes, 2);
    b.text = ReadLittleEndian<uint16_t>(bytes, 4) == 1;
    if (b.length < 6 || b.length > bytes.size()) {
        return std::nullopt;
    }
    bytes = bytes.substr(0, b.length);
    std::size_t at = 6;
    for (;; at += 2) {
        if (at + 2 > bytes.size()) {
            return std::nullopt;
        }
        const auto unit = ReadLittleEndian<uint16_t>(bytes, at);
        if (unit == 0) {
            break;
        }
        AppendUtf8(b.key, unit); // keys are plain ASCII names
    }
    at = (at + 2 + 3) / 4 * 4;
    const std::size_t valueBytes = b.text ? valueLength * 2 : valueLength;
    if (at > bytes.size() || valueBytes > bytes.size() - at) {
        return std::nullopt;
    }
    b.value = bytes.substr(at, valueBytes);
    at = (at + valueBytes + 3) / 4 * 4;
    b.children = at < bytes.size() ? bytes.substr(at) : std::string_view{};
    return b;
}

// The blocks one after another in bytes, each starting on a 4-byte boundary.
std::vector<Block> children(std::string_view bytes) {
    std::vector<Block> out;
    while (bytes.size() >= 6) {
        const std::optional<Block> b = readBlock(bytes);
        if (!b) {
            break;
        }
        out.push_back(*b);
        const std::size_t next = (b->length + 3) / 4 * 4;
        bytes = next < bytes.size() ? bytes.substr(next) : std::string_view{};
    }
    return out;
}

std::string textOf(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        char32_t unit = ReadLittleEndian<uint16_t>(value, i);
        if (unit == 0) {
            break;
        }
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < value.size()) {
            const char32_t next = ReadLittleEndian<uint16_t>(value, i + 2);
            if (next >= 0xDC00 && next < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

} // namespace

std::optional<std::string> VersionInfo::string(std::string_view name) const {
    for (const auto& [key, value] : strings) {
        if (key == name) {
            return value;
        }
    }
    return std::nullopt;
}

void VersionInfo::setString(const std::string& name, const std::string& value) {
    for (auto& [key, old] : strings) {
        if (key == name) {
            old = value;
            return;
        }
    }
    strings.emplace_back(name, value);
}

std::string EncodeVersionInfo(const VersionInfo& info) {
    std::string fixed;
    for (const uint32_t v :
         {kSignature, kStructVersion, high(info.fileVersion), low(info.fileVersion),
          high(info.productVersion), low(info.productVersion), info.fileFlagsMask, info.fileFlags,
          info.fileOs, info.fileType, info.fileSubtype, 0u, 0u}) {
        AppendLittleEndian(fixed, v);
    }
    std::string strings;
    for (const auto& [name, value] : info.strings) {
        align4(strings);
        const std::string text = utf16(value) + std::string(2, '\0');
        strings += block(name, text, static_cast<uint16_t>(text.size() / 2), true, {});
    }
    std::string translation;
    for (const uint32_t t : info.translations) {
        AppendLittleEndian(translation, t);
    }
    std::string children =
        block("StringFileInfo", {}, 0, true, block(info.table, {}, 0, true, strings));
    align4(children);
    children += block(
        "VarFileInfo", {}, 0, true,
        block("Translation", translation, static_cast<uint16_t>(translation.size()), false, {}));
    return block("VS_VERSION_INFO", fixed, kFixedSize, false, children);
}

std::optional<VersionInfo> DecodeVersionInfo(std::string_view bytes) {
    const std::optional<Block> root = readBlock(bytes);
    if (!root || root->key != "VS_VERSION_INFO" || root->value.size() < kFixedSize ||
        ReadLittleEndian<uint32_t>(root->value, 0) != kSignature) {
        return std::nullopt;
    }
    VersionInfo info;
    const auto word = [&](std::size_t n) { return ReadLittleEndian<uint32_t>(root->value, n * 4); };
    const auto parts = [](uint32_t hi, uint32_t lo) {
        return std::array<uint16_t, 4>{
            static_cast<uint16_t>(hi >> 16), static_cast<uint16_t>(hi & 0xFFFF),
            static_cast<uint16_t>(lo >> 16), static_cast<uint16_t>(lo & 0xFFFF)};
    };
    info.fileVersion = parts(word(2), word(3));
    info.productVersion = parts(word(4), word(5));
    info.fileFlagsMask = word(6);
    info.fileFlags = word(7);
    info.fileOs = word(8);
    info.fileType = word(9);
    info.fileSubtype = word(10);
    info.translations.clear();
    bool tableFound = false;
    for (const Block& child : children(root->children)) {
        if (child.key == "StringFileInfo" && !tableFound) {
            const std::vector<Block> tables = children(child.children);
            if (tables.empty()) {
                continue;
            }
            tableFound = true;
            info.table = tables.front().key;
            for (const Block& s : children(tables.front().children)) {
                info.strings.emplace_back(s.key, textOf(s.value));
            }
        } else if (child.key == "VarFileInfo") {
            for (const Block& var : children(child.children)) {
                for (std::size_t i = 0; var.key == "Translation" && i + 4 <= var.value.size();
                     i += 4) {
                    info.translations.push_back(ReadLittleEndian<uint32_t>(var.value, i));
                }
            }
        }
    }
    return info;
}

} // namespace qly
