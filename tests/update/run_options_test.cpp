// The update run as the command line shapes it: the unattended run that never asks, /DIR
// before the registry, /LANG before the locale, the outcome every front end turns into its
// exit code, and the log's account of why.
#include "support/form1_rig.h"
#include "update/exit_codes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;
using ::testing::Contains;
using ::testing::HasSubstr;

constexpr const char* kGame = "C:\\Games\\Quillory";

// Polish and English, locale Polish, a small patch.
void prepare(Form1Rig& rig) {
    rig.addLanguage("POL", "PL", 238);
    rig.addLanguage("ENG", "EN");
    rig.fs.addFile("update\\data\\level.pak", std::string(1000, 'p'));
    rig.locale_.id_ = 0x0415;
}

bool logged(const Form1Rig& rig, const std::string& part) {
    for (const std::string& line : rig.log_) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Unattended, nobody is asked: a game folder without the game ends the run as a cancelled
// browser would, and a file that cannot be replaced is named in the log.
TEST(RunOptionsTest, UnattendedRunNeverAsksAndLogsWhatFailed) {
    const std::tuple<bool, RunOutcome, Lines> cases[] = {
        {false, RunOutcome::GameNotFound, {" ", "PL nie moge znalezc", " ", "PL neg1"}},
        {true,
         RunOutcome::Failed,
         {" ", " ", "PL error", "<238:data\\level.pak>: is read-only. (5)"}},
    };
    for (const auto& [withProgram, outcome, lines] : cases) {
        Form1Rig rig;
        prepare(rig);
        rig.registerGame(kGame, withProgram);
        rig.fs.addFile(std::string(kGame) + "\\data\\level.pak", "old", kAttrReadOnly);
        rig.options_.unattended = true;
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.form().outcome(), RunOutcome::NotRun);
        rig.form().Command1_Click();
        EXPECT_EQ(rig.form().outcome(), outcome);
        EXPECT_EQ(Lines(rig.text_.shown_.begin() + 2, rig.text_.shown_.end()), lines);
        EXPECT_TRUE(rig.shell_.browseTitles_.empty());
        EXPECT_EQ(rig.form().etap, 1);
        EXPECT_EQ(rig.fs.contents(std::string(kGame) + "\\data\\level.pak"), "old");
        EXPECT_EQ(logged(rig, "copy failed: data\\level.pak: read-only (system error 5)"),
                  withProgram);
    }
}

TEST(RunOptionsTest, DirComesBeforeTheRegistryAndMustHoldTheGame) {
    for (const bool withProgram : {true, false}) {
        Form1Rig rig;
        prepare(rig);
        rig.registerGame(kGame, true);
        rig.fs.addFolder("D:\\Other Games\\Q");
        if (withProgram) {
            rig.fs.addFile("D:\\Other Games\\Q\\main.exe", "MZ");
        }
        rig.options_.dir = "D:\\Other Games\\Q\\";
        rig.options_.unattended = true;
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.form().DestPatch, "D:\\Other Games\\Q");
        EXPECT_EQ(rig.form().status, withProgram ? 1 : 2);
        EXPECT_TRUE(logged(rig, "game folder: D:\\Other Games\\Q (/DIR)"));
        rig.form().Command1_Click();
        EXPECT_EQ(rig.fs.isFile("D:\\Other Games\\Q\\data\\level.pak"), withProgram);
        EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\data\\level.pak"));
        EXPECT_EQ(rig.form().outcome(),
                  withProgram ? RunOutcome::Installed : RunOutcome::GameNotFound);
    }
}

TEST(RunOptionsTest, LangPicksByHeaderCodeAndAnUnknownOneFallsBackToTheLocale) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"eng", "EN instaluj", "language: ENG (/LANG)"},
        {"XYZ", "PL instaluj", "language: POL (the system locale)"},
    };
    for (const auto& [code, caption, why] : cases) {
        Form1Rig rig;
        prepare(rig);
        rig.registerGame(kGame, true);
        rig.options_.lang = code;
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.command1_.caption_, caption);
        EXPECT_THAT(rig.log_, Contains(why));
    }
    // A user's choice in the selector is logged as such.
    Form1Rig rig;
    prepare(rig);
    ASSERT_TRUE(rig.load());
    rig.selectLanguage(1);
    EXPECT_THAT(rig.log_, Contains("language: ENG (chosen in the selector)"));
    EXPECT_THAT(rig.log_, Contains("game folder: not registered"));
}

// A journal that cannot be trusted is left alone: the run refuses to copy over it and ends
// with the code that asks for attention.
TEST(RunOptionsTest, DamagedJournalOfAnEarlierRunEndsAsRecoveryFailed) {
    Form1Rig rig;
    prepare(rig);
    rig.registerGame(kGame, true);
    rig.fs.addFile(std::string(kGame) + "\\qlypatch.journal", "not a journal at all");
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().outcome(), RunOutcome::RecoveryFailed);
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::RecoveryFailed);
    EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\data\\level.pak"));
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\qlypatch.journal"));
    EXPECT_TRUE(logged(rig, "recovery: the journal of an interrupted run is damaged"));
    EXPECT_TRUE(logged(rig, "an undo could not finish"));
}

} // namespace
} // namespace qly
