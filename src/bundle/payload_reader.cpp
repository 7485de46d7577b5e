#include "bundle/payload_reader.h"

#include "bundle/pe_layout.h"
#include "common/error.h"

#include <algorithm>
#include <exception>

namespace qly {

namespace {

// The alignment a signing tool may add before its certificate table.
constexpr int64_t kMaxAlignment = 7;

[[noreturn]] void damaged(const std::string& what) {
    throw Error("damaged payload: " + what);
}

std::string readBytes(RandomAccessFile& exe, int64_t offset, int64_t n) {
    std::string out(static_cast<std::size_t>(n), '\0');
    exe.readAt(offset, out);
    return out;
}

// Offset just past the trailer, or nothing when none ends at regionEnd (or, with signature
// alignment allowed, a few zero bytes before it).
std::optional<int64_t> trailerEnd(RandomAccessFile& exe, int64_t regionEnd, bool aligned) {
    const int64_t slack = aligned ? kMaxAlignment : 0;
    const int64_t from = std::max<int64_t>(0, regionEnd - kPayloadTrailerSize - slack);
    const std::string tail = readBytes(exe, from, regionEnd - from);
    std::string_view view = tail;
    for (int64_t skipped = 0;; ++skipped) {
        if (EndsWithTrailerMagic(view)) {
            return from + static_cast<int64_t>(view.size());
        }
        if (skipped == slack || view.empty() || view.back() != '\0') {
            return std::nullopt;
        }
        view.remove_suffix(1);
    }
}

PayloadLookup find(RandomAccessFile& exe, HashService& hashes) {
    const std::optional<PeLayout> layout = ReadPeLayout(exe);
    const bool signedFile = layout && layout->certificates;
    const int64_t regionEnd = signedFile ? layout->certificates->offset : exe.size();

    const std::optional<int64_t> end = trailerEnd(exe, regionEnd, signedFile);
    if (!end) {
        // No trailer. A payload header right after the program means the download stopped
        // before its end; anything else is a program without a payload.
        if (layout && layout->imageEnd < regionEnd) {
            const int64_t n =
                std::min<int64_t>(std::ssize(kPayloadMagic), regionEnd - layout->imageEnd);
            if (kPayloadMagic.starts_with(readBytes(exe, layout->imageEnd, n))) {
                damaged("the file is cut short");
            }
        }
        return {};
    }
    if (*end < kPayloadTrailerSize) {
        damaged("the trailer is cut short");
    }
    const PayloadTrailer trailer =
        DecodeTrailer(readBytes(exe, *end - kPayloadTrailerSize, kPayloadTrailerSize));
    if (trailer.payloadSize < kPayloadHeaderSize + kPayloadTrailerSize ||
        trailer.payloadSize > *end) {
        damaged("the payload size does not fit the file");
    }
    PayloadLookup found;
    found.status = PayloadLookup::Status::Found;
    found.payload.start = *end - trailer.payloadSize;
    if (layout && found.payload.start != layout->imageEnd) {
        damaged("the payload does not start where the program ends");
    }
    CheckPayloadHeader(readBytes(exe, found.payload.start, kPayloadHeaderSize));

    const int64_t beforeTrailer = trailer.payloadSize - kPayloadTrailerSize;
    if (trailer.indexOffset < kPayloadHeaderSize || trailer.indexOffset > beforeTrailer ||
        trailer.indexSize > beforeTrailer - trailer.indexOffset ||
        beforeTrailer - trailer.indexOffset - trailer.indexSize > kMaxAlignment) {
        damaged("the index lies outside its place");
    }
    if (trailer.indexSize > kMaxIndexSize) {
        damaged("the index is too large");
    }
    const std::string index =
        readBytes(exe, found.payload.start + trailer.indexOffset, trailer.indexSize);
    auto hasher = hashes.newSha256();
    hasher->update(index);
    if (hasher->finish() != trailer.indexDigest) {
        damaged("the index does not match its checksum");
    }
    found.payload.entries = DecodeIndex(index, trailer.entryCount, trailer.indexOffset);
    return found;
}

} // namespace

PayloadLookup FindPayload(RandomAccessFile& exe, HashService& hashes) {
    try {
        return find(exe, hashes);
    } catch (const std::exception& e) {
        PayloadLookup lookup;
        lookup.status = PayloadLookup::Status::Damaged;
        lookup.problem = e.what();
        return lookup;
    }
}

} // namespace qly
