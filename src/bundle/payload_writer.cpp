#include "bundle/payload_writer.h"

#include "bundle/bundle_name.h"
#include "common/error.h"

#include <algorithm>

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

std::vector<DirEntry> SortedEntries(FileSystem& files, const std::string& folder,
                                    const std::string& pattern) {
    std::vector<DirEntry> entries;
    if (auto listing = files.list(folder, pattern)) {
        DirEntry entry;
        while (listing->next(entry)) {
            if (entry.name != "." && entry.name != "..") {
                entries.push_back(entry);
            }
        }
    }
    std::ranges::sort(entries, {}, &DirEntry::name);
    return entries;
}

int64_t AddFolderTree(PayloadWriter& writer, FileSystem& files, const std::string& folder,
                      const std::string& name) {
    if (auto problem = BundleNameProblem(name)) {
        throw Error("cannot pack " + name + ": " + *problem);
    }
    writer.addFolder(name);
    int64_t added = 0;
    for (const DirEntry& entry : SortedEntries(files, folder, "*")) {
        const std::string child = name + "\\" + entry.name;
        if ((entry.attributes & kAttrDirectory) != 0) {
            if ((entry.attributes & kAttrReparsePoint) == 0) {
                added += AddFolderTree(writer, files, folder + entry.name + "\\", child);
            }
            continue;
        }
        if (auto problem = BundleNameProblem(child)) {
            throw Error("cannot pack " + child + ": " + *problem);
        }
        writer.addFile(child, *files.open(folder + entry.name, OpenMode::Read));
        ++added;
    }
    return added;
}

} // namespace qly
