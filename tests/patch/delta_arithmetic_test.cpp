// Difference bytes that carry: numbers moved by one amount get one set of difference bytes,
// whatever their low bytes, and the decoder adds them back exactly.
#include "bundle/memory_file.h"
#include "patch/delta_decoder.h"
#include "patch/maker/delta_maker.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace qly::test {
namespace {

using patch::DiffArithmetic;

std::string decode(const patch::DeltaStreams& d, const std::string& old, uint64_t newSize,
                   DiffArithmetic arithmetic, std::size_t readSize) {
    patch::MemorySource control(d.control), differences(d.differences), extra(d.extra);
    MemoryFile oldFile{std::string(old)};
    patch::DeltaReader reader(control, differences, extra, oldFile, newSize, arithmetic);
    std::string out;
    std::string piece(readSize, '\0');
    while (const std::size_t n = reader.read(piece)) {
        out.append(piece.data(), n);
    }
    return out;
}

// Code-like bytes: a 32-bit little-endian number every 16 bytes (a displacement), the rest
// fixed. new has every number moved by shift.
struct Numbers {
    std::string old, neu;
};
Numbers numbers(int32_t shift) {
    std::mt19937 gen(5);
    Numbers n;
    for (int i = 0; i < 4000; ++i) {
        const uint32_t value = 0x01000000u + gen() % 0x00F00000u; // low bytes of every kind
        const auto moved = static_cast<uint32_t>(static_cast<int64_t>(value) + shift);
        std::string rest(12, '\0');
        for (char& c : rest) {
            c = static_cast<char>(gen());
        }
        for (int k = 0; k < 4; ++k) {
            n.old += static_cast<char>(value >> (8 * k) & 0xFF);
            n.neu += static_cast<char>(moved >> (8 * k) & 0xFF);
        }
        n.old += rest;
        n.neu += rest;
    }
    return n;
}

TEST(DeltaArithmetic, NumbersMovedByOneAmountGetOneSetOfDifferenceBytes) {
    for (const int32_t shift : {0x130, -0x130, 0x20, -0x10000}) {
        SCOPED_TRACE(shift);
        const Numbers n = numbers(shift);
        const patch::DeltaStreams d = patch::MakeDelta(n.old, n.neu);
        ASSERT_EQ(d.differences.size(), n.neu.size()); // one match over the whole file
        std::set<std::string> digits;
        for (std::size_t i = 0; i < d.differences.size(); i += 16) {
            digits.insert(d.differences.substr(i, 4));
            EXPECT_EQ(d.differences.substr(i + 4, 12), std::string(12, '\0')) << i;
        }
        EXPECT_EQ(digits.size(), 1u);
        EXPECT_EQ(decode(d, n.old, n.neu.size(), DiffArithmetic::Carried, 4096), n.neu);
    }
}

TEST(DeltaArithmetic, RandomEditsDecodeExactlyWhateverTheReadSize) {
    std::mt19937 gen(17);
    std::string old(50000, '\0');
    for (char& c : old) {
        // Bytes that a carry (FF) or a borrow (00) runs through.
        const uint32_t r = gen() % 8;
        c = static_cast<char>(r < 2 ? gen() : (r < 5 ? 0xFF : 0x00));
    }
    std::string neu = old;
    for (int i = 0; i < 3000; ++i) {
        neu[gen() % neu.size()] = static_cast<char>(gen());
    }
    neu.insert(20000, "inserted");
    const patch::DeltaStreams d = patch::MakeDelta(old, neu);
    for (const std::size_t readSize : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
        EXPECT_EQ(decode(d, old, neu.size(), DiffArithmetic::Carried, readSize), neu) << readSize;
    }
}

// Two records over old bytes FF FF | 10 20, the first's digits 01 00 leaving a carry at its end.
TEST(DeltaArithmetic, ACarryEndsWithItsRecord) {
    patch::DeltaStreams d;
    patch::AppendControlRecord(d.control, 2, 0, 0);
    patch::AppendControlRecord(d.control, 2, 0, 0);
    d.differences = std::string("\x01\x00\x00\x00", 4);
    const std::string old("\xFF\xFF\x10\x20", 4);
    struct Case {
        DiffArithmetic arithmetic;
        std::string expected;
    };
    for (const Case& c : {Case{DiffArithmetic::Carried, std::string("\x00\x00\x10\x20", 4)},
                          Case{DiffArithmetic::Bytewise, std::string("\x00\xFF\x10\x20", 4)}}) {
        for (const std::size_t readSize : {std::size_t{1}, std::size_t{4}}) {
            EXPECT_EQ(decode(d, old, 4, c.arithmetic, readSize), c.expected)
                << static_cast<int>(c.arithmetic) << ", reads of " << readSize;
        }
    }
}

} // namespace
} // namespace qly::test
