#include "bundle/payload_writer.h"

namespace qly {

namespace {

// Bytes moved per read while a file is packed.
constexpr std::size_t kCopyStep = std::size_t{1} << 20;
// A signing tool starts its certificate table on this boundary; ending the file on it keeps
// the tool from adding padding of its own.
constexpr int64_t kAlignment = 8;

} // namespace

PayloadWriter::PayloadWriter(File& out, int64_t start, HashService& hashes)
    : out_(out), start_(start), hashes_(hashes) {
    const std::string header = EncodePayloadHeader();
    out_.write(header);
    written_ = std::ssize(header);
}

void PayloadWriter::addFolder(const std::string& name) {
    entries_.push_back(PayloadEntry{name, PayloadEntryKind::Folder, 0, 0, {}});
}

void PayloadWriter::addFile(const std::string& name, File& source) {
    PayloadEntry entry{name, PayloadEntryKind::File, written_, 0, {}};
    auto hasher = hashes_.newSha256();
    buffer_.resize(kCopyStep);
    for (;;) {
        const std::size_t got = source.read(buffer_);
        if (got == 0) {
            break;
        }
        const std::span<const char> data(buffer_.data(), got);
        hasher->update(data);
        out_.write(data);
        entry.size += static_cast<int64_t>(got);
    }
    entry.digest = hasher->finish();
    written_ += entry.size;
    entries_.push_back(std::move(entry));
}

void PayloadWriter::finish() {
    CheckEntries(entries_, written_);
    const std::string index = EncodeIndex(entries_);
    PayloadTrailer trailer;
    trailer.indexOffset = written_;
    trailer.indexSize = std::ssize(index);
    trailer.entryCount = static_cast<uint32_t>(entries_.size());
    auto hasher = hashes_.newSha256();
    hasher->update(index);
    trailer.indexDigest = hasher->finish();

    const int64_t unaligned = start_ + written_ + trailer.indexSize + kPayloadTrailerSize;
    const int64_t padding = (kAlignment - unaligned % kAlignment) % kAlignment;
    trailer.payloadSize = written_ + trailer.indexSize + padding + kPayloadTrailerSize;
    out_.write(index);
    out_.write(std::string(static_cast<std::size_t>(padding), '\0'));
    out_.write(EncodeTrailer(trailer));
    written_ = trailer.payloadSize;
}

} // namespace qly
