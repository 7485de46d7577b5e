// The same rules on real folders, where links are the system's own: a symbolic link below the
// game folder pointing outside it, a journal planted to reach through one, and a crash between
// the backup's second name and the rename.
#include "engine/class_copy_sys.h"
#include "engine/journal.h"
#include "engine/transaction.h"
#include "platform/posix/posix_file_system.h"
#include "support/fake_message_loop.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

class RealGameFolder : public ::testing::Test {
protected:
    RealGameFolder() {
        dir.write("game/main.exe", "game");
        dir.write("outside/levels.dat", "not the game's");
        dir.write("update/data/levels.dat", "patched");
        dir.write("update/readme.txt", "new readme");
    }
    std::string game() const { return dir.winPath() + "\\game\\"; }
    CopyResult install() {
        classCopySys engine(fs, loop);
        const CopyResult result = engine.QuickCopy(dir.winPath() + "\\update\\", game());
        failure = engine.LastFailure;
        return result;
    }

    TempFolder dir;
    posix::PosixFileSystem fs;
    FakeMessageLoop loop;
    std::optional<CopyFailure> failure;
};

TEST_F(RealGameFolder, ASymlinkBelowTheGameFolderEndsTheRunAndNothingOutsideChanges) {
    stdfs::create_directory_symlink(dir.file("outside"), dir.file("game/data"));
    EXPECT_EQ(install(), -1);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::Link);
    EXPECT_EQ(failure->path, "data");
    EXPECT_EQ(dir.read("outside/levels.dat"), "not the game's");
    EXPECT_EQ(stdfs::directory_iterator(dir.file("outside"))->path().filename(), "levels.dat");
    EXPECT_FALSE(dir.exists("game/readme.txt"));
    EXPECT_FALSE(dir.exists("game/qlypatch-stage-1"));

    // A link to a file is refused the same way, never written through.
    stdfs::remove(dir.file("game/data"));
    stdfs::create_symlink(dir.file("outside/levels.dat"), dir.file("game/readme.txt"));
    EXPECT_EQ(install(), -1);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::Link);
    EXPECT_EQ(failure->path, "readme.txt");
    EXPECT_EQ(dir.read("outside/levels.dat"), "not the game's");
    stdfs::remove(dir.file("game/readme.txt"));

    // The game folder itself may be a link.
    stdfs::rename(dir.file("game"), dir.file("moved"));
    stdfs::create_directory_symlink(dir.file("moved"), dir.file("game"));
    EXPECT_EQ(install(), 7 + 10);
    EXPECT_EQ(dir.read("moved/data/levels.dat"), "patched");
}

TEST_F(RealGameFolder, APlantedJournalReachingThroughASymlinkIsLeftAlone) {
    stdfs::create_directory_symlink(dir.file("outside"), dir.file("game/data"));
    // The journal names the outside file's own identity, so only the link rule can stop it.
    const FileIdentity id = *fs.identityOf(dir.winPath() + "\\outside\\levels.dat");
    const std::string ids = std::to_string(id.volume) + "." + std::to_string(id.file);
    dir.write("game/qlypatch-stage-1/journal",
              "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\nfile new - " + ids +
                  " data\\levels.dat\n");
    EXPECT_EQ(RecoverInterruptedRun(fs, game()), RecoveryResult::Damaged);
    EXPECT_EQ(dir.read("outside/levels.dat"), "not the game's");
    EXPECT_TRUE(dir.exists("game/qlypatch-stage-1/journal"));
    // And the run refuses to start over it rather than write another journal.
    EXPECT_EQ(install(), -1);
    EXPECT_EQ(dir.read("outside/levels.dat"), "not the game's");
}

// Cut between the hard-linked backup and the rename: the old file holds both names. Recovery
// removes only the second name; the game keeps its file and nothing of the run stays.
TEST_F(RealGameFolder, ACrashBetweenTheBackupLinkAndTheRenameLeavesNoBackupBehind) {
    dir.write("game/qlypatch-stage-1/0.new", "patched");
    stdfs::create_hard_link(dir.file("game/main.exe"), dir.file("game/qlypatch-stage-1/0.old"));
    const auto id = [&](const std::string& rel) {
        const FileIdentity i = *fs.identityOf(game() + rel);
        return std::to_string(i.volume) + "." + std::to_string(i.file);
    };
    dir.write("game/qlypatch-stage-1/journal",
              "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\nfile old " +
                  id("main.exe") + " " + id("qlypatch-stage-1\\0.new") + " main.exe\n");
    EXPECT_EQ(RecoverInterruptedRun(fs, game()), RecoveryResult::Undone);
    EXPECT_EQ(dir.read("game/main.exe"), "game");
    EXPECT_FALSE(dir.exists("game/qlypatch-stage-1"));
    EXPECT_EQ(stdfs::hard_link_count(dir.file("game/main.exe")), 1u);
}

} // namespace
} // namespace qly::test
