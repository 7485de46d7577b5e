// What the system shows of an update run outside the window: the task bar button's progress
// and outcome, and the refusal of a shutdown or logoff while the game's files change.
#include "support/form1_rig.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;

constexpr const char* kGame = "C:\\Games\\Quillory";

void prepare(Form1Rig& rig, bool registered) {
    rig.addLanguage("pol", "PL", 238);
    rig.fs.addFile("update\\readme.txt", std::string(1000, 'r'));
    rig.fs.addFile("update\\data\\level.pak", std::string(150000, 'p'));
    if (registered) {
        rig.registerGame(kGame, true);
    }
}

// Progress events as the task bar got them ("taskbar 1", ...), without the outcome.
Lines taskbarProgress(const Form1Rig& rig) {
    Lines found;
    for (const std::string& e : rig.window_.eventsStartingWith("taskbar ")) {
        if (e != "taskbar error" && e != "taskbar clear") {
            found.push_back(e);
        }
    }
    return found;
}

TEST(RunSeenByTheSystemTest, SessionEndIsRefusedExactlyWhileTheGameFilesChange) {
    Form1Rig rig;
    prepare(rig, true);
    ASSERT_TRUE(rig.load());
    EXPECT_FALSE(rig.window_.sessionBlocked_);
    std::vector<bool> blockedDuringCopy;
    // The run's blank line, then the engine's yields in the middle of the copy.
    for (int offset : {1, 3, 4, 5}) {
        rig.loop_.at(rig.loop_.yields() + offset,
                     [&] { blockedDuringCopy.push_back(rig.window_.sessionBlocked_); });
    }
    rig.form().Command1_Click();
    EXPECT_EQ(blockedDuringCopy, (std::vector<bool>{false, true, true, true}));
    EXPECT_FALSE(rig.window_.sessionBlocked_);
    // The language file lacks the reason: the built-in English one stands in for it.
    EXPECT_EQ(rig.window_.eventsStartingWith("block"),
              Lines{"block Installing the Quillory patch @238"});
    EXPECT_EQ(rig.window_.count("allow"), 1);
}

TEST(RunSeenByTheSystemTest, ReasonComesFromTheLanguageInForce) {
    Form1Rig rig;
    rig.fs.addFile("lang\\pol.lng",
                   test::LangFileText("POL", "Polski", 238, {{"instalacja", "Instalowanie"}}));
    rig.fs.addFile("update\\a.txt", "a");
    rig.registerGame(kGame, true);
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(rig.window_.eventsStartingWith("block"), Lines{"block Instalowanie @238"});
}

// The task bar follows the bar drawn in the text area and ends clear after a success, failed
// after a failure or a lack of space; "-reset" hides its progress as it hides the bar; a run
// that changes nothing (no game) leaves both the task bar and the session alone.
TEST(RunSeenByTheSystemTest, TaskbarFollowsTheBarThenShowsTheOutcome) {
    enum Outcome { Copied, NoSpace, Failed, NoGame };
    const std::tuple<Outcome, const char*, const char*> cases[] = {
        {Copied, "", "taskbar clear"},  {Copied, "-reset", "taskbar clear"},
        {NoSpace, "", "taskbar error"}, {Failed, "", "taskbar error"},
        {NoGame, "", nullptr},
    };
    for (const auto& [outcome, commandLine, last] : cases) {
        SCOPED_TRACE(std::to_string(outcome) + commandLine);
        Form1Rig rig;
        prepare(rig, outcome != NoGame);
        rig.process_.commandLine_ = commandLine;
        if (outcome == NoSpace) {
            rig.fs.setFreeBytes(1000);
        }
        if (outcome == Failed) {
            rig.fs.failOn(test::FsOp::Write, 2, true);
        }
        ASSERT_TRUE(rig.load());
        rig.form().Command1_Click();

        Lines bars;
        for (int proc : rig.text_.bars_) {
            bars.push_back("taskbar " + std::to_string(proc));
        }
        EXPECT_EQ(taskbarProgress(rig), bars);
        if (outcome == Copied && std::string(commandLine).empty()) {
            EXPECT_EQ(bars.back(), "taskbar 100");
        }
        const Lines outcomes = rig.window_.eventsStartingWith("taskbar ");
        if (last == nullptr) {
            EXPECT_TRUE(outcomes.empty());
            EXPECT_TRUE(rig.window_.eventsStartingWith("block").empty());
        } else {
            ASSERT_FALSE(outcomes.empty());
            EXPECT_EQ(outcomes.back(), last);
            EXPECT_EQ(rig.window_.events_.back(), last); // after the session is allowed again
        }
        EXPECT_FALSE(rig.window_.sessionBlocked_);
    }
}

TEST(RunSeenByTheSystemTest, ControlsWithoutTextAreNamedInTheLanguageInForce) {
    Form1Rig rig;
    rig.fs.addFile("lang\\pol.lng", test::LangFileText("POL", "Polski", 238,
                                                       {{"zamknij", "Zamknij"},
                                                        {"minimalizuj", "Minimalizuj"},
                                                        {"otworz", "Otworz"}}));
    rig.addLanguage("eng", "EN");
    rig.locale_.id_ = 0x0415;
    rig.profile_.values_[{"linkright", "link"}] = "https://forum.example/";
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.command2_.accessibleName_, "Zamknij @238");
    EXPECT_EQ(rig.command3_.accessibleName_, "Minimalizuj @238");
    EXPECT_EQ(rig.image1_.accessibleName_, "Otworz https://forum.example/ @238");
    EXPECT_EQ(rig.image2_.accessibleName_, " @238"); // no link, nothing to name

    rig.selectLanguage(1); // English, whose file lacks the keys: the built-in texts
    EXPECT_EQ(rig.command2_.accessibleName_, "Close @0");
    EXPECT_EQ(rig.command3_.accessibleName_, "Minimize @0");
    EXPECT_EQ(rig.image1_.accessibleName_, "Open https://forum.example/ @0");
}

} // namespace
} // namespace qly
