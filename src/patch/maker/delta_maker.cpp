#include "patch/maker/delta_maker.h"

#include "common/error.h"
#include "patch/delta_decoder.h"

#include <algorithm>
#include <cstring>
#include <divsufsort.h>
#include <optional>
#include <tuple>
#include <vector>

namespace qly::patch {

namespace {

// A piece of the delta before it is written: diffLength bytes of differences against the old
// file at oldStart, then extraLength extra bytes.
struct Record {
    uint64_t oldStart = 0;
    uint64_t diffLength = 0;
    uint64_t extraLength = 0;
};

// Turns records into control bytes. The seek that moves to a record's old start belongs to the
// record before it, so each record is written when the next one is known.
class ControlWriter {
public:
    void add(const Record& r, std::string& control) {
        if (r.diffLength == 0 && r.extraLength == 0) {
            return;
        }
        if (held_) {
            writeHeld(r.oldStart, control);
        } else if (r.oldStart != 0) {
            // The decoder starts at old position 0: one record that only moves.
            AppendControlRecord(control, 0, 0, static_cast<int64_t>(r.oldStart));
        }
        held_ = r;
    }
    void finish(std::string& control) {
        if (held_) {
            writeHeld(held_->oldStart + held_->diffLength, control);
            held_.reset();
        }
    }

private:
    void writeHeld(uint64_t nextOldStart, std::string& control) {
        const uint64_t end = held_->oldStart + held_->diffLength;
        AppendControlRecord(control, held_->diffLength, held_->extraLength,
                            static_cast<int64_t>(nextOldStart) - static_cast<int64_t>(end));
    }
    std::optional<Record> held_;
};

using Bytes = std::span<const uint8_t>;

int64_t matchLength(Bytes a, Bytes b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    return static_cast<int64_t>(i);
}

// The longest match of target's start among the suffixes of old: its position and length.
std::pair<int64_t, int64_t> longestMatch(const std::vector<saidx_t>& sa, Bytes old, Bytes target) {
    if (sa.empty() || target.empty()) {
        return {0, 0};
    }
    std::size_t lo = 0;
    std::size_t hi = sa.size() - 1;
    while (hi - lo >= 2) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const Bytes suffix = old.subspan(static_cast<std::size_t>(sa[mid]));
        const std::size_t n = std::min(suffix.size(), target.size());
        const int c = std::memcmp(suffix.data(), target.data(), n);
        if (c < 0 || (c == 0 && suffix.size() < target.size())) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    const int64_t a = matchLength(old.subspan(static_cast<std::size_t>(sa[lo])), target);
    const int64_t b = matchLength(old.subspan(static_cast<std::size_t>(sa[hi])), target);
    return a >= b ? std::pair{int64_t{sa[lo]}, a} : std::pair{int64_t{sa[hi]}, b};
}

// Diffs newBytes against oldBytes, whose first byte is at oldBase in the old file, handing each
// record and its bytes to out. Positions are those of the old file.
void diffSegment(Bytes old, uint64_t oldBase, Bytes neu, ControlWriter& control,
                 DeltaStreams& out) {
    std::vector<saidx_t> sa(old.size());
    if (!old.empty() && divsufsort(old.data(), sa.data(), static_cast<saidx_t>(old.size())) != 0) {
        throw Error("cannot sort the old file's suffixes");
    }
    const auto oldSize = static_cast<int64_t>(old.size());
    const auto newSize = static_cast<int64_t>(neu.size());
    int64_t scan = 0, len = 0, pos = 0;
    int64_t lastScan = 0, lastPos = 0, lastOffset = 0;
    while (scan < newSize) {
        int64_t oldScore = 0;
        int64_t scsc = scan += len;
        for (; scan < newSize; ++scan) {
            std::tie(pos, len) = longestMatch(sa, old, neu.subspan(static_cast<std::size_t>(scan)));
            for (; scsc < scan + len; ++scsc) {
                if (scsc + lastOffset < oldSize && old[scsc + lastOffset] == neu[scsc]) {
                    ++oldScore;
                }
            }
            if ((len == oldScore && len != 0) || len > oldScore + 8) {
                break;
            }
            if (scan + lastOffset < oldSize && old[scan + lastOffset] == neu[scan]) {
                --oldScore;
            }
        }
        if (len == oldScore && scan != newSize) {
            continue;
        }
        // Extend the last match forward and this one backward while more bytes agree than not.
        int64_t lenF = 0;
        for (int64_t i = 0, s = 0, best = 0; lastScan + i < scan && lastPos + i < oldSize;) {
            if (old[lastPos + i] == neu[lastScan + i]) {
                ++s;
            }
            ++i;
            if (s * 2 - i > best * 2 - lenF) {
                best = s;
                lenF = i;
            }
        }
        int64_t lenB = 0;
        if (scan < newSize) {
            for (int64_t i = 1, s = 0, best = 0; scan >= lastScan + i && pos >= i; ++i) {
                if (old[pos - i] == neu[scan - i]) {
                    ++s;
                }
                if (s * 2 - i > best * 2 - lenB) {
                    best = s;
                    lenB = i;
                }
            }
        }
        if (lastScan + lenF > scan - lenB) {
            const int64_t overlap = (lastScan + lenF) - (scan - lenB);
            int64_t s = 0, best = 0, lenS = 0;
            for (int64_t i = 0; i < overlap; ++i) {
                if (neu[lastScan + lenF - overlap + i] == old[lastPos + lenF - overlap + i]) {
                    ++s;
                }
                if (neu[scan - lenB + i] == old[pos - lenB + i]) {
                    --s;
                }
                if (s > best) {
                    best = s;
                    lenS = i + 1;
                }
            }
            lenF += lenS - overlap;
            lenB -= lenS;
        }
        // The record's difference bytes as the digits of one carried sum (see DiffArithmetic).
        int carry = 0;
        for (int64_t i = 0; i < lenF; ++i) {
            const uint8_t o = old[lastPos + i];
            const auto digit = static_cast<uint8_t>(neu[lastScan + i] - o - carry);
            out.differences += static_cast<char>(digit);
            carry = NextCarry(o, digit, carry);
        }
        const int64_t extraLength = (scan - lenB) - (lastScan + lenF);
        out.extra.append(reinterpret_cast<const char*>(neu.data() + lastScan + lenF),
                         static_cast<std::size_t>(extraLength));
        control.add({oldBase + static_cast<uint64_t>(lastPos), static_cast<uint64_t>(lenF),
                     static_cast<uint64_t>(extraLength)},
                    out.control);
        lastScan = scan - lenB;
        lastPos = pos - lenB;
        lastOffset = pos - scan;
    }
}

Bytes asBytes(std::span<const char> s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace

DeltaStreams MakeDelta(std::span<const char> oldBytes, std::span<const char> newBytes) {
    DeltaStreams out;
    ControlWriter control;
    diffSegment(asBytes(oldBytes), 0, asBytes(newBytes), control, out);
    control.finish(out.control);
    return out;
}

void MakeDeltaOfFiles(RandomAccessFile& oldFile, RandomAccessFile& newFile, uint64_t segment,
                      const DeltaPieceSink& sink) {
    const auto oldSize = static_cast<uint64_t>(oldFile.size());
    const auto newSize = static_cast<uint64_t>(newFile.size());
    segment = std::max<uint64_t>(segment, 1);
    ControlWriter control;
    std::string oldWindow;
    std::string newPiece;
    for (uint64_t start = 0; start < newSize || (start == 0 && newSize == 0); start += segment) {
        const uint64_t length = std::min(segment, newSize - start);
        // The old window: twice the segment, centred where this segment sits proportionally.
        const uint64_t windowLength = std::min(oldSize, 2 * segment);
        const uint64_t centre =
            newSize == 0 ? 0
                         : static_cast<uint64_t>(static_cast<long double>(start + length / 2) *
                                                 oldSize / newSize);
        const uint64_t windowStart = std::min(
            oldSize - windowLength, centre > windowLength / 2 ? centre - windowLength / 2 : 0);
        oldWindow.resize(static_cast<std::size_t>(windowLength));
        oldFile.readAt(static_cast<int64_t>(windowStart), oldWindow);
        newPiece.resize(static_cast<std::size_t>(length));
        newFile.readAt(static_cast<int64_t>(start), newPiece);
        DeltaStreams piece;
        diffSegment(asBytes(oldWindow), windowStart, asBytes(newPiece), control, piece);
        if (start + length >= newSize) {
            control.finish(piece.control);
        }
        sink(piece);
        if (newSize == 0) {
            break;
        }
    }
}

} // namespace qly::patch
