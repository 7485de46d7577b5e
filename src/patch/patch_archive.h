// Patch archives: for every file a patch touches, how its new version is made (whole, or a
// delta against the old version) or that it is removed, with the size and SHA-256 of the old
// file it expects and of the new file it produces. The data lives in four sections (the three
// streams of the deltas and the whole files), each cut into blocks compressed on their own.
//
// Layout (integers little-endian):
//   header      "QLYPATCH", u32 version (1), u32 entries, u32 blocks, u32 directory bytes,
//               u32 CRC-32 of the directory and the block table
//   directory   the entries, one after the other (see PatchEntry)
//   block table per block: u8 section, u8 codec, u32 raw bytes, u32 packed bytes,
//               u32 CRC-32 of the packed bytes
//   blocks      the packed blocks in table order
#pragma once

#include "patch/block_codec.h"
#include "patch/delta_decoder.h"
#include "platform/file_system.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"
#include "platform/threads.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qly::patch {

// The archive's name in a bundle folder, beside qlypatch.ini, in place of the update\ tree.
inline constexpr const char* kBundleArchiveName = "update.qlypatch";

inline constexpr char kArchiveMagic[8] = {'Q', 'L', 'Y', 'P', 'A', 'T', 'C', 'H'};
inline constexpr uint32_t kArchiveVersion = 1;
inline constexpr std::size_t kHeaderSize = 28;

enum class Section : uint8_t { Control = 0, Differences = 1, Extra = 2, Whole = 3 };
inline constexpr std::size_t kSectionCount = 4;

enum class EntryKind : uint8_t {
    Whole = 1,   // the new file, whole
    Delta = 2,   // a delta against the old file
    Removed = 3, // the old file goes
};

// Bytes of one section's uncompressed stream.
struct Range {
    uint64_t offset = 0;
    uint64_t length = 0;
    bool operator==(const Range&) const = default;
};

struct FileState {
    uint64_t size = 0;
    Sha256Digest sha256{};
    bool operator==(const FileState&) const = default;
};

struct PatchEntry {
    EntryKind kind = EntryKind::Whole;
    std::string name;    // "\" separators; the new spelling (for Removed, the old one)
    std::string oldName; // the old spelling when it differs from name in letter case only
    std::optional<FileState> oldFile;    // what the game holds before; absent for added files
    FileState newFile;                   // what the patch produces; unused for Removed
    bool x86 = false;                    // the delta is of the x86-transformed files
    Range control, differences, extra;   // Delta only
    std::optional<uint64_t> wholeOffset; // in Section::Whole, newFile.size bytes
    // Delta only: how its difference bytes add to the old bytes.
    DiffArithmetic arithmetic = DiffArithmetic::Bytewise;
    bool operator==(const PatchEntry&) const = default;

    // The name the file has in the game before the patch.
    const std::string& nameBefore() const { return oldName.empty() ? name : oldName; }
};

struct BlockInfo {
    Section section = Section::Whole;
    Codec codec = Codec::Stored;
    uint32_t rawSize = 0;
    uint32_t packedSize = 0;
    uint32_t crc = 0;
    uint64_t archiveOffset = 0; // where the packed bytes start in the archive
    uint64_t sectionOffset = 0; // where the raw bytes start in their section
};

// An archive's directory and block table, read and checked: every name is one Windows allows
// and no two meet in any letter case, every range lies inside its section, every block inside
// the archive, and every size adds up. The blocks themselves are read as they are needed.
class PatchArchive {
public:
    // Throws Error (Damaged) for anything that is not a well-formed archive.
    static PatchArchive Read(RandomAccessFile& file);

    const std::vector<PatchEntry>& entries() const { return entries_; }
    const std::vector<BlockInfo>& blocks() const { return blocks_; }
    uint64_t sectionSize(Section s) const { return sectionSizes_[static_cast<std::size_t>(s)]; }

private:
    std::vector<PatchEntry> entries_;
    std::vector<BlockInfo> blocks_;
    std::array<uint64_t, kSectionCount> sectionSizes_{};
};

// Reads the block at index into out (resized to its raw size), decoding its packed bytes as
// they are read; throws Error (Damaged) when they do not match its CRC or do not decode to it.
// piece holds a few KiB of packed bytes at a time: a caller that reads many blocks passes the
// same string each time, so that its memory is reused.
void ReadBlock(const PatchArchive& archive, RandomAccessFile& file, std::size_t index,
               std::string& out, std::string& piece);
void ReadBlock(const PatchArchive& archive, RandomAccessFile& file, std::size_t index,
               std::string& out);

// Reads one range of a section in order, holding one decoded block at a time.
class SectionReader : public ByteSource {
public:
    SectionReader(const PatchArchive& archive, RandomAccessFile& file, Section section,
                  Range range);
    // Fills out with the next bytes of the range. Throws Error (Damaged) past its end.
    void read(std::span<char> out) override;
    uint64_t remaining() const override { return end_ - position_; }
    // Moves to another range of the same section, keeping the block held.
    void reset(Range range);

private:
    const PatchArchive& archive_;
    RandomAccessFile& file_;
    std::vector<std::size_t> blockIndexes_; // of the section, in order
    uint64_t position_;
    uint64_t end_;
    std::size_t current_ = SIZE_MAX; // the block held in buffer_
    std::string buffer_;
    std::string piece_;
};

// Builds an archive: entries and section data go in as the maker produces them; full blocks
// are compressed and written to spill at once, so memory stays at one block per section.
// Given threads, a block is compressed beside the caller while it goes on (one at a time),
// and finish() compresses two at once, halving a last block of difference bytes that is large.
class PatchArchiveWriter {
public:
    explicit PatchArchiveWriter(File& spill, uint32_t blockSize = kMaxBlockSize,
                                ThreadService* threads = nullptr);
    ~PatchArchiveWriter();
    PatchArchiveWriter(const PatchArchiveWriter&) = delete;
    PatchArchiveWriter& operator=(const PatchArchiveWriter&) = delete;

    // Appends bytes to a section and returns where they went.
    Range append(Section section, std::span<const char> bytes);
    void addEntry(PatchEntry entry);
    // The block size of one section from now on (1 to kMaxBlockSize); a partial block already
    // pending is kept whole.
    void setBlockSize(Section section, uint32_t blockSize);
    // Flushes the last blocks and returns the header, directory and block table, which go
    // before the spilled blocks in the archive.
    std::string finish();

    const std::vector<BlockInfo>& blocks() const { return blocks_; }

private:
    struct Compressing;

    void flush(Section section, std::size_t parts = 1);
    void compress(Section section, std::string raw, std::size_t inFlight);
    void writeOldest();

    File& spill_;
    ThreadService* threads_;
    std::deque<std::unique_ptr<Compressing>> compressing_; // in block order
    std::array<uint32_t, kSectionCount> blockSizes_;
    std::array<std::string, kSectionCount> pending_;
    std::array<uint64_t, kSectionCount> sectionSizes_{};
    std::vector<PatchEntry> entries_;
    std::vector<BlockInfo> blocks_;
};

// The directory bytes of entries, as the archive stores them.
std::string EncodeDirectory(const std::vector<PatchEntry>& entries);

} // namespace qly::patch
