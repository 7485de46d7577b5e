// The archive's writer, apart from its reader: the installer reads archives and links no encoder.
#include "bundle/byte_order.h"
#include "patch/patch_archive.h"

#include <algorithm>

namespace qly::patch {

PatchArchiveWriter::PatchArchiveWriter(File& spill, uint32_t blockSize) : spill_(spill) {
    blockSizes_.fill(std::clamp<uint32_t>(blockSize, 1, kMaxBlockSize));
}

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

void PatchArchiveWriter::flush(Section section) {
    std::string& raw = pending_[static_cast<std::size_t>(section)];
    if (raw.empty()) {
        return;
    }
    const PackedBlock packed = CompressBlock(
        raw, section == Section::Differences ? DataKind::Differences : DataKind::General);
    spill_.write(packed.bytes);
    blocks_.push_back({section, packed.codec, static_cast<uint32_t>(raw.size()),
                       static_cast<uint32_t>(packed.bytes.size()), Crc32(packed.bytes), 0, 0});
    raw.clear();
}

std::string PatchArchiveWriter::finish() {
    for (std::size_t s = 0; s < kSectionCount; ++s) {
        flush(static_cast<Section>(s));
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
