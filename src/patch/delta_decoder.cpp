#include "patch/delta_decoder.h"

#include "bundle/memory_file.h"
#include "common/error.h"
#include "patch/x86_transform.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qly::patch {

namespace {

constexpr std::size_t kChunk = 64u << 10;

[[noreturn]] void damaged(const char* why) {
    throw Error(std::string("damaged delta: ") + why, FailureKind::Damaged, 0, "");
}

uint64_t readVarint(ByteSource& in) {
    uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        char c = 0;
        in.read({&c, 1});
        const auto byte = static_cast<uint8_t>(c);
        if (shift == 63 && byte > 1) {
            damaged("a number beyond 64 bits");
        }
        value |= uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) {
            return value;
        }
    }
    damaged("a number beyond 64 bits");
}

void appendVarint(std::string& out, uint64_t v) {
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

} // namespace

void MemorySource::read(std::span<char> out) {
    if (out.size() > bytes_.size()) {
        damaged("a stream ends early");
    }
    std::memcpy(out.data(), bytes_.data(), out.size());
    bytes_ = bytes_.subspan(out.size());
}

void AppendControlRecord(std::string& out, uint64_t diffLength, uint64_t extraLength,
                         int64_t seek) {
    appendVarint(out, diffLength);
    appendVarint(out, extraLength);
    appendVarint(out, (static_cast<uint64_t>(seek) << 1) ^ static_cast<uint64_t>(seek >> 63));
}

void DecodeDelta(ByteSource& control, ByteSource& differences, ByteSource& extra,
                 RandomAccessFile& old, uint64_t newSize, const ByteSink& sink) {
    const auto oldSize = static_cast<uint64_t>(old.size());
    std::vector<char> oldBytes(kChunk);
    std::vector<char> diffBytes(kChunk);
    uint64_t newPos = 0;
    uint64_t oldPos = 0;
    bool first = true;
    while (control.remaining() > 0) {
        const uint64_t diffLength = readVarint(control);
        const uint64_t extraLength = readVarint(control);
        const uint64_t zigzag = readVarint(control);
        const auto seek = static_cast<int64_t>(zigzag >> 1) ^ -static_cast<int64_t>(zigzag & 1);
        // Only a first record may make nothing: it moves to where the first match starts.
        if (diffLength == 0 && extraLength == 0 && !first) {
            damaged("a record that makes nothing");
        }
        first = false;
        if (diffLength > newSize - newPos || diffLength > oldSize - oldPos) {
            damaged("a record beyond the end of a file");
        }
        for (uint64_t done = 0; done < diffLength;) {
            const auto n = static_cast<std::size_t>(std::min<uint64_t>(kChunk, diffLength - done));
            old.readAt(static_cast<int64_t>(oldPos + done), {oldBytes.data(), n});
            differences.read({diffBytes.data(), n});
            for (std::size_t i = 0; i < n; ++i) {
                diffBytes[i] = static_cast<char>(diffBytes[i] + oldBytes[i]);
            }
            sink({diffBytes.data(), n});
            done += n;
        }
        newPos += diffLength;
        oldPos += diffLength;
        if (extraLength > newSize - newPos) {
            damaged("a record beyond the end of the new file");
        }
        for (uint64_t done = 0; done < extraLength;) {
            const auto n = static_cast<std::size_t>(std::min<uint64_t>(kChunk, extraLength - done));
            extra.read({diffBytes.data(), n});
            sink({diffBytes.data(), n});
            done += n;
        }
        newPos += extraLength;
        // The seek stays inside the old file, so no sum below can overflow.
        const uint64_t magnitude = seek < 0 ? 0 - static_cast<uint64_t>(seek) : static_cast<uint64_t>(seek);
        if (seek < 0 ? magnitude > oldPos : magnitude > oldSize - oldPos) {
            damaged("a seek outside the old file");
        }
        oldPos = seek < 0 ? oldPos - magnitude : oldPos + magnitude;
    }
    if (newPos != newSize || differences.remaining() != 0 || extra.remaining() != 0) {
        damaged("the records do not make the whole file");
    }
}

void DecodeX86Delta(ByteSource& control, ByteSource& differences, ByteSource& extra,
                    RandomAccessFile& old, uint64_t newSize, const ByteSink& sink) {
    if (static_cast<uint64_t>(old.size()) > kMaxX86FileSize || newSize > kMaxX86FileSize) {
        damaged("an x86 delta of a file larger than the transform takes");
    }
    std::string oldBytes(static_cast<std::size_t>(old.size()), '\0');
    old.readAt(0, oldBytes);
    X86Encode(oldBytes);
    MemoryFile transformed(std::move(oldBytes));
    std::string result;
    result.reserve(static_cast<std::size_t>(newSize));
    DecodeDelta(control, differences, extra, transformed, newSize,
                [&](std::span<const char> bytes) { result.append(bytes.data(), bytes.size()); });
    X86Decode(result);
    sink(result);
}

} // namespace qly::patch
