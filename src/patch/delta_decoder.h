// Applies a delta: the new file made from the old one by control records, each "add diffLen
// difference bytes to as many old bytes, copy extraLen extra bytes, then move in the old file
// by seek". Every length and position is checked before it is used, so a damaged or hostile
// delta ends in Error (Damaged), never in a read or write outside its buffers.
#pragma once

#include "platform/random_access_file.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace qly::patch {

// A stream of bytes read in order.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills out with the next bytes. Throws Error (Damaged) when fewer remain.
    virtual void read(std::span<char> out) = 0;
    virtual uint64_t remaining() const = 0;
};

// A ByteSource over bytes in memory.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const char> bytes) : bytes_(bytes) {}
    void read(std::span<char> out) override;
    uint64_t remaining() const override { return bytes_.size(); }

private:
    std::span<const char> bytes_;
};

// Receives the new file's bytes in order.
using ByteSink = std::function<void(std::span<const char>)>;

// The largest file that takes the x86 transform: its old and new versions are held in memory.
inline constexpr uint64_t kMaxX86FileSize = 256u << 20;

// How difference bytes add to old bytes. Bytewise: each on its own, modulo 256. Carried: as the
// signed digits of one sum over the record, the overflow of each byte (-1, 0 or +1) carried
// into the next; a number that moved by some amount then has the same difference bytes
// whatever its own low bytes are, which compresses far better (17% on a 4.7 MB library).
enum class DiffArithmetic : uint8_t { Bytewise, Carried };

// The carry into the next byte of a carried sum, after old + digit (signed) + carry.
inline int NextCarry(uint8_t old, uint8_t digit, int carry) {
    const int sum = old + static_cast<int8_t>(digit) + carry;
    return sum < 0 ? -1 : (sum > 255 ? 1 : 0);
}

// One control record, checked: diffLength difference bytes added to the old bytes at oldStart,
// then extraLength extra bytes.
struct ControlRecord {
    uint64_t diffLength = 0;
    uint64_t extraLength = 0;
    uint64_t oldStart = 0;
};

// Reads control records, checking each against the sizes of the old and new file before it is
// used. Throws Error (Damaged) for a record that reads or writes outside either file.
class ControlWalker {
public:
    ControlWalker(ByteSource& control, uint64_t oldSize, uint64_t newSize);
    // The next record; false when the control stream is used up.
    bool next(ControlRecord& record);
    // Throws Error (Damaged) unless the records made exactly newSize bytes.
    void finish() const;

private:
    ByteSource& control_;
    uint64_t oldSize_;
    uint64_t newSize_;
    uint64_t oldPos_ = 0;
    uint64_t newPos_ = 0;
    bool first_ = true;
};

// The new file of a delta, made as it is read: DecodeDelta for a reader that takes the bytes
// at its own pace. The checks at the end (every record and byte used) are made by the read that
// returns the last byte, so a reader that stops at the new size meets them.
class DeltaReader {
public:
    DeltaReader(ByteSource& control, ByteSource& differences, ByteSource& extra,
                RandomAccessFile& old, uint64_t newSize,
                DiffArithmetic arithmetic = DiffArithmetic::Bytewise);
    // Fills out with up to out.size() next bytes and returns how many; 0 at the end. Throws
    // Error (Damaged).
    std::size_t read(std::span<char> out);
    uint64_t remaining() const { return newSize_ - made_; }

private:
    void finish();
    // Turns digits, the difference bytes for the first digits.size() bytes of oldBytes_, into
    // new bytes (DiffArithmetic::Carried), carrying on from and into carry_.
    void addCarried(std::span<char> digits);

    ByteSource& differences_;
    ByteSource& extra_;
    RandomAccessFile& old_;
    ControlWalker walker_;
    uint64_t newSize_;
    uint64_t made_ = 0;
    ControlRecord record_;
    std::string oldBytes_;
    DiffArithmetic arithmetic_;
    int carry_ = 0; // into the next difference byte of the record at hand
};

// Walks a delta's records without the old file, as a bundle check does: they must make
// newSize bytes from an old file of oldSize and use exactly the given difference and extra
// bytes. Throws Error (Damaged).
void CheckDeltaRecords(ByteSource& control, uint64_t oldSize, uint64_t newSize,
                       uint64_t differencesLength, uint64_t extraLength);

// Writes the newSize bytes of the new file to sink. old is the old file, x86-transformed when
// the delta was made of transformed files (see DecodeX86Delta). Throws Error (Damaged) unless
// the records produce exactly newSize bytes and use every control, difference and extra byte.
void DecodeDelta(ByteSource& control, ByteSource& differences, ByteSource& extra,
                 RandomAccessFile& old, uint64_t newSize, const ByteSink& sink,
                 DiffArithmetic arithmetic = DiffArithmetic::Bytewise);

// DecodeDelta for a delta of x86-transformed files: transforms old in memory, decodes, and
// reverses the transform on the result. Both sizes must be at most kMaxX86FileSize.
void DecodeX86Delta(ByteSource& control, ByteSource& differences, ByteSource& extra,
                    RandomAccessFile& old, uint64_t newSize, const ByteSink& sink,
                    DiffArithmetic arithmetic = DiffArithmetic::Bytewise);

// Control records as the maker writes them: unsigned LEB128 lengths, a zigzag LEB128 seek.
void AppendControlRecord(std::string& out, uint64_t diffLength, uint64_t extraLength, int64_t seek);

} // namespace qly::patch
