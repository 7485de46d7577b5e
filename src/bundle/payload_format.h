// The payload packed behind the installer's exe:
//
//   header   "QLYPACK" 0x1A, u32 format version, u32 zero                      (16 bytes)
//   data     every file's bytes as they are, one after another
//   index    per entry: u8 kind (0 file, 1 folder), u32 name length, the name (UTF-8, "\"
//            between folders, relative to the bundle folder), u64 offset of the data from
//            the header's start, u64 size, the data's SHA-256 (zeros for a folder)
//   padding  zeros, so that the whole exe ends on a multiple of 8 bytes
//   trailer  u64 payload size (header to trailer end), u64 index offset, u64 index size,
//            u32 entry count, u32 format version, the index's SHA-256, "QLYPEND" 0x1A
//                                                                              (72 bytes)
// Integers are little-endian. The trailer closes the file, or stands just before a
// certificate table that a signing tool appended later, so it is found from the end.
#pragma once

#include "platform/sha256.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

inline constexpr std::string_view kPayloadMagic{"QLYPACK\x1A", 8};
inline constexpr std::string_view kTrailerMagic{"QLYPEND\x1A", 8};
inline constexpr uint32_t kPayloadVersion = 1;
inline constexpr int64_t kPayloadHeaderSize = 16;
inline constexpr int64_t kPayloadTrailerSize = 72;
// An index beyond this is not one we wrote (20,000 files take about 2 MiB).
inline constexpr int64_t kMaxIndexSize = int64_t{256} << 20;

enum class PayloadEntryKind : uint8_t { File = 0, Folder = 1 };

struct PayloadEntry {
    std::string name;
    PayloadEntryKind kind = PayloadEntryKind::File;
    int64_t offset = 0; // from the payload header's start
    int64_t size = 0;
    Sha256Digest digest{};
};

struct PayloadTrailer {
    int64_t payloadSize = 0;
    int64_t indexOffset = 0;
    int64_t indexSize = 0;
    uint32_t entryCount = 0;
    uint32_t version = kPayloadVersion;
    Sha256Digest indexDigest{};
};

std::string EncodePayloadHeader();
// Throws Error when bytes (kPayloadHeaderSize of them) are not a header of this version.
void CheckPayloadHeader(std::span<const char> bytes);

std::string EncodeIndex(const std::vector<PayloadEntry>& entries);
// The entries of an index. Throws Error, naming the fault, unless every entry is sound: a
// known kind, a name BundleNameProblem accepts, no two names alike in any letter case, no
// entry below a file, file data lying in order between the header and dataEnd without
// overlapping, and the bytes used up exactly by count entries.
std::vector<PayloadEntry> DecodeIndex(std::span<const char> bytes, uint32_t count, int64_t dataEnd);
// Throws Error when entries could not be decoded from their own index (the writer's check).
void CheckEntries(const std::vector<PayloadEntry>& entries, int64_t dataEnd);

std::string EncodeTrailer(const PayloadTrailer& trailer);
// Throws Error when bytes (kPayloadTrailerSize of them) lack the magic, carry another format
// version or hold sizes that do not fit in a file.
PayloadTrailer DecodeTrailer(std::span<const char> bytes);
// True when bytes end with the trailer's magic.
bool EndsWithTrailerMagic(std::span<const char> bytes);

} // namespace qly
