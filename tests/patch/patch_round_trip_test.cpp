// A patch made from two folders turns a copy of the old folder into exactly the new one.
#include "common/error.h"
#include "support/patch_rig.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace qly::test {
namespace {

using Files = std::map<std::string, std::string>;

std::string randomBytes(std::size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out(n, '\0');
    for (char& c : out) {
        c = static_cast<char>(gen() & 0xFF);
    }
    return out;
}

// x86-like code: calls (E8) to a few targets, displacements relative to each call's end.
std::string program(std::size_t calls, std::size_t shiftAt, std::size_t shift) {
    std::string out = "MZ";
    std::mt19937 gen(3);
    for (std::size_t i = 0; i < calls; ++i) {
        if (i == shiftAt) {
            out += std::string(shift, '\x90');
        }
        const uint32_t target = 4096 * (1 + gen() % 8);
        const uint32_t rel = target - static_cast<uint32_t>(out.size() + 5);
        out += '\xE8';
        for (int k = 0; k < 4; ++k) {
            out += static_cast<char>(rel >> (8 * k) & 0xFF);
        }
        out += randomBytes(3, static_cast<uint32_t>(i % 7));
    }
    return out;
}

struct TreeCase {
    const char* what;
    Files before;
    Files after;
};

void writeTree(const TempFolder& t, const std::string& root, const Files& files) {
    t.makeFolder(root);
    for (const auto& [name, contents] : files) {
        t.write(root + "/" + name, contents);
    }
}

class PatchRoundTrip : public ::testing::TestWithParam<TreeCase> {};

TEST_P(PatchRoundTrip, TurnsTheOldFolderIntoTheNewOneAndKnowsWhenItIsDone) {
    const TreeCase& c = GetParam();
    TempFolder t;
    writeTree(t, "old", c.before);
    writeTree(t, "new", c.after);
    writeTree(t, "game", c.before);
    PatchRig rig;
    rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"));

    EXPECT_EQ(rig.apply(t.file("p.qlypatch"), t.file("game/"), t.file("stage")).state,
              patch::GameState::Old);
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(t.file("new"), true))
        << c.what;
    // Applied twice: the game is already new and nothing changes.
    EXPECT_EQ(rig.apply(t.file("p.qlypatch"), t.file("game/"), t.file("stage2")).state,
              patch::GameState::New);
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(t.file("new"), true))
        << c.what;
}

const std::string kData = randomBytes(300000, 1);
const std::string kDataEdited = [] {
    std::string s = kData;
    s.insert(1000, "inserted words");
    s.erase(150000, 777);
    s[200000] ^= 0x55;
    // A byte raised past the top of its range: its difference carries into the next byte.
    std::size_t low = 250000;
    while (static_cast<uint8_t>(s[low]) >= 0x60) {
        ++low;
    }
    s[low] = static_cast<char>(s[low] + 0xB0);
    return s + "appended tail";
}();

INSTANTIATE_TEST_SUITE_P(
    Trees, PatchRoundTrip,
    ::testing::Values(
        TreeCase{"edits of a binary file, one unchanged, one added, one removed",
                 {{"data.pak", kData}, {"same.txt", "same"}, {"gone.txt", "bye"}},
                 {{"data.pak", kDataEdited}, {"same.txt", "same"}, {"sub/new.txt", "hello"}}},
        TreeCase{"empty files: made, emptied, kept",
                 {{"a", ""}, {"b", "full"}, {"c", ""}},
                 {{"a", "now full"}, {"b", ""}, {"c", ""}}},
        TreeCase{"a file turned into a folder", {{"x", "file"}}, {{"x/inner.txt", "in a folder"}}},
        TreeCase{"a folder turned into a file", {{"x/inner.txt", "in a folder"}}, {{"x", "file"}}},
        TreeCase{"a rename in letter case only, contents kept",
                 {{"Data/Readme.TXT", "text"}},
                 {{"Data/README.txt", "text"}}},
        TreeCase{"a file removed and one of the same name in other case added",
                 {{"map.DAT", kData}},
                 {{"MAP.dat", kDataEdited}}},
        TreeCase{"names outside ASCII, Cyrillic letter case",
                 {{"Ünïcødé/日本語.dat", kData}, {"ФАЙЛ.txt", "old"}},
                 {{"Ünïcødé/日本語.dat", kDataEdited}, {"файл.txt", "new"}}},
        TreeCase{"a Windows program whose code moved",
                 {{"game.exe", program(20000, 0, 0)}},
                 {{"game.exe", program(20000, 9000, 3)}}}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

TEST(PatchMake, CountsWhatChangedAndPacksAnEditFarBelowTheFile) {
    TempFolder t;
    writeTree(t, "old", {{"data.pak", kData}, {"same.txt", "same"}, {"gone.txt", "bye"}});
    writeTree(t, "new", {{"data.pak", kDataEdited}, {"same.txt", "same"}, {"added.txt", "hi"}});
    PatchRig rig;
    const patch::MakeSummary s = rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"));
    EXPECT_EQ(std::tuple(s.added, s.changed, s.removed, s.unchanged), std::tuple(1, 1, 1, 1));
    EXPECT_EQ(s.bytesAfter, kDataEdited.size() + 6);
    // Random data does not compress: only a delta makes the patch small.
    EXPECT_LT(s.patchSize, 4000u);
}

TEST(PatchMake, StoresCopiesOfOneFileOnce) {
    TempFolder t;
    writeTree(t, "old", {});
    // Over a block apart, so that the codec cannot find the second copy by itself.
    const std::string data = randomBytes(1100000, 9);
    writeTree(t, "new", {{"a.bin", data}, {"copy/b.bin", data}});
    writeTree(t, "game", {});
    PatchRig rig;
    const patch::MakeSummary s = rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"));
    EXPECT_LT(s.patchSize, data.size() + data.size() / 10);
    rig.apply(t.file("p.qlypatch"), t.file("game/"), t.file("stage"));
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(t.file("new"), true));
}

TEST(PatchMake, DiffsOneChangeUnderSeveralNamesOnce) {
    TempFolder t;
    const std::string oldProgram = program(20000, 0, 0);
    const std::string newProgram = program(20000, 9000, 3);
    // The program under a name that asks for the x86 transform and under one that does not,
    // and a third copy whose new version differs: it gets a delta of its own.
    writeTree(t, "old", {{"a.dll", oldProgram}, {"b.bin", oldProgram}, {"c.bin", oldProgram}});
    writeTree(t, "new",
              {{"a.dll", newProgram}, {"b.bin", newProgram}, {"c.bin", program(20000, 5000, 7)}});
    writeTree(t, "game", {{"a.dll", oldProgram}, {"b.bin", oldProgram}, {"c.bin", oldProgram}});
    PatchRig rig;
    rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"));
    const patch::PatchArchive archive = rig.read(t.file("p.qlypatch"));
    std::map<std::string, patch::PatchEntry> entries;
    for (const patch::PatchEntry& e : archive.entries()) {
        entries[e.name] = e;
    }
    ASSERT_EQ(entries.size(), 3u);
    const patch::PatchEntry& a = entries["a.dll"];
    const patch::PatchEntry& b = entries["b.bin"];
    EXPECT_EQ(std::tuple(b.kind, b.x86, b.arithmetic, b.control, b.differences, b.extra),
              std::tuple(a.kind, a.x86, a.arithmetic, a.control, a.differences, a.extra));
    EXPECT_NE(entries["c.bin"].extra, a.extra);
    EXPECT_EQ(archive.sectionSize(patch::Section::Differences),
              a.differences.length + entries["c.bin"].differences.length);
    rig.apply(t.file("p.qlypatch"), t.file("game/"), t.file("stage"));
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(t.file("new"), true));
}

TEST(PatchMake, RefusesTwoNamesThatAreOneOnWindows) {
    TempFolder t;
    writeTree(t, "old", {});
    writeTree(t, "new", {{"File.txt", "a"}, {"FILE.TXT", "b"}});
    PatchRig rig;
    EXPECT_THROW(rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch")), Error);
    EXPECT_FALSE(t.exists("p.qlypatch"));
    EXPECT_FALSE(t.exists("p.qlypatch.blocks"));
}

// The old file the patch expects differs: refused naming it, unless the patch carries it whole.
TEST(PatchApply, ModifiedOldFileIsRefusedUnlessThePatchCarriesItWhole) {
    for (const bool fallback : {false, true}) {
        SCOPED_TRACE(fallback ? "with --fallback-whole" : "deltas only");
        TempFolder t;
        writeTree(t, "old", {{"a.pak", kData}, {"b.txt", "b"}});
        writeTree(t, "new", {{"a.pak", kDataEdited}, {"b.txt", "b2"}});
        writeTree(t, "game", {{"a.pak", kData + "modded"}, {"b.txt", "b"}});
        PatchRig rig;
        patch::MakeOptions options;
        options.fallbackWhole = fallback;
        rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"), options);
        const auto check = rig.apply(t.file("p.qlypatch"), t.file("game/"), t.file("stage"));
        if (fallback) {
            EXPECT_EQ(check.state, patch::GameState::Old);
            EXPECT_EQ(t.read("game/a.pak"), kDataEdited);
        } else {
            EXPECT_EQ(check.state, patch::GameState::Other);
            EXPECT_EQ(check.firstDifferent, "a.pak");
            EXPECT_EQ(t.read("game/a.pak"), kData + "modded");
            EXPECT_FALSE(t.exists("stage"));
        }
    }
}

TEST(PatchApply, KeepWholeShipsTheMatchingFilesWhole) {
    TempFolder t;
    writeTree(t, "old", {{"movies/intro.bik", kData}, {"data.pak", kData}});
    writeTree(t, "new", {{"movies/intro.bik", kDataEdited}, {"data.pak", kDataEdited}});
    PatchRig rig;
    patch::MakeOptions options;
    options.keepWhole = {"*.bik"};
    rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"), options);
    std::map<std::string, patch::EntryKind> kinds;
    const patch::PatchArchive archive = rig.read(t.file("p.qlypatch"));
    for (const auto& e : archive.entries()) {
        kinds[e.name] = e.kind;
    }
    EXPECT_EQ(kinds, (std::map<std::string, patch::EntryKind>{
                         {"data.pak", patch::EntryKind::Delta},
                         {"movies\\intro.bik", patch::EntryKind::Whole}}));
}

// The delta maker's windows: a file diffed in segments decodes to itself, and edits stay small
// in any segment size; a move across the whole file is found only within one segment.
TEST(PatchDelta, FilesDiffedInSegmentsDecodeExactly) {
    const std::string a = randomBytes(100000, 5);
    const std::string b = randomBytes(100000, 6);
    struct Case {
        std::string old, neu;
        uint64_t segment;
        bool small;
    };
    for (const Case& c : {Case{a + b, kDataEdited.substr(0, 1000) + a + "x" + b, 4096, true},
                          Case{a + b, b + "x" + a, 65536, false},
                          Case{a + b, b + "x" + a, uint64_t{1} << 30, true}}) {
        SCOPED_TRACE(c.segment);
        TempFolder t;
        t.write("old", c.old);
        t.write("new", c.neu);
        posix::PosixRandomAccessFile oldFile(t.file("old"));
        posix::PosixRandomAccessFile newFile(t.file("new"));
        patch::DeltaStreams all;
        patch::MakeDeltaOfFiles(oldFile, newFile, c.segment, [&](const patch::DeltaStreams& d) {
            all.control += d.control;
            all.differences += d.differences;
            all.extra += d.extra;
        });
        patch::MemorySource control(all.control), differences(all.differences), extra(all.extra);
        std::string out;
        patch::DecodeDelta(
            control, differences, extra, oldFile, c.neu.size(),
            [&](std::span<const char> bytes) { out.append(bytes.data(), bytes.size()); });
        EXPECT_TRUE(out == c.neu);
        if (c.small) {
            EXPECT_LT(all.extra.size(), 2000u);
        }
    }
}

// Two versions of a small Debian package, fetched by tests/patch/fetch_pair.sh.
TEST(PatchRealPair, TwoReleasesOfAPackageRoundTrip) {
    const char* source = std::getenv("QLY_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string cache = std::string(source) + "/build/pairs/zstd";
    const std::string command = std::string(source) +
                                "/tests/patch/fetch_pair.sh zstd 1.5.4+dfsg2-5 " +
                                "1.5.4+dfsg2-5+deb12u1 " + cache;
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "the Debian archive cannot be reached: " << command;
    }
    TempFolder t;
    // Links are copied as the files they point to, as a game folder on Windows holds them.
    std::filesystem::copy(cache + "/old", t.file("game"), std::filesystem::copy_options::recursive);
    PatchRig rig;
    const auto s = rig.make(cache + "/old", cache + "/new", t.file("p.qlypatch"));
    EXPECT_GT(s.changed, 0);
    EXPECT_LT(s.patchSize * 20, s.bytesAfter);
    rig.apply(t.file("p.qlypatch"), t.file("game/"), t.file("stage"));
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(cache + "/new", true));
}

} // namespace
} // namespace qly::test
