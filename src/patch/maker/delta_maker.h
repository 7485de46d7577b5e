// Makes the deltas that DecodeDelta applies: suffix-array matching of the new file against
// the old one, where each match may carry a few differing bytes (so that code whose addresses
// moved still matches), and the rest as extra bytes.
#pragma once

#include "platform/random_access_file.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace qly::patch {

// A delta's streams; its difference bytes are carried (DiffArithmetic::Carried).
struct DeltaStreams {
    std::string control;
    std::string differences;
    std::string extra;
};

// Receives the streams of a delta piece by piece: a large file's delta comes in one piece per
// window, each to be appended to what came before.
using DeltaPieceSink = std::function<void(const DeltaStreams&)>;

// The maker's memory: the new file is diffed in segments of at most this many bytes, each
// against a window of the old file twice as long around the same relative position. The
// suffix array takes 4 bytes per old byte, so the peak is about 11 times this.
inline constexpr uint64_t kDeltaSegment = 256u << 20;

// The delta of whole files in memory.
DeltaStreams MakeDelta(std::span<const char> oldBytes, std::span<const char> newBytes);

// The delta of two files of any size, made in segments of segment bytes (see kDeltaSegment).
void MakeDeltaOfFiles(RandomAccessFile& oldFile, RandomAccessFile& newFile, uint64_t segment,
                      const DeltaPieceSink& sink);

} // namespace qly::patch
