#include "bundle/pe_layout.h"

#include "bundle/byte_order.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>

namespace qly {

namespace {

constexpr int64_t kCoffHeaderSize = 20;
constexpr int64_t kSectionHeaderSize = 40;
constexpr int64_t kSymbolSize = 18;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;

// Reads n bytes at offset, or nothing when they are not all in the file.
std::optional<std::string> bytesAt(RandomAccessFile& file, int64_t offset, int64_t n) {
    if (offset < 0 || n < 0 || offset > file.size() || n > file.size() - offset) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    file.readAt(offset, out);
    return out;
}

template <typename T> T at(const std::string& bytes, std::size_t offset) {
    return ReadLittleEndian<T>(bytes, offset);
}

std::optional<PeLayout> readLayout(RandomAccessFile& file) {
    const auto dos = bytesAt(file, 0, 64);
    if (!dos || dos->compare(0, 2, "MZ") != 0) {
        return std::nullopt;
    }
    const int64_t peOffset = at<uint32_t>(*dos, 0x3C);
    const auto coff = bytesAt(file, peOffset, 4 + kCoffHeaderSize);
    if (!coff || coff->compare(0, 4, std::string("PE\0\0", 4)) != 0) {
        return std::nullopt;
    }
    const int64_t sections = at<uint16_t>(*coff, 4 + 2);
    const int64_t symbolTable = at<uint32_t>(*coff, 4 + 8);
    const int64_t symbols = at<uint32_t>(*coff, 4 + 12);
    const int64_t optionalSize = at<uint16_t>(*coff, 4 + 16);
    const int64_t optionalOffset = peOffset + 4 + kCoffHeaderSize;
    const auto optional = bytesAt(file, optionalOffset, optionalSize);
    if (!optional || optionalSize < 2) {
        return std::nullopt;
    }
    const uint16_t magic = at<uint16_t>(*optional, 0);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return std::nullopt;
    }
    const std::size_t countField = magic == kPe32Magic ? 92 : 108;
    const std::size_t directories = countField + 4;
    if (optional->size() < directories || optional->size() < 64) {
        return std::nullopt;
    }

    PeLayout layout;
    layout.imageEnd = at<uint32_t>(*optional, 60); // SizeOfHeaders
    const auto table = bytesAt(file, optionalOffset + optionalSize, sections * kSectionHeaderSize);
    if (!table) {
        return std::nullopt;
    }
    for (int64_t s = 0; s < sections; ++s) {
        const auto base = static_cast<std::size_t>(s * kSectionHeaderSize);
        const int64_t rawSize = at<uint32_t>(*table, base + 16);
        const int64_t rawOffset = at<uint32_t>(*table, base + 20);
        if (rawSize > 0) {
            layout.imageEnd = std::max(layout.imageEnd, rawOffset + rawSize);
        }
    }
    // The symbol table of an unstripped build follows the sections, its strings right after.
    if (symbolTable != 0) {
        const int64_t stringsAt = symbolTable + symbols * kSymbolSize;
        int64_t end = stringsAt;
        if (const auto length = bytesAt(file, stringsAt, 4)) {
            end += std::max<int64_t>(4, at<uint32_t>(*length, 0));
        }
        layout.imageEnd = std::max(layout.imageEnd, end);
    }

    const uint32_t count = at<uint32_t>(*optional, countField);
    const std::size_t entry = directories + kSecurityDirectory * 8;
    if (count > kSecurityDirectory && optional->size() >= entry + 8) {
        layout.securityEntryOffset = optionalOffset + static_cast<int64_t>(entry);
        const int64_t offset = at<uint32_t>(*optional, entry);
        const int64_t size = at<uint32_t>(*optional, entry + 4);
        if (offset != 0 && size != 0 && offset >= layout.imageEnd && offset <= file.size() &&
            size <= file.size() - offset) {
            layout.certificates = CertificateTable{offset, size};
        }
    }
    return layout;
}

} // namespace

std::optional<PeLayout> ReadPeLayout(RandomAccessFile& file) {
    try {
        return readLayout(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace qly
