#include "bundle/payload_format.h"

#include "bundle/bundle_name.h"
#include "bundle/byte_order.h"
#include "common/error.h"

#include <algorithm>
#include <limits>
#include <map>

namespace qly {

namespace {

// kind, name length, offset, size and digest around the name.
constexpr std::size_t kEntryFixedBytes = 1 + 4 + 8 + 8 + 32;

[[noreturn]] void damaged(const std::string& what) {
    throw Error("damaged payload: " + what);
}

bool fitsInt64(uint64_t value) {
    return value <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
}

} // namespace

std::string EncodePayloadHeader() {
    std::string out(kPayloadMagic);
    AppendLittleEndian<uint32_t>(out, kPayloadVersion);
    AppendLittleEndian<uint32_t>(out, 0);
    return out;
}

void CheckPayloadHeader(std::span<const char> bytes) {
    if (bytes.size() < static_cast<std::size_t>(kPayloadHeaderSize) ||
        std::string_view(bytes.data(), kPayloadMagic.size()) != kPayloadMagic) {
        damaged("no header where the trailer says the payload starts");
    }
    if (ReadLittleEndian<uint32_t>(bytes, 8) != kPayloadVersion) {
        damaged("unknown format version in the header");
    }
}

std::string EncodeIndex(const std::vector<PayloadEntry>& entries) {
    std::string out;
    for (const PayloadEntry& e : entries) {
        AppendLittleEndian<uint8_t>(out, static_cast<uint8_t>(e.kind));
        AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(e.name.size()));
        out += e.name;
        AppendLittleEndian<uint64_t>(out, static_cast<uint64_t>(e.offset));
        AppendLittleEndian<uint64_t>(out, static_cast<uint64_t>(e.size));
        out.append(reinterpret_cast<const char*>(e.digest.data()), e.digest.size());
    }
    return out;
}

void CheckEntries(const std::vector<PayloadEntry>& entries, int64_t dataEnd) {
    std::map<std::string, PayloadEntryKind> kinds;
    int64_t previousEnd = kPayloadHeaderSize;
    for (const PayloadEntry& e : entries) {
        if (auto problem = BundleNameProblem(e.name)) {
            damaged(*problem + ": " + e.name);
        }
        if (!kinds.emplace(BundlePathKey(e.name), e.kind).second) {
            damaged("a second entry named " + e.name);
        }
        if (e.kind == PayloadEntryKind::Folder) {
            if (e.offset != 0 || e.size != 0) {
                damaged("a folder with data: " + e.name);
            }
            continue;
        }
        // The data lies after the previous file's and ends before the index; subtraction
        // keeps every comparison clear of overflow.
        if (e.offset < previousEnd || e.offset > dataEnd || e.size < 0 ||
            e.size > dataEnd - e.offset) {
            damaged("data outside its place: " + e.name);
        }
        previousEnd = e.offset + e.size;
    }
    // Nothing may stand below a file: "a" as a file and "a\b" would need "a" as a folder.
    for (const PayloadEntry& e : entries) {
        for (std::size_t slash = e.name.find('\\'); slash != std::string::npos;
             slash = e.name.find('\\', slash + 1)) {
            auto parent = kinds.find(BundlePathKey(e.name.substr(0, slash)));
            if (parent != kinds.end() && parent->second == PayloadEntryKind::File) {
                damaged("an entry below a file: " + e.name);
            }
        }
    }
}

std::vector<PayloadEntry> DecodeIndex(std::span<const char> bytes, uint32_t count,
                                      int64_t dataEnd) {
    if (count > bytes.size() / kEntryFixedBytes) {
        damaged("more entries than the index can hold");
    }
    std::vector<PayloadEntry> entries;
    entries.reserve(count);
    std::size_t at = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < kEntryFixedBytes) {
            damaged("the index ends inside an entry");
        }
        PayloadEntry e;
        const auto kind = ReadLittleEndian<uint8_t>(bytes, at);
        if (kind > static_cast<uint8_t>(PayloadEntryKind::Folder)) {
            damaged("an entry of unknown kind");
        }
        e.kind = static_cast<PayloadEntryKind>(kind);
        const auto nameLength = ReadLittleEndian<uint32_t>(bytes, at + 1);
        at += 5;
        if (nameLength > bytes.size() - at - (kEntryFixedBytes - 5)) {
            damaged("a name running past the index");
        }
        e.name.assign(bytes.data() + at, nameLength);
        at += nameLength;
        const auto offset = ReadLittleEndian<uint64_t>(bytes, at);
        const auto size = ReadLittleEndian<uint64_t>(bytes, at + 8);
        if (!fitsInt64(offset) || !fitsInt64(size)) {
            damaged("a size beyond any file: " + e.name);
        }
        e.offset = static_cast<int64_t>(offset);
        e.size = static_cast<int64_t>(size);
        std::copy_n(bytes.data() + at + 16, e.digest.size(),
                    reinterpret_cast<char*>(e.digest.data()));
        at += 16 + e.digest.size();
        entries.push_back(std::move(e));
    }
    if (at != bytes.size()) {
        damaged("bytes left over after the index");
    }
    CheckEntries(entries, dataEnd);
    return entries;
}

std::string EncodeTrailer(const PayloadTrailer& t) {
    std::string out;
    AppendLittleEndian<uint64_t>(out, static_cast<uint64_t>(t.payloadSize));
    AppendLittleEndian<uint64_t>(out, static_cast<uint64_t>(t.indexOffset));
    AppendLittleEndian<uint64_t>(out, static_cast<uint64_t>(t.indexSize));
    AppendLittleEndian<uint32_t>(out, t.entryCount);
    AppendLittleEndian<uint32_t>(out, t.version);
    out.append(reinterpret_cast<const char*>(t.indexDigest.data()), t.indexDigest.size());
    out += kTrailerMagic;
    return out;
}

bool EndsWithTrailerMagic(std::span<const char> bytes) {
    return bytes.size() >= kTrailerMagic.size() &&
           std::string_view(bytes.data() + bytes.size() - kTrailerMagic.size(),
                            kTrailerMagic.size()) == kTrailerMagic;
}

PayloadTrailer DecodeTrailer(std::span<const char> bytes) {
    if (bytes.size() != static_cast<std::size_t>(kPayloadTrailerSize) ||
        !EndsWithTrailerMagic(bytes)) {
        damaged("no trailer");
    }
    const auto payloadSize = ReadLittleEndian<uint64_t>(bytes, 0);
    const auto indexOffset = ReadLittleEndian<uint64_t>(bytes, 8);
    const auto indexSize = ReadLittleEndian<uint64_t>(bytes, 16);
    PayloadTrailer t;
    t.entryCount = ReadLittleEndian<uint32_t>(bytes, 24);
    t.version = ReadLittleEndian<uint32_t>(bytes, 28);
    if (t.version != kPayloadVersion) {
        damaged("unknown format version " + std::to_string(t.version));
    }
    if (!fitsInt64(payloadSize) || !fitsInt64(indexOffset) || !fitsInt64(indexSize)) {
        damaged("sizes beyond any file in the trailer");
    }
    t.payloadSize = static_cast<int64_t>(payloadSize);
    t.indexOffset = static_cast<int64_t>(indexOffset);
    t.indexSize = static_cast<int64_t>(indexSize);
    std::copy_n(bytes.data() + 32, t.indexDigest.size(),
                reinterpret_cast<char*>(t.indexDigest.data()));
    return t;
}

} // namespace qly
