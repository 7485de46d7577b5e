#include "patch/patch_archive.h"

#include "bundle/bundle_name.h"
#include "bundle/byte_order.h"
#include "common/error.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

namespace qly::patch {

namespace {

constexpr std::size_t kBlockRecordSize = 14;
constexpr uint32_t kMaxEntries = 1u << 20;
constexpr uint32_t kMaxDirectoryBytes = 256u << 20;
constexpr uint64_t kMaxFileSize = uint64_t{1} << 48;
// The packed bytes of a block are read this many at a time.
constexpr std::size_t kReadPiece = 64u << 10;

constexpr uint8_t kHasOld = 1;
constexpr uint8_t kX86 = 2;
constexpr uint8_t kHasWhole = 4;
constexpr uint8_t kHasOldName = 8;
constexpr uint8_t kCarried = 16; // the delta's difference bytes carry (DiffArithmetic::Carried)
constexpr uint8_t kKnownFlags = kHasOld | kX86 | kHasWhole | kHasOldName | kCarried;

[[noreturn]] void damaged(const std::string& why) {
    throw Error("damaged patch archive: " + why, FailureKind::Damaged, 0, "");
}

// Reads integers and strings from a byte string, refusing to step past its end.
class Cursor {
public:
    explicit Cursor(std::span<const char> bytes) : bytes_(bytes) {}
    template <typename T> T number() {
        need(sizeof(T));
        const T v = ReadLittleEndian<T>(bytes_, pos_);
        pos_ += sizeof(T);
        return v;
    }
    std::string text(std::size_t n) {
        need(n);
        std::string s(bytes_.data() + pos_, n);
        pos_ += n;
        return s;
    }
    Sha256Digest digest() {
        need(32);
        Sha256Digest d;
        std::memcpy(d.data(), bytes_.data() + pos_, 32);
        pos_ += 32;
        return d;
    }
    bool atEnd() const { return pos_ == bytes_.size(); }

private:
    void need(std::size_t n) const {
        if (bytes_.size() - pos_ < n) {
            damaged("the directory ends inside an entry");
        }
    }
    std::span<const char> bytes_;
    std::size_t pos_ = 0;
};

void appendState(std::string& out, const FileState& s) {
    AppendLittleEndian<uint64_t>(out, s.size);
    out.append(reinterpret_cast<const char*>(s.sha256.data()), s.sha256.size());
}

FileState readState(Cursor& in) {
    FileState s;
    s.size = in.number<uint64_t>();
    s.sha256 = in.digest();
    if (s.size > kMaxFileSize) {
        damaged("a file size beyond any disk");
    }
    return s;
}

Range readRange(Cursor& in) {
    Range r;
    r.offset = in.number<uint64_t>();
    r.length = in.number<uint64_t>();
    return r;
}

bool inside(const Range& r, uint64_t sectionSize) {
    return r.offset <= sectionSize && r.length <= sectionSize - r.offset;
}

PatchEntry readEntry(Cursor& in) {
    PatchEntry e;
    const auto kind = in.number<uint8_t>();
    const auto flags = in.number<uint8_t>();
    if (kind < 1 || kind > 3 || (flags & ~kKnownFlags) != 0) {
        damaged("an entry of unknown kind");
    }
    e.kind = static_cast<EntryKind>(kind);
    e.name = in.text(in.number<uint16_t>());
    if (flags & kHasOldName) {
        e.oldName = in.text(in.number<uint16_t>());
    }
    if (flags & kHasOld) {
        e.oldFile = readState(in);
    }
    if (e.kind != EntryKind::Removed) {
        e.newFile = readState(in);
    }
    e.x86 = (flags & kX86) != 0;
    e.arithmetic = (flags & kCarried) != 0 ? DiffArithmetic::Carried : DiffArithmetic::Bytewise;
    if (e.kind == EntryKind::Delta) {
        e.control = readRange(in);
        e.differences = readRange(in);
        e.extra = readRange(in);
    }
    if (flags & kHasWhole) {
        e.wholeOffset = in.number<uint64_t>();
    }
    const bool consistent =
        (e.kind == EntryKind::Whole && e.wholeOffset && !e.x86 &&
         e.arithmetic == DiffArithmetic::Bytewise) ||
        (e.kind == EntryKind::Delta && e.oldFile) ||
        (e.kind == EntryKind::Removed && e.oldFile && !e.wholeOffset && !e.x86 &&
         e.arithmetic == DiffArithmetic::Bytewise && e.oldName.empty());
    if (!consistent) {
        damaged("an entry whose parts do not fit its kind");
    }
    return e;
}

void checkNames(const std::vector<PatchEntry>& entries) {
    std::set<std::string> keys;
    std::set<std::string> written;
    for (const PatchEntry& e : entries) {
        for (const std::string* n : {&e.name, &e.oldName}) {
            if (n->empty() && n == &e.oldName) {
                continue;
            }
            if (auto problem = BundleNameProblem(*n)) {
                damaged("the name \"" + *n + "\": " + *problem);
            }
        }
        const std::string key = BundlePathKey(e.name);
        if (!e.oldName.empty() && (BundlePathKey(e.oldName) != key || e.oldName == e.name)) {
            damaged("\"" + e.name + "\" renamed to more than another letter case");
        }
        if (!keys.insert(key).second) {
            damaged("\"" + e.name + "\" twice");
        }
        if (e.kind != EntryKind::Removed) {
            written.insert(key);
        }
    }
    // A file cannot be written where another written file needs a folder.
    for (const std::string& key : written) {
        for (std::size_t cut = key.find('\\'); cut != std::string::npos;
             cut = key.find('\\', cut + 1)) {
            if (written.contains(key.substr(0, cut))) {
                damaged("\"" + key + "\" inside a file the patch writes");
            }
        }
    }
}

void checkRanges(const PatchEntry& e, const std::array<uint64_t, kSectionCount>& sizes) {
    const auto size = [&](Section s) { return sizes[static_cast<std::size_t>(s)]; };
    if (e.wholeOffset && !inside({*e.wholeOffset, e.newFile.size}, size(Section::Whole))) {
        damaged("the whole data of \"" + e.name + "\" lies outside the archive");
    }
    if (e.kind != EntryKind::Delta) {
        return;
    }
    if (!inside(e.control, size(Section::Control)) ||
        !inside(e.differences, size(Section::Differences)) ||
        !inside(e.extra, size(Section::Extra))) {
        damaged("the delta of \"" + e.name + "\" lies outside the archive");
    }
    // Every new byte comes from exactly one difference or extra byte.
    if (e.differences.length > e.newFile.size ||
        e.extra.length != e.newFile.size - e.differences.length) {
        damaged("the delta of \"" + e.name + "\" does not add up to its file");
    }
    // Each control record makes at least one byte and takes at most 30 bytes.
    if (e.control.length > 30 * e.newFile.size) {
        damaged("the delta of \"" + e.name + "\" has more records than bytes");
    }
}

} // namespace

std::string EncodeDirectory(const std::vector<PatchEntry>& entries) {
    std::string out;
    for (const PatchEntry& e : entries) {
        uint8_t flags = 0;
        flags |= e.oldFile ? kHasOld : 0;
        flags |= e.x86 ? kX86 : 0;
        flags |= e.arithmetic == DiffArithmetic::Carried ? kCarried : 0;
        flags |= e.wholeOffset ? kHasWhole : 0;
        flags |= e.oldName.empty() ? 0 : kHasOldName;
        out += static_cast<char>(e.kind);
        out += static_cast<char>(flags);
        AppendLittleEndian<uint16_t>(out, static_cast<uint16_t>(e.name.size()));
        out += e.name;
        if (!e.oldName.empty()) {
            AppendLittleEndian<uint16_t>(out, static_cast<uint16_t>(e.oldName.size()));
            out += e.oldName;
        }
        if (e.oldFile) {
            appendState(out, *e.oldFile);
        }
        if (e.kind != EntryKind::Removed) {
            appendState(out, e.newFile);
        }
        if (e.kind == EntryKind::Delta) {
            for (const Range* r : {&e.control, &e.differences, &e.extra}) {
                AppendLittleEndian<uint64_t>(out, r->offset);
                AppendLittleEndian<uint64_t>(out, r->length);
            }
        }
        if (e.wholeOffset) {
            AppendLittleEndian<uint64_t>(out, *e.wholeOffset);
        }
    }
    return out;
}

PatchArchive PatchArchive::Read(RandomAccessFile& file) {
    const int64_t fileSize = file.size();
    if (fileSize < static_cast<int64_t>(kHeaderSize)) {
        damaged("shorter than its header");
    }
    std::string header(kHeaderSize, '\0');
    file.readAt(0, header);
    if (std::memcmp(header.data(), kArchiveMagic, sizeof kArchiveMagic) != 0) {
        damaged("not a patch archive");
    }
    Cursor head(std::span<const char>(header).subspan(sizeof kArchiveMagic));
    if (head.number<uint32_t>() != kArchiveVersion) {
        damaged("a format version this program does not know");
    }
    const auto entryCount = head.number<uint32_t>();
    const auto blockCount = head.number<uint32_t>();
    const auto directoryBytes = head.number<uint32_t>();
    const auto crc = head.number<uint32_t>();
    const uint64_t tableBytes = uint64_t{blockCount} * kBlockRecordSize;
    const uint64_t available = static_cast<uint64_t>(fileSize) - kHeaderSize;
    if (entryCount > kMaxEntries || directoryBytes > kMaxDirectoryBytes ||
        directoryBytes > available || tableBytes > available - directoryBytes) {
        damaged("a directory larger than the archive");
    }
    std::string meta(directoryBytes + tableBytes, '\0');
    file.readAt(kHeaderSize, meta);
    if (Crc32(meta) != crc) {
        damaged("the directory does not match its checksum");
    }

    PatchArchive archive;
    Cursor table(std::span<const char>(meta).subspan(directoryBytes));
    uint64_t archiveOffset = kHeaderSize + directoryBytes + tableBytes;
    for (uint32_t i = 0; i < blockCount; ++i) {
        BlockInfo b;
        const auto section = table.number<uint8_t>();
        const auto codec = table.number<uint8_t>();
        b.rawSize = table.number<uint32_t>();
        b.packedSize = table.number<uint32_t>();
        b.crc = table.number<uint32_t>();
        if (section >= kSectionCount || codec > static_cast<uint8_t>(Codec::Zlib) ||
            b.rawSize == 0 || b.rawSize > kMaxBlockSize) {
            damaged("a block the writer cannot have made");
        }
        b.section = static_cast<Section>(section);
        b.codec = static_cast<Codec>(codec);
        b.archiveOffset = archiveOffset;
        if (b.packedSize > static_cast<uint64_t>(fileSize) - archiveOffset) {
            damaged("a block beyond the end of the archive");
        }
        archiveOffset += b.packedSize;
        b.sectionOffset = archive.sectionSizes_[section];
        archive.sectionSizes_[section] += b.rawSize;
        archive.blocks_.push_back(b);
    }
    if (archiveOffset != static_cast<uint64_t>(fileSize)) {
        damaged("bytes after the last block");
    }

    Cursor directory(std::span<const char>(meta).first(directoryBytes));
    for (uint32_t i = 0; i < entryCount; ++i) {
        PatchEntry e = readEntry(directory);
        checkRanges(e, archive.sectionSizes_);
        archive.entries_.push_back(std::move(e));
    }
    if (!directory.atEnd()) {
        damaged("bytes after the last entry");
    }
    checkNames(archive.entries_);
    return archive;
}

void ReadBlock(const PatchArchive& archive, RandomAccessFile& file, std::size_t index,
               std::string& out, std::string& piece) {
    const BlockInfo& b = archive.blocks().at(index);
    out.resize(b.rawSize);
    // The packed bytes go from the file to the decoder in pieces, which it decodes straight into
    // out. A block that does not match its checksum is reported so, whatever the decoder made
    // of its bytes (they are not used).
    BlockDecoder decoder(b.codec, out);
    std::optional<Error> decoding;
    uint32_t crc = 0;
    piece.resize(std::min<std::size_t>(kReadPiece, b.packedSize));
    for (uint64_t done = 0; done < b.packedSize;) {
        const std::span<char> bytes = std::span<char>(piece).first(
            static_cast<std::size_t>(std::min<uint64_t>(piece.size(), b.packedSize - done)));
        file.readAt(static_cast<int64_t>(b.archiveOffset + done), bytes);
        crc = Crc32(bytes, crc);
        if (!decoding) {
            try {
                decoder.feed(bytes);
            } catch (const Error& e) {
                decoding = e;
            }
        }
        done += bytes.size();
    }
    if (crc != b.crc) {
        damaged("a block does not match its checksum");
    }
    if (decoding) {
        throw Error(*decoding);
    }
    decoder.finish();
}

void ReadBlock(const PatchArchive& archive, RandomAccessFile& file, std::size_t index,
               std::string& out) {
    std::string piece;
    ReadBlock(archive, file, index, out, piece);
}

SectionReader::SectionReader(const PatchArchive& archive, RandomAccessFile& file, Section section,
                             Range range)
    : archive_(archive), file_(file), position_(range.offset), end_(range.offset + range.length) {
    for (std::size_t i = 0; i < archive.blocks().size(); ++i) {
        if (archive.blocks()[i].section == section) {
            blockIndexes_.push_back(i);
        }
    }
}

void SectionReader::reset(Range range) {
    position_ = range.offset;
    end_ = range.offset + range.length;
}

void SectionReader::read(std::span<char> out) {
    if (out.size() > end_ - position_) {
        damaged("a delta reads past its data");
    }
    // Most reads are a few bytes inside the block already held.
    if (current_ != SIZE_MAX) {
        const uint64_t start = archive_.blocks()[current_].sectionOffset;
        if (position_ >= start && out.size() <= buffer_.size() - (position_ - start) &&
            position_ - start <= buffer_.size()) {
            std::memcpy(out.data(), buffer_.data() + (position_ - start), out.size());
            position_ += out.size();
            return;
        }
    }
    while (!out.empty()) {
        // The block holding position_: the last whose start is not after it.
        auto it = std::upper_bound(blockIndexes_.begin(), blockIndexes_.end(), position_,
                                   [&](uint64_t pos, std::size_t index) {
                                       return pos < archive_.blocks()[index].sectionOffset;
                                   });
        if (it == blockIndexes_.begin()) {
            damaged("a range before its section");
        }
        const std::size_t index = *(it - 1);
        if (index != current_) {
            current_ = SIZE_MAX; // buffer_ holds no block if the read fails
            ReadBlock(archive_, file_, index, buffer_, piece_);
            current_ = index;
        }
        const uint64_t inBlock = position_ - archive_.blocks()[index].sectionOffset;
        const std::size_t n =
            static_cast<std::size_t>(std::min<uint64_t>(out.size(), buffer_.size() - inBlock));
        std::memcpy(out.data(), buffer_.data() + inBlock, n);
        out = out.subspan(n);
        position_ += n;
    }
}

} // namespace qly::patch
