// Whole update runs, driven through the window's events as the user would.
#include "engine/class_copy_sys.h"
#include "platform/posix/posix_file_system.h"
#include "support/fake_file_system.h"
#include "support/form1_rig.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly {
namespace {

using FakeFileSystem = test::PatternFileSystem;
using test::Form1Rig;
using test::FsOp;
using test::FullLangFile;
using Lines = std::vector<std::string>;

constexpr const char* kGame = "C:\\Games\\Quillory";

// A bundle and a game in memory: Polish and English, locale Polish, a small patch tree.
class UpdateRunTest : public ::testing::Test {
protected:
    UpdateRunTest() {
        fs.addFile("lang\\pol.lng", FullLangFile("POL", "PL", 238));
        fs.addFile("lang\\eng.lng", FullLangFile("ENG", "EN"));
        fs.addFile("update\\readme.txt", std::string(1000, 'r'));
        fs.addFile("update\\data\\level.pak", std::string(150000, 'p'));
        rig.locale_.id_ = 0x0415;
    }

    void registerGame(bool withProgram) {
        rig.registry_.set("SOFTWARE\\Brantmoor Games\\Quillory", "Install Path", kGame);
        fs.addFolder(kGame);
        if (withProgram) {
            fs.addFile(std::string(kGame) + "\\main.exe", "MZ");
        }
    }

    // The lines written since the start-up's introduction.
    Lines runLines() const {
        Lines all = rig.text_.shown();
        return Lines(all.begin() + 2, all.end());
    }

    void expectExitButton(const std::string& tag) {
        EXPECT_EQ(rig.command1_.caption_, tag + " wyjdz");
        EXPECT_TRUE(rig.command1_.enabled_);
        EXPECT_TRUE(rig.combo_.enabled_);
        EXPECT_GE(rig.command1_.focusCount_, 2); // once after start-up, once after the run
        EXPECT_FALSE(rig.form().isBusy());
        EXPECT_EQ(rig.form().etap, 1);
    }

    FakeFileSystem fs;
    Form1Rig rig{fs, "C:\\Patch", false};
};

TEST_F(UpdateRunTest, GameWithProgramIsPatchedWithBarCaptionAndSuccessLines) {
    test::TempFolder bundle;
    bundle.write("game/main.exe", "MZ");
    // The bundle lives in the program folder; start-up must make it the working folder.
    bundle.write("patch/lang/pol.lng", FullLangFile("POL", "PL", 238));
    bundle.write("patch/update/readme.txt", std::string(1000, 'r'));
    bundle.write("patch/update/data/level.pak", std::string(150000, 'p'));
    posix::PosixFileSystem disk;
    Form1Rig real(disk, bundle.winPath() + "patch", true);
    real.locale_.id_ = 0x0415;
    real.registry_.set("SOFTWARE\\Brantmoor Games\\Quillory", "Install Path",
                       bundle.winPath() + "game");

    ASSERT_TRUE(real.load());
    EXPECT_EQ(real.form().status, 1);
    real.form().Command1_Click();

    EXPECT_EQ(bundle.read("game/readme.txt"), std::string(1000, 'r'));
    EXPECT_EQ(bundle.read("game/data/level.pak"), std::string(150000, 'p'));
    EXPECT_EQ(real.form().ErrorCode, 151000);
    const Lines shown = real.text_.shown();
    EXPECT_EQ(Lines(shown.begin() + 2, shown.end()), (Lines{" ", " ", " ", "PL poz1", "PL poz2"}));
    ASSERT_FALSE(real.text_.bars().empty());
    EXPECT_EQ(real.text_.bars().back(), 100);
    EXPECT_EQ(real.window_.caption_, " 100% QLY!");
    EXPECT_EQ(real.command1_.caption_, "PL wyjdz");

    // The exit button now closes the window.
    real.form().Command1_Click();
    EXPECT_TRUE(real.form().isUnloaded());
    EXPECT_EQ(real.window_.destroyCount_, 1);
}

TEST_F(UpdateRunTest, CaptionCarriesEachPercentWithLeadingBlank) {
    registerGame(true);
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    const auto& captions = rig.window_.captions_;
    ASSERT_GE(captions.size(), 3u);
    EXPECT_EQ(captions.front(), "Quillory - Install");
    // 1000 of 151000 bytes is the first whole percent rounded up.
    EXPECT_EQ(captions[1], " 1% QLY!");
    EXPECT_EQ(captions.back(), " 100% QLY!");
    expectExitButton("PL");
}

TEST_F(UpdateRunTest, DiskTooFullShowsOnlyTheNoSpaceLine) {
    registerGame(true);
    fs.setFreeBytes(151000); // equal to the total counts as too little
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().ErrorCode, -2);
    EXPECT_EQ(runLines(), (Lines{" ", " ", " ", "PL brak miejsca"}));
    EXPECT_FALSE(fs.isFile(std::string(kGame) + "\\readme.txt"));
    expectExitButton("PL");
}

TEST_F(UpdateRunTest, NothingRegisteredShowsNegAndNeverBrowses) {
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.form().status, 0);
    rig.form().Command1_Click();
    EXPECT_EQ(runLines(), (Lines{" ", "PL neg1"}));
    EXPECT_TRUE(rig.shell_.browseTitles_.empty());
    expectExitButton("PL");
}

TEST_F(UpdateRunTest, FolderWithoutGameIsAskedForAfterOneSecondUntilARootWithTheGame) {
    registerGame(false);
    fs.addFolder("D:\\Other");
    fs.addFile("E:\\main.exe", "MZ");
    rig.shell_.answers_ = {"D:\\Other", "E:\\"};
    uint32_t tickAtFirstBrowse = 0;
    uint32_t tickAfterPrompt = 0;
    rig.shell_.onBrowse_ = [&] {
        if (tickAtFirstBrowse == 0) {
            tickAtFirstBrowse = rig.loop_.tickCount();
        }
    };
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.form().status, 2);
    // The prompt line is the last Tekst before the wait; note the time when it is written.
    rig.loop_.at(rig.loop_.yields() + 3, [&] { tickAfterPrompt = rig.loop_.tickCount(); });
    rig.form().Command1_Click();

    EXPECT_EQ(runLines(), (Lines{" ", "PL nie moge znalezc", "PL podaj folder", " ", " ", " ",
                                 "PL poz1", "PL poz2"}));
    EXPECT_GE(tickAtFirstBrowse - tickAfterPrompt, 1000u);
    EXPECT_EQ(rig.shell_.browseTitles_, (Lines{"PL podaj folder", "PL podaj folder"}));
    EXPECT_EQ(rig.form().DestPatch, "E:");
    EXPECT_EQ(rig.form().status, 2);
    EXPECT_TRUE(fs.isFile("E:\\data\\level.pak"));
    expectExitButton("PL");
}

TEST_F(UpdateRunTest, CancelledBrowserShowsNegAndForgetsTheFolder) {
    registerGame(false);
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(runLines(), (Lines{" ", "PL nie moge znalezc", "PL podaj folder", " ", "PL neg1"}));
    EXPECT_EQ(rig.form().status, 0);
    EXPECT_EQ(rig.form().DestPatch, "");
    expectExitButton("PL");
}

TEST_F(UpdateRunTest, ResetArgumentAloneHidesTheProgress) {
    registerGame(true);
    rig.process_.commandLine_ = "-reset";
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_TRUE(rig.text_.bars().empty());
    EXPECT_EQ(rig.window_.captions_, (Lines{"Quillory - Install"}));
    EXPECT_EQ(rig.form().ErrorCode, 151000);

    for (const char* other : {"-RESET", "-reset x", " -reset"}) {
        FakeFileSystem again;
        Form1Rig shown(again, "C:\\Patch", false);
        again.addFile("lang\\eng.lng", FullLangFile("ENG", "EN"));
        again.addFile("update\\a.txt", "a");
        again.addFile(std::string(kGame) + "\\main.exe", "MZ");
        shown.registry_.set("SOFTWARE\\Brantmoor Games\\Quillory", "Install Path", kGame);
        shown.process_.commandLine_ = other;
        ASSERT_TRUE(shown.load());
        shown.form().Command1_Click();
        EXPECT_EQ(shown.text_.bars(), std::vector<int>{100}) << other;
    }
}

TEST_F(UpdateRunTest, SecondClickCloseAndSwitchDuringTheRunDoNothing) {
    registerGame(true);
    ASSERT_TRUE(rig.load());
    bool askedDuringRun = true;
    // At the first yield of the run (its blank line) and in the middle of the copy.
    for (int offset : {1, 4}) {
        rig.loop_.at(rig.loop_.yields() + offset, [&] {
            rig.form().Command1_Click();
            rig.form().Command2_Click();
            askedDuringRun = askedDuringRun && !rig.form().QueryUnload();
            // A platform that delivered a selection anyway must not end the guard.
            rig.combo_.selected_ = 1 - rig.combo_.selected_;
            rig.form().Combo1_Click();
            rig.form().Command2_Click();
        });
    }
    rig.form().Command1_Click();
    EXPECT_TRUE(askedDuringRun);
    EXPECT_FALSE(rig.form().isUnloaded());
    EXPECT_EQ(rig.window_.destroyCount_, 0);
    EXPECT_EQ(rig.form().ErrorCode, 151000);
    expectExitButton(rig.command1_.caption_.substr(0, 2));
    EXPECT_TRUE(rig.form().QueryUnload());
}

TEST_F(UpdateRunTest, FailureBeforeTheResultIsStoredReportsAnError) {
    registerGame(true);
    // The old media control cannot be deleted: nothing is copied, and the user is told.
    fs.addFile(std::string(kGame) + "\\msdxm.ocx", "old");
    fs.failOn(FsOp::DeleteFile, 1);
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().ErrorCode, -1);
    EXPECT_EQ(runLines(), (Lines{" ", "PL error"}));
    expectExitButton("PL");
}

TEST_F(UpdateRunTest, FailingStepsAreSkippedAndTheRunStillEnds) {
    registerGame(true);
    ASSERT_TRUE(rig.load());
    rig.command1_.refuseFocus_ = true; // the window was minimized meanwhile
    rig.form().Command1_Click();
    EXPECT_EQ(rig.command1_.caption_, "PL wyjdz");
    EXPECT_FALSE(rig.form().isBusy());
    EXPECT_EQ(rig.form().ErrorCode, 151000);
}

TEST_F(UpdateRunTest, ForcedUnloadDuringTheCopyStopsTheEngineBeforeReleasingIt) {
    registerGame(true);
    ASSERT_TRUE(rig.load());
    rig.loop_.at(rig.loop_.yields() + 3, [&] {
        rig.form().Form_Unload();
        EXPECT_NE(rig.form().copyEngine(), nullptr);
    });
    rig.form().Command1_Click();
    EXPECT_TRUE(rig.form().isUnloaded());
    EXPECT_EQ(rig.form().copyEngine(), nullptr);
    EXPECT_LT(rig.form().ErrorCode, 151000);
}

} // namespace
} // namespace qly
