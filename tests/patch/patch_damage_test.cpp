// Damaged and hostile patch data is refused with a Damaged error, never applied: every byte of
// an archive flipped, every truncation, crafted directories, control records and blocks.
#include "bundle/memory_file.h"
#include "common/error.h"
#include "patch/block_codec.h"
#include "patch/lzma_block.h"
#include "patch/x86_transform.h"
#include "support/patch_rig.h"
#include "support/temp_folder.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace qly::test {
namespace {

using patch::EntryKind;
using patch::PatchEntry;

template <typename F> void expectDamaged(F&& f) {
    try {
        f();
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), FailureKind::Damaged) << e.what();
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(PatchDamage, EveryFlippedByteAndEveryTruncationIsRefused) {
    TempFolder t;
    std::string data(3000, 'x');
    for (std::size_t i = 0; i < data.size(); i += 7) {
        data[i] = static_cast<char>(i);
    }
    t.write("old/changed.dat", data);
    t.write("old/removed.txt", "bye");
    t.write("new/changed.dat", data.substr(0, 2000) + "edit" + data.substr(2000));
    t.write("new/added.txt", "hello");
    t.write("game/changed.dat", data);
    t.write("game/removed.txt", "bye");
    PatchRig rig;
    rig.make(t.file("old"), t.file("new"), t.file("good.qlypatch"));
    const std::string good = readFile(t.file("good.qlypatch"));
    patch::PatchIo io = rig.patchIo(1);

    const auto applyDamaged = [&](const std::string& bytes) {
        writeFile(t.file("bad.qlypatch"), bytes);
        std::filesystem::remove_all(t.file("stage"));
        std::filesystem::create_directories(t.file("stage"));
        expectDamaged([&] {
            const patch::PatchArchive archive = rig.read(t.file("bad.qlypatch"));
            const patch::GameCheck check = patch::CheckGame(archive, t.file("game/"), io);
            patch::StageFiles(archive, t.file("bad.qlypatch"), check, t.file("game/"),
                              t.file("stage"), io);
        });
    };
    for (std::size_t i = 0; i < good.size(); ++i) {
        SCOPED_TRACE("byte " + std::to_string(i));
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ (1 << (i % 8)));
        applyDamaged(bad);
    }
    for (std::size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE("cut at " + std::to_string(n));
        expectDamaged([&] {
            MemoryFile cut(good.substr(0, n));
            patch::PatchArchive::Read(cut);
        });
    }
}

// Directories the writer never makes, each refused by the reader.
TEST(PatchDamage, DirectoriesThatBreakTheRulesAreRefused) {
    const auto whole = [](std::string name, uint64_t size = 1) {
        PatchEntry e;
        e.name = std::move(name);
        e.newFile.size = size;
        e.wholeOffset = 0;
        return e;
    };
    const auto removed = [](std::string name) {
        PatchEntry e;
        e.kind = EntryKind::Removed;
        e.name = std::move(name);
        e.oldFile = patch::FileState{};
        return e;
    };
    PatchEntry delta = whole("d.bin", 4);
    delta.kind = EntryKind::Delta;
    delta.oldFile = patch::FileState{};
    delta.differences = {0, 1};
    delta.extra = {0, 1}; // 1 + 1 bytes cannot make a file of 4
    PatchEntry carriedWhole = whole("w.bin");
    carriedWhole.arithmetic = patch::DiffArithmetic::Carried;

    struct Case {
        const char* what;
        std::vector<PatchEntry> entries;
        bool accepted;
    };
    const std::vector<Case> cases{
        {"a file removed and a folder of its name written", {removed("a"), whole("A\\b")}, true},
        {"two names that meet in letter case", {whole("data.txt"), whole("DATA.TXT")}, false},
        {"a name leaving the folder", {whole("..\\evil.dll")}, false},
        {"an absolute name", {whole("\\windows\\evil.dll")}, false},
        {"a drive letter", {whole("c:evil.dll")}, false},
        {"a file written inside another written file", {whole("a"), whole("a\\b")}, false},
        {"whole data beyond its section", {whole("big", 1000)}, false},
        {"a delta that does not add up", {delta}, false},
        {"a whole file whose difference bytes carry", {carriedWhole}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder t;
        {
            PatchRig rig;
            auto spill = rig.files.open(t.file("blocks"), OpenMode::CreateAlways);
            patch::PatchArchiveWriter writer(*spill);
            writer.append(patch::Section::Whole, std::string(10, 'w'));
            writer.append(patch::Section::Differences, "d");
            writer.append(patch::Section::Extra, "e");
            for (const PatchEntry& e : c.entries) {
                writer.addEntry(e);
            }
            const std::string head = writer.finish();
            spill.reset();
            writeFile(t.file("a.qlypatch"), head + readFile(t.file("blocks")));
        }
        PatchRig rig;
        if (c.accepted) {
            EXPECT_EQ(rig.read(t.file("a.qlypatch")).entries(), c.entries);
        } else {
            expectDamaged([&] { rig.read(t.file("a.qlypatch")); });
        }
    }
}

struct Record {
    uint64_t diff, extra;
    int64_t seek;
};

// Control records against a 10-byte old file.
TEST(PatchDamage, ControlRecordsOutsideTheFilesAreRefused) {
    MemoryFile old("0123456789");
    struct Case {
        const char* what;
        std::string control;
        uint64_t newSize;
        uint64_t differences, extra;
    };
    const auto records = [](std::initializer_list<Record> list) {
        std::string out;
        for (const Record& r : list) {
            patch::AppendControlRecord(out, r.diff, r.extra, r.seek);
        }
        return out;
    };
    const std::vector<Case> cases{
        {"differences past the old file", records({{11, 0, 0}}), 11, 11, 0},
        {"differences past the new file", records({{5, 0, 0}}), 3, 5, 0},
        {"extra bytes past the new file", records({{0, 5, 0}}), 3, 0, 5},
        {"a seek before the old file", records({{2, 0, -3}}), 2, 2, 0},
        {"a seek past the old file", records({{2, 0, 9}}), 2, 2, 0},
        {"the most negative seek", records({{2, 0, INT64_MIN}}), 2, 2, 0},
        {"a record that makes nothing after the first", records({{1, 0, 0}, {0, 0, 0}, {1, 0, 0}}),
         2, 2, 0},
        {"a length of 2^64 - 1", records({{UINT64_MAX, 0, 0}}), 5, 5, 0},
        {"a number beyond 64 bits", std::string(11, '\xFF'), 5, 5, 0},
        {"a record cut short", "\x80", 5, 5, 0},
        {"difference bytes no record uses", records({{2, 0, 0}}), 2, 3, 0},
        {"records that stop before the file ends", records({{2, 0, 0}}), 4, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string differences(c.differences, '\0');
        const std::string extra(c.extra, 'e');
        patch::MemorySource control(c.control), diff(differences), ext(extra);
        expectDamaged([&] { patch::DecodeDelta(control, diff, ext, old, c.newSize, [](auto) {}); });
        patch::MemorySource control2(c.control);
        expectDamaged(
            [&] { patch::CheckDeltaRecords(control2, 10, c.newSize, c.differences, c.extra); });
    }
    // The same checks let a sound delta through: a start, a move back, and extra bytes.
    std::string control;
    patch::AppendControlRecord(control, 0, 0, 4);
    patch::AppendControlRecord(control, 3, 2, -5);
    patch::AppendControlRecord(control, 2, 0, 0);
    const std::string differences = std::string(3, '\0') + "\x01\x01";
    patch::MemorySource c(control), d(differences), x(std::string_view("ab"));
    std::string out;
    patch::DecodeDelta(c, d, x, old, 7,
                       [&](std::span<const char> b) { out.append(b.data(), b.size()); });
    EXPECT_EQ(out, "456ab34");
}

TEST(PatchDamage, BlocksThatDoNotDecodeToTheirSizeAreRefused) {
    const std::string raw = std::string(5000, 'a') + "tail";
    for (const auto kind : {patch::DataKind::General, patch::DataKind::Differences}) {
        const patch::PackedBlock packed = patch::CompressBlock(raw, kind);
        ASSERT_NE(packed.codec, patch::Codec::Stored);
        std::string out(raw.size(), '\0');
        patch::DecompressBlock(packed.codec, packed.bytes, out);
        EXPECT_EQ(out, raw);
        std::string shorter(raw.size() - 1, '\0');
        expectDamaged([&] { patch::DecompressBlock(packed.codec, packed.bytes, shorter); });
        std::string longer(raw.size() + 1, '\0');
        expectDamaged([&] { patch::DecompressBlock(packed.codec, packed.bytes, longer); });
        expectDamaged([&] { patch::DecompressBlock(packed.codec, packed.bytes + "x", out); });
    }
    std::string out(3, '\0');
    expectDamaged([&] { patch::DecompressBlock(patch::Codec::Stored, "four", out); });
    expectDamaged([&] { patch::DecompressBlock(static_cast<patch::Codec>(9), "abc", out); });
}

// A block is decoded from its packed bytes as they are read, in pieces of any size (the LZMA
// properties split too): the same bytes come out, and a byte after the end or one missing
// is refused wherever the pieces fall.
TEST(PatchDamage, BlocksDecodeAlikeFedInAnyPiecesAndRefuseAByteTooManyOrTooFew) {
    std::mt19937 gen(5);
    std::string raw;
    while (raw.size() < 150000) {
        raw += "word" + std::to_string(gen() % 5000) + (gen() % 7 == 0 ? "\n" : " ");
    }
    std::string lzma(raw.size() * 2, '\0');
    std::size_t lzmaSize = lzma.size();
    ASSERT_EQ(qly_lzma_encode(reinterpret_cast<const uint8_t*>(raw.data()), raw.size(),
                              reinterpret_cast<uint8_t*>(lzma.data()), &lzmaSize, 1u << 20, 3, 0,
                              2),
              0);
    lzma.resize(lzmaSize);
    uLongf zlibSize = compressBound(static_cast<uLong>(raw.size()));
    std::string zlib(zlibSize, '\0');
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(zlib.data()), &zlibSize,
                        reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                        6),
              Z_OK);
    zlib.resize(zlibSize);
    const auto decode = [&](patch::Codec codec, const std::string& packed, std::size_t piece) {
        std::string out(raw.size(), '\0');
        patch::BlockDecoder decoder(codec, out);
        for (std::size_t at = 0; at < packed.size(); at += piece) {
            decoder.feed(std::string_view(packed).substr(at, piece));
        }
        decoder.finish();
        return out;
    };
    const std::pair<patch::Codec, std::string> blocks[] = {
        {patch::Codec::Lzma, lzma}, {patch::Codec::Zlib, zlib}, {patch::Codec::Stored, raw}};
    for (const auto& [codec, packed] : blocks) {
        SCOPED_TRACE(static_cast<int>(codec));
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{6},
                                        std::size_t{4096}, std::size_t{65536}, packed.size()}) {
            SCOPED_TRACE(piece);
            EXPECT_EQ(decode(codec, packed, piece), raw);
            expectDamaged([&] { decode(codec, packed + "x", piece); });
            for (std::size_t cut = 1; cut <= 5; ++cut) { // the range coder's last bytes too
                expectDamaged([&] { decode(codec, packed.substr(0, packed.size() - cut), piece); });
            }
        }
    }
}

// The x86 transform is undone exactly on any bytes, and makes calls to one target alike.
TEST(PatchX86, TransformIsUndoneExactlyAndMakesCallsToOneTargetAlike) {
    std::mt19937 gen(11);
    for (std::size_t round = 0; round < 5000; ++round) {
        std::string bytes(round % 64, '\0');
        for (char& c : bytes) {
            const uint32_t r = gen() % 4;
            c = static_cast<char>(r == 0   ? 0xE8
                                  : r == 1 ? 0xE9
                                  : r == 2 ? (gen() % 2 ? 0 : 0xFF)
                                           : gen());
        }
        std::string coded = bytes;
        patch::X86Encode(coded);
        patch::X86Decode(coded);
        ASSERT_EQ(coded, bytes) << round;
    }
    // call +0x100 at 0 and call +0xF6 at 10 reach the same target.
    std::string calls = std::string("\xE8\x00\x01\x00\x00", 5) + std::string(5, '\x90') +
                        std::string("\xE8\xF6\x00\x00\x00", 5);
    patch::X86Encode(calls);
    EXPECT_EQ(calls.substr(1, 4), calls.substr(11, 4));
}

} // namespace
} // namespace qly::test
