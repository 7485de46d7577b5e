// The language catalogue, the start language from the locale, and the switch before the run
// (after it: with the update run's outcomes).
#include "support/form1_rig.h"

#include <gtest/gtest.h>
#include <vector>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;

TEST(LanguagesTest, LocaleChoosesItsLanguageOrEnglishOrTheFirstOne) {
    const std::tuple<uint32_t, std::vector<const char*>, std::string> cases[] = {
        {0x0415, {"ENG", "POL"}, "POL"},
        {0x0419, {"RUS", "ENG"}, "ENG"},  // Russian is not in the table
        {0x10415, {"POL", "ENG"}, "ENG"}, // another sort order matches no row
        {0x0407, {"FRA", "ITA"}, "FRA"},  // neither: the first catalogued
    };
    for (const auto& [locale, files, chosen] : cases) {
        SCOPED_TRACE(locale);
        Form1Rig rig;
        for (const char* code : files) {
            rig.addLanguage(code, code);
        }
        rig.locale_.id_ = locale;
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.text_.shown_, (Lines{chosen + " przed1", chosen + " przed2"}));
        EXPECT_EQ(rig.command1_.caption_, chosen + " instaluj");
        EXPECT_EQ(rig.combo_.item(rig.combo_.selected_), chosen);
        EXPECT_FALSE(rig.form().isBusy());
    }
}

TEST(LanguagesTest, UnusableFilesAreSkippedAndTheCatalogueStopsAt21) {
    Form1Rig rig;
    rig.fs.addFile("lang\\noheader.lng", "/#jezyk/= Nothing'");
    rig.fs.addFile("lang\\open.lng", "[XYZ /#jezyk/= Unclosed'");
    rig.fs.addFile("lang\\broken.lng", test::FullLangFile("DEU", "DE"));
    rig.fs.addFolder("lang\\folder.lng");
    for (int i = 0; i < 25; ++i) {
        const std::string n = std::to_string(i);
        rig.fs.addFile("lang\\l" + n + ".lng",
                       test::LangFileText("L" + n, "Lang" + n, 204, {{"przed1", "hello"}}));
    }
    rig.fs.failOn(test::FsOp::Open, 3); // broken.lng cannot be read
    ASSERT_TRUE(rig.load());
    const auto& lang = rig.form().language();
    ASSERT_EQ(rig.combo_.itemCount(), 21);
    // The list index of every entry names its own file.
    for (std::size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(lang.LangFiles[i], "l" + std::to_string(i) + ".lng");
        EXPECT_EQ(rig.combo_.items_[i], std::make_pair("Lang" + std::to_string(i), 204));
    }
    EXPECT_EQ(rig.combo_.selected_, 0); // no ENG: the first catalogued language
    EXPECT_EQ(rig.text_.shown_, Lines{"hello"});
}

TEST(LanguagesTest, NoLanguageAtAllRunsWithEmptyTexts) {
    Form1Rig rig;
    ASSERT_TRUE(rig.load());
    EXPECT_TRUE(rig.text_.shown_.empty() && rig.command1_.enabled_);
    rig.form().Command1_Click();
    EXPECT_EQ(rig.text_.shown_, Lines{" "}); // the blank line, and an empty "neg" series
}

// The safe choice (a registered game with its program) tries once more when its first load
// fails; the plain one does not.
TEST(LanguagesTest, SafeChoiceRetriesAFailedLoad) {
    for (bool withProgram : {true, false}) {
        Form1Rig rig;
        rig.addLanguage("eng", "EN");
        rig.registerGame("C:\\Game", withProgram);
        rig.fs.failOn(test::FsOp::Open, 2); // the catalogue's read passes, the first load fails
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.combo_.selected_, withProgram ? 0 : -1);
        EXPECT_EQ(rig.text_.shown_.size(), withProgram ? 2u : 0u);
        EXPECT_TRUE(rig.command1_.enabled_ && !rig.form().isBusy());
    }
}

TEST(LanguagesTest, SwitchShowsTheTextsInTheNewLanguageAndHoldsOffCloseAndUpdate) {
    Form1Rig rig;
    rig.addLanguage("eng", "EN");
    rig.addLanguage("pol", "PL", 238);
    ASSERT_TRUE(rig.load());
    bool refused = false;
    rig.loop_.at(rig.loop_.yields() + 1, [&] {
        refused = !rig.form().QueryUnload() && !rig.combo_.enabled_;
        rig.form().Command2_Click();
        rig.form().Command1_Click();
    });
    EXPECT_EQ(rig.selectLanguage(1), (Lines{"PL przed1", "PL przed2"}));
    EXPECT_TRUE(refused && !rig.form().isUnloaded() && rig.form().etap == 0);
    EXPECT_EQ(rig.command1_.caption_, "PL instaluj");
    EXPECT_EQ(std::pair(rig.command1_.charset_, rig.text_.charset_), std::pair(238, 238));
    // Choosing the language in force again does nothing at all.
    const std::size_t calls = rig.text_.calls_.size();
    rig.selectLanguage(1);
    EXPECT_EQ(rig.text_.calls_.size(), calls);
}

// A language file that went away after the catalogue was built: the switch stays with the
// language in force and hands the window back, so that its buttons and close still work.
TEST(LanguagesTest, SwitchToAFileThatFailsToLoadLeavesTheWindowUsable) {
    Form1Rig rig;
    rig.addLanguage("eng", "EN");
    rig.addLanguage("pol", "PL", 238);
    ASSERT_TRUE(rig.load());
    const Lines before = rig.text_.shown_;
    rig.fs.failOn(test::FsOp::Open, 1);
    EXPECT_EQ(rig.selectLanguage(1), before);
    EXPECT_FALSE(rig.form().isBusy());
    EXPECT_EQ(rig.combo_.selected_, 0);
    EXPECT_TRUE(rig.combo_.enabled_);
    EXPECT_EQ(rig.command1_.caption_, "EN instaluj");
    rig.form().Command1_Click(); // nothing registered: the run shows "neg" and ends
    EXPECT_EQ(rig.form().etap, 1);
    rig.form().Command2_Click();
    EXPECT_TRUE(rig.form().isUnloaded());
}

// Texts the user does not read in the text area come from the language in force too: the
// names of the controls without a caption, and the reason the session's end is refused.
TEST(LanguagesTest, ControlNamesAndTheShutdownReasonSpeakTheLanguageInForce) {
    Form1Rig rig;
    rig.fs.addFile("lang\\pol.lng", test::LangFileText("POL", "Polski", 238,
                                                       {{"zamknij", "Zamknij"},
                                                        {"minimalizuj", "Minimalizuj"},
                                                        {"otworz", "Otworz"},
                                                        {"instalacja", "Instalowanie"}}));
    rig.addLanguage("eng", "EN");
    rig.locale_.id_ = 0x0415;
    rig.profile_.values_[{"linkright", "link"}] = "https://forum.example/";
    rig.fs.addFile("update\\a.txt", "a");
    rig.registerGame("C:\\Games\\Quillory", true);
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.command2_.accessibleName_, "Zamknij @238");
    EXPECT_EQ(rig.command3_.accessibleName_, "Minimalizuj @238");
    EXPECT_EQ(rig.image1_.accessibleName_, "Otworz https://forum.example/ @238");
    EXPECT_EQ(rig.image2_.accessibleName_, " @238"); // no link, nothing to name
    rig.form().Command1_Click();
    EXPECT_EQ(rig.window_.eventsStartingWith("block"), Lines{"block Instalowanie @238"});

    rig.selectLanguage(1); // English, whose file lacks the keys: the built-in texts
    EXPECT_EQ(rig.command2_.accessibleName_, "Close @0");
    EXPECT_EQ(rig.command3_.accessibleName_, "Minimize @0");
    EXPECT_EQ(rig.image1_.accessibleName_, "Open https://forum.example/ @0");
}

} // namespace
} // namespace qly
