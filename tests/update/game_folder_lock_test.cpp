// One run per game folder: a second run waits a few seconds for the first, then refuses
// without touching the folder, not even to recover it; the lock is held while the folder
// changes.
#include "support/fake_folder_locks.h"
#include "support/form1_rig.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;

constexpr const char* kGame = "C:\\Games\\Quillory";
constexpr const char* kBusy =
    "Another update of this game folder is running. Wait until it has finished, then try again.";

// A game whose folder holds the journal of an interrupted run (recovering it changes files).
void prepare(Form1Rig& rig, test::FakeFolderLocks& locks) {
    rig.addLanguage("eng", "EN");
    rig.fs.addFile("update\\data\\level.pak", std::string(1000, 'p'));
    rig.registerGame(kGame, true);
    const std::string game = std::string(kGame) + "\\";
    rig.fs.addFile(game + "readme.txt", "old readme");
    rig.fs.addFile(game + "qlypatch-stage-1\\0.new", "half");
    rig.fs.addFile(game + "qlypatch-stage-1\\journal",
                   "qlypatch journal 2\nphase staging\nstage qlypatch-stage-1\n"
                   "file old - - readme.txt\n");
    rig.folderLocks_ = &locks;
}

bool logged(const Form1Rig& rig, const std::string& part) {
    return std::any_of(rig.log_.begin(), rig.log_.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

TEST(GameFolderLockTest, SecondRunWaitsAFewSecondsThenRefusesWithoutTouchingTheFolder) {
    test::FakeFolderLocks locks;
    const auto firstRun = locks.tryLock(kGame);
    Form1Rig rig;
    prepare(rig, locks);
    ASSERT_TRUE(rig.load());
    EXPECT_GE(rig.loop_.tickCount(), 5000u);
    EXPECT_LT(rig.loop_.tickCount(), 7000u);
    EXPECT_GT(locks.tries_, 2); // tried again while waiting, not once at the end
    EXPECT_EQ(rig.text_.shown_.back(), kBusy);
    EXPECT_TRUE(logged(rig, "lock: another update of C:\\Games\\Quillory is running"));
    // The other run's journal is its own: not recovered from under it.
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\journal"));
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\0.new"));
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);

    // Update pressed all the same: the run tries once more, then ends the same way.
    rig.form().Command1_Click();
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);
    EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\data\\level.pak"));
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\journal"));
}

TEST(GameFolderLockTest, RunThatWaitedGoesOnOnceTheOtherEndsAndHoldsTheFolderWhileItChangesIt) {
    test::FakeFolderLocks locks;
    auto firstRun = locks.tryLock(kGame);
    Form1Rig rig;
    prepare(rig, locks);
    // The first run ends while the second waits: after the second's third try.
    for (int yield = 1; yield < 1000; ++yield) {
        rig.loop_.at(yield, [&] {
            if (locks.tries_ == 3) {
                firstRun.reset();
            }
        });
    }
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(locks.tries_, 4);
    EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\journal")); // recovered
    EXPECT_EQ(rig.fs.contents(std::string(kGame) + "\\readme.txt"), "old readme");
    // Let go while the window waits for the user; taken again for the whole update.
    EXPECT_FALSE(locks.held(kGame));
    bool heldDuringCopy = false;
    rig.loop_.at(rig.loop_.yields() + 3, [&] { heldDuringCopy = locks.held(kGame); });
    rig.form().Command1_Click();
    EXPECT_TRUE(heldDuringCopy);
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::Installed);
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\data\\level.pak"));
    EXPECT_FALSE(locks.held(kGame));
}

// A registered folder without the game is never changed (the user is asked for another): it
// is not waited for, even while another run holds it.
TEST(GameFolderLockTest, FolderWithoutTheGameIsNotWaitedFor) {
    test::FakeFolderLocks locks;
    const auto otherRun = locks.tryLock(kGame);
    Form1Rig rig;
    rig.addLanguage("eng", "EN");
    rig.fs.addFile("update\\data\\level.pak", "p");
    rig.registerGame(kGame, false);
    rig.folderLocks_ = &locks;
    rig.options_.unattended = true;
    ASSERT_TRUE(rig.load());
    EXPECT_LT(rig.loop_.tickCount(), 1000u);
    EXPECT_EQ(locks.tries_, 1); // the other run's own
    rig.form().Command1_Click();
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::GameNotFound);
}

} // namespace
} // namespace qly
