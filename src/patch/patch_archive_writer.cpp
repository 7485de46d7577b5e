// The archive's writer, apart from its reader: the installer reads archives and links no encoder.
#include "bundle/byte_order.h"
#include "patch/patch_archive.h"

#include <algorithm>
#include <exception>

namespace qly::patch {

namespace {

// A last block of difference bytes from this size on is compressed in two halves on two
// threads, which takes half the time and costs about 0.3% of its packed size (measured on
// three library updates). Other sections stay whole: halving two similar programs packed
// whole cost 8%, and the maker sizes the blocks of whole files itself.
constexpr std::size_t kSplitBlockAt = 1u << 20;

} // namespace

// A block on its way: compressed on a thread of its own, or in place without threads.
struct PatchArchiveWriter::Compressing {
    Section section = Section::Control;
    std::string raw;
    PackedBlock packed;
    std::exception_ptr failure;
    std::unique_ptr<Thread> thread; // last: destroyed first, so the task ends before the rest

    void run() {
        try {
            packed = CompressBlock(raw, section == Section::Differences ? DataKind::Differences
                                                                        : DataKind::General);
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

PatchArchiveWriter::PatchArchiveWriter(File& spill, uint32_t blockSize, ThreadService* threads)
    : spill_(spill), threads_(threads) {
    blockSizes_.fill(std::clamp<uint32_t>(blockSize, 1, kMaxBlockSize));
}

PatchArchiveWriter::~PatchArchiveWriter() = default;

void PatchArchiveWriter::setBlockSize(Section section, uint32_t blockSize) {
    blockSizes_[static_cast<std::size_t>(section)] =
        std::clamp<uint32_t>(blockSize, 1, kMaxBlockSize);
}

Range PatchArchiveWriter::append(Section section, std::span<const char> bytes) {
    const auto s = static_cast<std::size_t>(section);
    const Range range{sectionSizes_[s], bytes.size()};
    sectionSizes_[s] += bytes.size();
    while (!bytes.empty()) {
        const std::size_t room =
            pending_[s].size() < blockSizes_[s] ? blockSizes_[s] - pending_[s].size() : 0;
        const std::size_t n = std::min<std::size_t>(bytes.size(), room);
        pending_[s].append(bytes.data(), n);
        bytes = bytes.subspan(n);
        if (pending_[s].size() >= blockSizes_[s]) {
            flush(section);
        }
    }
    return range;
}

void PatchArchiveWriter::addEntry(PatchEntry entry) {
    entries_.push_back(std::move(entry));
}

void PatchArchiveWriter::flush(Section section, std::size_t parts) {
    std::string& raw = pending_[static_cast<std::size_t>(section)];
    // Blocks compressed while the maker goes on: one, beside the suffix arrays it builds;
    // blocks at the end: two, one per core.
    const std::size_t inFlight = parts > 1 ? 2 : 1;
    for (std::size_t part = parts; part > 1 && !raw.empty(); --part) {
        const std::size_t n = raw.size() / part;
        compress(section, raw.substr(0, n), inFlight);
        raw.erase(0, n);
    }
    if (!raw.empty()) {
        compress(section, std::move(raw), inFlight);
        raw.clear();
    }
}

void PatchArchiveWriter::compress(Section section, std::string raw, std::size_t inFlight) {
    auto block = std::make_unique<Compressing>();
    block->section = section;
    block->raw = std::move(raw);
    if (threads_ == nullptr) {
        block->run();
        compressing_.push_back(std::move(block));
        writeOldest();
        return;
    }
    while (compressing_.size() >= inFlight) {
        writeOldest();
    }
    Compressing* b = block.get();
    compressing_.push_back(std::move(block));
    b->thread = threads_->start([b] { b->run(); });
}

void PatchArchiveWriter::writeOldest() {
    std::unique_ptr<Compressing> b = std::move(compressing_.front());
    compressing_.pop_front();
    b->thread.reset();
    if (b->failure) {
        std::rethrow_exception(b->failure);
    }
    spill_.write(b->packed.bytes);
    blocks_.push_back({b->section, b->packed.codec, static_cast<uint32_t>(b->raw.size()),
                       static_cast<uint32_t>(b->packed.bytes.size()), Crc32(b->packed.bytes), 0,
                       0});
}

std::string PatchArchiveWriter::finish() {
    for (std::size_t s = 0; s < kSectionCount; ++s) {
        const bool large =
            static_cast<Section>(s) == Section::Differences && pending_[s].size() >= kSplitBlockAt;
        flush(static_cast<Section>(s), threads_ != nullptr && large ? 2 : 1);
    }
    while (!compressing_.empty()) {
        writeOldest();
    }
    std::string meta = EncodeDirectory(entries_);
    const auto directoryBytes = static_cast<uint32_t>(meta.size());
    for (const BlockInfo& b : blocks_) {
        meta += static_cast<char>(b.section);
        meta += static_cast<char>(b.codec);
        AppendLittleEndian<uint32_t>(meta, b.rawSize);
        AppendLittleEndian<uint32_t>(meta, b.packedSize);
        AppendLittleEndian<uint32_t>(meta, b.crc);
    }
    std::string out(kArchiveMagic, sizeof kArchiveMagic);
    AppendLittleEndian<uint32_t>(out, kArchiveVersion);
    AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(entries_.size()));
    AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(blocks_.size()));
    AppendLittleEndian<uint32_t>(out, directoryBytes);
    AppendLittleEndian<uint32_t>(out, Crc32(meta));
    return out + meta;
}

} // namespace qly::patch
