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

ControlWalker::ControlWalker(ByteSource& control, uint64_t oldSize, uint64_t newSize)
    : control_(control), oldSize_(oldSize), newSize_(newSize) {}

bool ControlWalker::next(ControlRecord& record) {
    if (control_.remaining() == 0) {
        return false;
    }
    const uint64_t diffLength = readVarint(control_);
    const uint64_t extraLength = readVarint(control_);
    const uint64_t zigzag = readVarint(control_);
    // Only a first record may make nothing: it moves to where the first match starts.
    if (diffLength == 0 && extraLength == 0 && !first_) {
        damaged("a record that makes nothing");
    }
    first_ = false;
    if (diffLength > newSize_ - newPos_ || diffLength > oldSize_ - oldPos_ ||
        extraLength > newSize_ - newPos_ - diffLength) {
        damaged("a record beyond the end of a file");
    }
    record = {diffLength, extraLength, oldPos_};
    newPos_ += diffLength + extraLength;
    oldPos_ += diffLength;
    // The seek stays inside the old file, so no sum here can overflow.
    const bool back = (zigzag & 1) != 0;
    const uint64_t magnitude = back ? (zigzag >> 1) + 1 : zigzag >> 1;
    if (back ? magnitude > oldPos_ : magnitude > oldSize_ - oldPos_) {
        damaged("a seek outside the old file");
    }
    oldPos_ = back ? oldPos_ - magnitude : oldPos_ + magnitude;
    return true;
}

void ControlWalker::finish() const {
    if (newPos_ != newSize_) {
        damaged("the records do not make the whole file");
    }
}

DeltaReader::DeltaReader(ByteSource& control, ByteSource& differences, ByteSource& extra,
                         RandomAccessFile& old, uint64_t newSize, DiffArithmetic arithmetic)
    : differences_(differences), extra_(extra), old_(old),
      walker_(control, static_cast<uint64_t>(old.size()), newSize), newSize_(newSize),
      arithmetic_(arithmetic) {
    if (newSize_ == 0) {
        finish();
    }
}

std::size_t DeltaReader::read(std::span<char> out) {
    std::size_t done = 0;
    while (done < out.size() && made_ < newSize_) {
        if (record_.diffLength == 0 && record_.extraLength == 0) {
            if (!walker_.next(record_)) {
                walker_.finish(); // the records end before the file does
            }
            carry_ = 0; // a sum ends with its record
        }
        const std::span<char> rest = out.subspan(done);
        if (record_.diffLength > 0) {
            const auto n = static_cast<std::size_t>(
                std::min<uint64_t>({record_.diffLength, rest.size(), kChunk}));
            oldBytes_.resize(n);
            old_.readAt(static_cast<int64_t>(record_.oldStart), oldBytes_);
            differences_.read(rest.first(n));
            if (arithmetic_ == DiffArithmetic::Carried) {
                addCarried(rest.first(n));
            } else {
                for (std::size_t i = 0; i < n; ++i) {
                    rest[i] = static_cast<char>(rest[i] + oldBytes_[i]);
                }
            }
            record_.oldStart += n;
            record_.diffLength -= n;
            done += n;
            made_ += n;
        } else if (record_.extraLength > 0) {
            const auto n =
                static_cast<std::size_t>(std::min<uint64_t>(record_.extraLength, rest.size()));
            extra_.read(rest.first(n));
            record_.extraLength -= n;
            done += n;
            made_ += n;
        }
        if (made_ == newSize_) {
            finish();
        }
    }
    return done;
}

void DeltaReader::addCarried(std::span<char> digits) {
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n;) {
        if (carry_ == 0) {
            // Zero digits and no carry leave the old bytes as they are: most of a delta.
            std::size_t j = i;
            for (uint64_t word = 0; j + 8 <= n; j += 8) {
                std::memcpy(&word, digits.data() + j, 8);
                if (word != 0) {
                    break;
                }
            }
            while (j < n && digits[j] == 0) {
                ++j;
            }
            std::memcpy(digits.data() + i, oldBytes_.data() + i, j - i);
            if (j == n) {
                return;
            }
            i = j;
        }
        const auto o = static_cast<uint8_t>(oldBytes_[i]);
        const auto digit = static_cast<uint8_t>(digits[i]);
        digits[i] = static_cast<char>(o + digit + carry_);
        carry_ = NextCarry(o, digit, carry_);
        ++i;
    }
}

void DeltaReader::finish() {
    // Records past the end of the file are refused by the walker; an empty first one is not.
    ControlRecord rest;
    while (walker_.next(rest)) {
    }
    walker_.finish();
    if (differences_.remaining() != 0 || extra_.remaining() != 0) {
        damaged("bytes that no record uses");
    }
}

void DecodeDelta(ByteSource& control, ByteSource& differences, ByteSource& extra,
                 RandomAccessFile& old, uint64_t newSize, const ByteSink& sink,
                 DiffArithmetic arithmetic) {
    DeltaReader reader(control, differences, extra, old, newSize, arithmetic);
    std::vector<char> bytes(kChunk);
    while (const std::size_t n = reader.read(bytes)) {
        sink({bytes.data(), n});
    }
}

void CheckDeltaRecords(ByteSource& control, uint64_t oldSize, uint64_t newSize,
                       uint64_t differencesLength, uint64_t extraLength) {
    ControlWalker walker(control, oldSize, newSize);
    ControlRecord r;
    uint64_t differences = 0;
    uint64_t extra = 0;
    while (walker.next(r)) {
        differences += r.diffLength;
        extra += r.extraLength;
    }
    walker.finish();
    if (differences != differencesLength || extra != extraLength) {
        damaged("bytes that no record uses");
    }
}

void DecodeX86Delta(ByteSource& control, ByteSource& differences, ByteSource& extra,
                    RandomAccessFile& old, uint64_t newSize, const ByteSink& sink,
                    DiffArithmetic arithmetic) {
    if (static_cast<uint64_t>(old.size()) > kMaxX86FileSize || newSize > kMaxX86FileSize) {
        damaged("an x86 delta of a file larger than the transform takes");
    }
    std::string oldBytes(static_cast<std::size_t>(old.size()), '\0');
    old.readAt(0, oldBytes);
    X86Encode(oldBytes);
    MemoryFile transformed(std::move(oldBytes));
    std::string result;
    result.reserve(static_cast<std::size_t>(newSize));
    DecodeDelta(
        control, differences, extra, transformed, newSize,
        [&](std::span<const char> bytes) { result.append(bytes.data(), bytes.size()); },
        arithmetic);
    X86Decode(result);
    sink(result);
}

} // namespace qly::patch
