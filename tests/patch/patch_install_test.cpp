// A patch archive installed through the update transaction on real folders: made from two
// trees, applied to a copy of the old one, applied again, refused on a game it cannot start
// from; and a delta that reads an old file beyond 4 GiB.
#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "patch/patch_files.h"
#include "support/fake_message_loop.h"
#include "support/patch_rig.h"
#include "support/temp_folder.h"
#include "update/update_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

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

void writeTree(const TempFolder& t, const std::string& root, const Files& files) {
    t.makeFolder(root);
    for (const auto& [name, contents] : files) {
        t.write(root + "/" + name, contents);
    }
}

// The update run's way with an archive: checked against the game, then installed as one
// transaction. Returns the check and the engine's result (empty when not run).
struct Installed {
    patch::GameState state = patch::GameState::Other;
    std::string firstDifferent;
    CopyResult result;
    std::optional<CopyFailure> failure;
};

Installed install(PatchRig& rig, const std::string& archive, const std::string& game) {
    patch::PatchFiles made(rig.files, rig.hashes, archive, game);
    Installed out{made.check().state, made.check().firstDifferent, std::nullopt, std::nullopt};
    if (out.state == patch::GameState::Old) {
        FakeMessageLoop loop;
        classCopySys engine(rig.files, loop);
        out.result = NumericResult(engine.InstallMade(made, "", game));
        out.failure = engine.LastFailure;
    }
    return out;
}

const std::string kData = randomBytes(200000, 1);
const std::string kEdited = [] {
    std::string s = kData;
    s.insert(1000, "inserted words");
    s[150000] ^= 0x55;
    return s + "tail";
}();

struct InstallCase {
    const char* what;
    Files before;
    Files after;
    bool refused = false; // the transaction cannot take it: refused with nothing changed
};

class PatchInstall : public ::testing::TestWithParam<InstallCase> {};

TEST_P(PatchInstall, MakesTheNewTreeOnceAndThenKnowsItIsDone) {
    const InstallCase& c = GetParam();
    SCOPED_TRACE(c.what);
    TempFolder t;
    writeTree(t, "old", c.before);
    writeTree(t, "new", c.after);
    writeTree(t, "game", c.before);
    PatchRig rig;
    rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"));

    const Installed first = install(rig, t.file("p.qlypatch"), t.winPath() + "game\\");
    ASSERT_EQ(first.state, patch::GameState::Old);
    if (c.refused) {
        EXPECT_EQ(first.result, -1);
        EXPECT_EQ(PatchRig::files_of(t.file("game"), true),
                  PatchRig::files_of(t.file("old"), true));
        return;
    }
    ASSERT_TRUE(first.result >= 0) << DescribeCopyFailure(first.failure);
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(t.file("new"), true));
    EXPECT_EQ(install(rig, t.file("p.qlypatch"), t.winPath() + "game\\").state,
              patch::GameState::New);
    EXPECT_EQ(PatchRig::files_of(t.file("game"), true), PatchRig::files_of(t.file("new"), true));
}

INSTANTIATE_TEST_SUITE_P(
    Trees, PatchInstall,
    ::testing::Values(
        InstallCase{"a delta, a file unchanged, one added in a new folder, one removed",
                    {{"data.pak", kData}, {"same.txt", "same"}, {"gone.txt", "bye"}},
                    {{"data.pak", kEdited}, {"same.txt", "same"}, {"sub/deep/new.txt", "hello"}}},
        InstallCase{"empty files: made, emptied, kept, and a delta to nothing",
                    {{"a", ""}, {"b", "full"}, {"c", ""}, {"d.pak", kData}},
                    {{"a", "now full"}, {"b", ""}, {"c", ""}, {"d.pak", ""}}},
        InstallCase{"a rename in letter case only, and one with new contents",
                    {{"Data/Readme.TXT", "text"}, {"map.DAT", kData}},
                    {{"Data/README.txt", "text"}, {"MAP.dat", kEdited}}},
        InstallCase{"names outside ASCII",
                    {{"Ünïcødé/日本語.dat", kData}, {"ФАЙЛ.txt", "old"}},
                    {{"Ünïcødé/日本語.dat", kEdited}, {"файл.txt", "new"}}},
        InstallCase{"a file turned into a folder",
                    {{"x", kData}, {"keep.txt", "k"}},
                    {{"x/inner.txt", "in"}, {"x/deeper/more.dat", kEdited}, {"keep.txt", "k"}}},
        InstallCase{"a folder turned into a file",
                    {{"x/inner.txt", "in"}, {"x/sub/deep.dat", kData}, {"keep.txt", "k"}},
                    {{"x", kEdited}, {"keep.txt", "k"}}},
        InstallCase{"both, below folders that stay",
                    {{"a/b", "file b"}, {"c/d/e.txt", "e"}, {"c/keep.txt", "k"}},
                    {{"a/b/f.txt", "f"}, {"c/d", "now a file"}, {"c/keep.txt", "k"}}},
        InstallCase{"in other letter case",
                    {{"Data", "file"}, {"Saves/slot1", "s"}},
                    {{"data/x.txt", "x"}, {"saves", "a file"}}}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

// A folder that the new version turns into a file, holding a file the old version did not have
// (the player's save) or a link: refused naming the folder, and nothing changes.
TEST(PatchInstall, AFolderWithThePlayersFilesIsNotTakenAwayForAFile) {
    for (const bool link : {false, true}) {
        SCOPED_TRACE(link ? "a link in it" : "a save in it");
        TempFolder t;
        writeTree(t, "old", {{"saves/readme.txt", "r"}, {"a.txt", "a"}});
        writeTree(t, "new", {{"saves", "a file now"}, {"a.txt", "a2"}});
        writeTree(t, "game", {{"saves/readme.txt", "r"}, {"a.txt", "a"}});
        if (link) {
            std::filesystem::create_directory_symlink(t.file("old"),
                                                      t.file("game/saves/elsewhere"));
        } else {
            t.write("game/saves/deep/slot1.sav", "the player's");
        }
        const Files before = PatchRig::files_of(t.file("game"), true);
        PatchRig rig;
        rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"));
        const Installed done = install(rig, t.file("p.qlypatch"), t.winPath() + "game\\");
        EXPECT_EQ(done.state, patch::GameState::Other);
        EXPECT_EQ(done.firstDifferent, "saves");
        EXPECT_EQ(PatchRig::files_of(t.file("game"), true), before);
    }
}

// A game with one file modified: refused naming it, and nothing changes; the same file carried
// whole by the patch is replaced.
TEST(PatchInstall, AModifiedFileIsNamedAndNothingChangesUnlessItComesWhole) {
    for (const bool fallback : {false, true}) {
        SCOPED_TRACE(fallback ? "with --fallback-whole" : "deltas only");
        TempFolder t;
        writeTree(t, "old", {{"a.pak", kData}, {"b.txt", "b"}, {"gone.txt", "x"}});
        writeTree(t, "new", {{"a.pak", kEdited}, {"b.txt", "b2"}});
        writeTree(t, "game", {{"a.pak", kData}, {"b.txt", "b"}, {"gone.txt", "x"}});
        t.write("game/a.pak", kData + "modded");
        const Files before = PatchRig::files_of(t.file("game"), true);
        PatchRig rig;
        patch::MakeOptions options;
        options.fallbackWhole = fallback;
        rig.make(t.file("old"), t.file("new"), t.file("p.qlypatch"), options);
        const Installed done = install(rig, t.file("p.qlypatch"), t.winPath() + "game\\");
        if (fallback) {
            EXPECT_EQ(done.result, std::ssize(kEdited) + 2);
            EXPECT_EQ(PatchRig::files_of(t.file("game"), true),
                      PatchRig::files_of(t.file("new"), true));
        } else {
            EXPECT_EQ(done.state, patch::GameState::Other);
            EXPECT_EQ(done.firstDifferent, "a.pak");
            EXPECT_EQ(PatchRig::files_of(t.file("game"), true), before);
        }
    }
}

// An old file larger than 4 GiB (sparse): the delta copies bytes on both sides of the 4 GiB mark
// and far beyond it, so a position cut to 32 bits anywhere reads the wrong bytes.
TEST(PatchInstall, ADeltaReadsAnOldFileBeyondFourGiB) {
    TempFolder t;
    constexpr int64_t kFour = int64_t{1} << 32;
    constexpr int64_t kOldSize = kFour + (int64_t{1} << 29);
    const std::string near = "bytes across the 4 GiB mark";
    const std::string far = "bytes 512 MiB further on";
    {
        t.makeFolder("game");
        const int fd = ::open(t.file("game/big.dat").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kOldSize), 0);
        ASSERT_EQ(::pwrite(fd, near.data(), near.size(), kFour - 10), std::ssize(near));
        ASSERT_EQ(::pwrite(fd, far.data(), far.size(), kOldSize - 100), std::ssize(far));
        ::close(fd);
    }
    std::string control;
    patch::AppendControlRecord(control, 0, 0, kFour - 10);
    patch::AppendControlRecord(control, near.size(), 1,
                               kOldSize - 100 - (kFour - 10) - static_cast<int64_t>(near.size()));
    patch::AppendControlRecord(control, far.size(), 0, 0);
    const std::string differences(near.size() + far.size(), '\1');
    std::string expected;
    for (const char c : near + "!" + far) {
        expected += c == '!' ? '!' : static_cast<char>(c + 1);
    }

    PatchRig rig;
    auto spill = rig.files.open(t.file("spill"), OpenMode::CreateAlways);
    patch::PatchArchiveWriter writer(*spill);
    patch::PatchEntry e;
    e.kind = patch::EntryKind::Delta;
    e.name = "big.dat";
    e.oldFile = patch::FileState{static_cast<uint64_t>(kOldSize), {}};
    auto hash = rig.hashes.newSha256();
    hash->update(expected);
    e.newFile = {expected.size(), hash->finish()};
    e.control = writer.append(patch::Section::Control, control);
    e.differences = writer.append(patch::Section::Differences, differences);
    e.extra = writer.append(patch::Section::Extra, std::string("!"));
    writer.addEntry(e);
    const std::string head = writer.finish();
    spill.reset();
    t.write("p.qlypatch", head + t.read("spill"));

    posix::PosixRandomAccessFile archiveFile(t.file("p.qlypatch"));
    const patch::PatchArchive archive = patch::PatchArchive::Read(archiveFile);
    patch::SectionReaders readers(archive, archiveFile);
    auto made = patch::OpenMadeFile(archive.entries()[0], patch::EntryState::Old, readers,
                                    t.winPath() + "game\\", rig.files, rig.hashes);
    std::string got(expected.size(), '\0');
    EXPECT_EQ(made->read(got), expected.size());
    EXPECT_EQ(got, expected);
}

} // namespace
} // namespace qly::test
