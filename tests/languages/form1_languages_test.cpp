// The language catalogue, the start language from the locale, and the switch after each
// outcome of the update run.
#include "support/form1_rig.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using test::FullLangFile;
using Lines = std::vector<std::string>;

class LanguagesTest : public ::testing::Test {
protected:
    test::PatternFileSystem fs;
    test::Form1Rig rig{fs, "C:\\Patch", false};

    void addLanguages(std::initializer_list<const char*> codes) {
        for (const char* code : codes) {
            fs.addFile(std::string("lang\\") + code + ".lng", FullLangFile(code, code));
        }
    }
    std::string chosenCode() {
        const auto& lang = rig.form().language();
        return lang.LangCodes[static_cast<std::size_t>(rig.combo_.selected_)];
    }
};

TEST_F(LanguagesTest, LocaleChoosesItsLanguageOrEnglishOrTheFirstOne) {
    struct Case {
        uint32_t locale;
        std::initializer_list<const char*> files;
        const char* chosen;
    };
    const Case cases[] = {
        {0x0415, {"ENG", "POL"}, "POL"},
        {0x0419, {"RUS", "ENG"}, "ENG"}, // Russian is not in the table
        {0x0422, {"ENG", "RUS"}, "RUS"},
        {0x0C0A, {"ENG", "ESP"}, "ESP"},
        {0x0C0A, {"FRA", "ENG"}, "ENG"},
        {0x10415, {"POL", "ENG"}, "ENG"}, // another sort order matches no row
        {0x0407, {"FRA", "ITA"}, "FRA"},  // neither: the first catalogued
    };
    for (const Case& c : cases) {
        test::PatternFileSystem files;
        test::Form1Rig run(files, "C:\\Patch", false);
        for (const char* code : c.files) {
            files.addFile(std::string("lang\\") + code + ".lng", FullLangFile(code, code));
        }
        run.locale_.id_ = c.locale;
        ASSERT_TRUE(run.load());
        const auto& lang = run.form().language();
        ASSERT_GE(run.combo_.selected_, 0);
        EXPECT_EQ(lang.LangCodes[static_cast<std::size_t>(run.combo_.selected_)], c.chosen)
            << std::hex << c.locale;
        EXPECT_EQ(run.text_.shown(),
                  (Lines{std::string(c.chosen) + " przed1", std::string(c.chosen) + " przed2"}));
        EXPECT_EQ(run.command1_.caption_, std::string(c.chosen) + " instaluj");
        EXPECT_FALSE(run.form().isBusy());
    }
}

TEST_F(LanguagesTest, UnusableFilesAreSkippedAndTheCatalogueStopsAt21) {
    fs.addFile("lang\\noheader.lng", "/#jezyk/= Nothing'");
    fs.addFile("lang\\open.lng", "[XYZ /#jezyk/= Unclosed'");
    fs.addFile("lang\\broken.lng", FullLangFile("DEU", "DE"));
    fs.addFolder("lang\\folder.lng");
    fs.addFile("lang\\notes.txt", FullLangFile("ITA", "IT"));
    for (int i = 0; i < 25; ++i) {
        fs.addFile("lang\\l" + std::to_string(i) + ".lng",
                   test::LangFileText("L" + std::to_string(i), "Lang" + std::to_string(i), 204,
                                      {{"przed1", "hello"}}));
    }
    fs.failOn(test::FsOp::Open, 3); // broken.lng cannot be read
    ASSERT_TRUE(rig.load());
    const auto& lang = rig.form().language();
    ASSERT_EQ(lang.LangCount, 21);
    ASSERT_EQ(rig.combo_.itemCount(), 21);
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(lang.LangFiles[static_cast<std::size_t>(i)], "l" + std::to_string(i) + ".lng");
        EXPECT_EQ(rig.combo_.items_[static_cast<std::size_t>(i)],
                  std::make_pair("Lang" + std::to_string(i), 204));
    }
    EXPECT_EQ(lang.LangCodes[0], "L0 ");
    EXPECT_EQ(lang.LangCodes[10], "L10");
    // No ENG: the first catalogued language is in force.
    EXPECT_EQ(rig.combo_.selected_, 0);
    EXPECT_EQ(rig.text_.shown(), Lines{"hello"});
}

TEST_F(LanguagesTest, NoLanguageAtAllRunsWithEmptyTexts) {
    fs.addFile("update\\a.txt", "a");
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.form().language().LangCount, 0);
    EXPECT_TRUE(rig.text_.shown().empty());
    EXPECT_TRUE(rig.command1_.enabled_);
    rig.form().Command1_Click();
    EXPECT_EQ(rig.text_.shown(), Lines{" "}); // the blank line, and an empty "neg" series
    EXPECT_FALSE(rig.form().isBusy());
}

// The safe choice tries once more when its first load fails; the plain one does not.
TEST_F(LanguagesTest, SafeChoiceRetriesAFailedLoad) {
    for (bool withProgram : {true, false}) {
        test::PatternFileSystem files;
        test::Form1Rig run(files, "C:\\Patch", false);
        files.addFile("lang\\eng.lng", FullLangFile("ENG", "EN"));
        files.addFolder("C:\\Game");
        if (withProgram) {
            files.addFile("C:\\Game\\main.exe", "MZ");
        }
        run.registry_.set("SOFTWARE\\Brantmoor Games\\Quillory", "Install Path", "C:\\Game");
        files.failOn(test::FsOp::Open, 2); // the catalogue's read passes, the first load fails
        ASSERT_TRUE(run.load());
        EXPECT_EQ(run.combo_.selected_, withProgram ? 0 : -1);
        EXPECT_EQ(run.text_.shown().size(), withProgram ? 2u : 0u);
        EXPECT_TRUE(run.command1_.enabled_);
        EXPECT_FALSE(run.form().isBusy());
    }
}

TEST_F(LanguagesTest, SwitchShowsTheStateInTheNewLanguage) {
    fs.addFile("lang\\eng.lng", FullLangFile("ENG", "EN", 0));
    fs.addFile("lang\\pol.lng", FullLangFile("POL", "PL", 238));
    fs.addFile("update\\a.txt", std::string(100, 'a'));
    rig.locale_.id_ = 0x0409;
    ASSERT_TRUE(rig.load());
    const auto switchTo = [&](int index) {
        rig.combo_.selected_ = index;
        rig.form().Combo1_Click();
        return rig.text_.shown();
    };
    EXPECT_EQ(switchTo(1), (Lines{"PL przed1", "PL przed2"}));
    EXPECT_EQ(rig.command1_.caption_, "PL instaluj");
    EXPECT_EQ(rig.command1_.charset_, 238);
    EXPECT_EQ(rig.text_.charset_, 238);
    // Choosing the language in force again does nothing at all.
    const std::size_t calls = rig.text_.calls_.size();
    switchTo(1);
    EXPECT_EQ(rig.text_.calls_.size(), calls);

    rig.form().Command1_Click(); // nothing registered
    EXPECT_EQ(switchTo(0), Lines{"EN neg1"});
    EXPECT_EQ(rig.command1_.caption_, "EN wyjdz");
    rig.form().status = 2;
    EXPECT_EQ(switchTo(1), (Lines{"PL poz1", "PL poz2"}));
    rig.form().ErrorCode = -1;
    EXPECT_EQ(switchTo(0), Lines{"EN error"});
    rig.form().ErrorCode = -2;
    EXPECT_EQ(switchTo(1), Lines{"PL brak miejsca"});
    rig.form().ErrorCode = -3;
    EXPECT_TRUE(switchTo(0).empty());
}

TEST_F(LanguagesTest, CloseAndUpdateWaitDuringASwitch) {
    addLanguages({"ENG", "POL"});
    ASSERT_TRUE(rig.load());
    bool refused = false;
    rig.loop_.at(rig.loop_.yields() + 1, [&] {
        refused = !rig.form().QueryUnload() && !rig.combo_.enabled_;
        rig.form().Command2_Click();
        rig.form().Command1_Click();
    });
    rig.combo_.selected_ = 1 - rig.combo_.selected_;
    rig.form().Combo1_Click();
    EXPECT_TRUE(refused);
    EXPECT_FALSE(rig.form().isUnloaded());
    EXPECT_EQ(rig.form().etap, 0);
    rig.form().Command2_Click();
    EXPECT_TRUE(rig.form().isUnloaded());
}

} // namespace
} // namespace qly
