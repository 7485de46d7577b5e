// The run with nobody at a window (/VERYSILENT, the Linux program): the window's start-up
// without one, the run itself, and what the window's unload would leave behind.
#include "support/form1_rig.h"
#include "update/unattended_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kGame = "C:\\Games\\Quillory";

class UnattendedRunTest : public ::testing::Test {
protected:
    UnattendedRunTest() {
        rig_.addLanguage("POL", "PL", 238);
        rig_.addLanguage("ENG", "EN");
        rig_.fs.addFile("gfx.bmp", "BM");
        rig_.fs.addFile("update\\data\\level.pak", std::string(1000, 'p'));
        rig_.fs.addFolder("C:\\Favorites");
        rig_.shell_.favorites_ = "C:\\Favorites";
        rig_.profile_.values_[{"favorites", "link"}] = "https://quillory.example/";
        rig_.profile_.values_[{"favorites", "title"}] = "Quillory";
        rig_.shell_.onFavorites_ = [this] { ++favoritesAsked_; };
    }

    std::unique_ptr<UnattendedRun> make(RunOptions options) {
        return std::make_unique<UnattendedRun>(
            RunServices{rig_.fs, rig_.profile_, rig_.registry_, rig_.versions_, rig_.locale_,
                        rig_.loop_, rig_.process_, rig_.hashes_},
            rig_.shell_, rig_.text_, std::move(options),
            [this](const std::string& line) { rig_.log_.push_back(line); });
    }

    Form1Rig rig_;
    int favoritesAsked_ = 0;
};

TEST_F(UnattendedRunTest, StartsAsTheWindowDoesInstallsAndLeavesTheShortcutOnce) {
    rig_.registerGame(kGame, true);
    auto run = make(RunOptions{std::nullopt, "pol", true, {}});
    ASSERT_TRUE(run->Start());
    // The start language is switched to as the selector would: its charset, then its lines.
    EXPECT_THAT(rig_.text_.calls_,
                ElementsAre("Charset:238", "Cls", "Tekst:PL przed1", "Tekst:PL przed2"));
    EXPECT_EQ(run->caption(), DefaultGameIdentity().title);
    EXPECT_EQ(favoritesAsked_, 0);

    run->Run();
    EXPECT_EQ(run->run().outcome(), RunOutcome::Installed);
    EXPECT_EQ(rig_.fs.contents(std::string(kGame) + "\\data\\level.pak"), std::string(1000, 'p'));
    EXPECT_EQ(rig_.text_.bars_.back(), 100);
    EXPECT_EQ(run->caption(), " 100% QLY!");
    EXPECT_EQ(rig_.text_.shown_.back(), "PL poz2");

    run->Finish();
    run->Finish();
    EXPECT_EQ(favoritesAsked_, 1);
    EXPECT_TRUE(rig_.fs.isFile("C:\\Favorites\\Quillory.URL"));
    EXPECT_EQ(run->run().engine(), nullptr);
}

TEST_F(UnattendedRunTest, WithoutTheSkinItSaysSoAndDoesNotStart) {
    rig_.registerGame(kGame, true);
    rig_.fs.remove("gfx.bmp");
    auto run = make(RunOptions{});
    EXPECT_FALSE(run->Start());
    EXPECT_THAT(rig_.loop_.messageBoxes(), ElementsAre(kSkinMissingText));
    EXPECT_THAT(rig_.text_.calls_, IsEmpty());
    // Nothing of the window's unload happens for a program that never started.
    run->Finish();
    EXPECT_EQ(favoritesAsked_, 0);
}

TEST_F(UnattendedRunTest, AFolderWithoutTheGameEndsTheRunWithoutAskingAnybody) {
    rig_.registerGame(kGame, false);
    auto run = make(RunOptions{std::nullopt, "ENG", true, {}});
    ASSERT_TRUE(run->Start());
    run->Run();
    EXPECT_EQ(run->run().outcome(), RunOutcome::GameNotFound);
    EXPECT_THAT(rig_.shell_.browseTitles_, IsEmpty());
    EXPECT_EQ(rig_.text_.shown_.back(), "EN neg1");
    EXPECT_FALSE(rig_.fs.isFolder(std::string(kGame) + "\\data"));
}

} // namespace
} // namespace qly
