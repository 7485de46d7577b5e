// Update runs of a bundle that names a game of its own in the layout file: found under its
// studio's key, recognised by its own program in any letter case, with its own title and
// caption; and, when the bundle allows it, the folder asked for when nothing names the game.
#include "support/form1_rig.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;

constexpr const char* kEmberfall = "C:\\Games\\Emberfall";

void prepareEmberfall(Form1Rig& rig) {
    rig.addLanguage("pol", "PL", 238);
    rig.fs.addFile("update\\data\\level.pak", std::string(5000, 'p'));
    rig.locale_.id_ = 0x0415;
    rig.profile_.set("game", "registry", "HKCU\\Software\\Pixel Forge\\Emberfall");
    rig.profile_.set("game", "exe", "Emberfall.exe");
    rig.profile_.set("game", "title", "Emberfall 1.1 - Patch");
    rig.profile_.set("game", "caption", "Emberfall %1%");
}

bool logged(const Form1Rig& rig, const std::string& line) {
    return std::find(rig.log_.begin(), rig.log_.end(), line) != rig.log_.end();
}

TEST(GameIdentityRunTest, StudioKeyOwnProgramInOtherCaseTitleAndCaption) {
    Form1Rig rig;
    prepareEmberfall(rig);
    rig.profile_.set("game", "version", "1.0.0.0");
    rig.registry_.userValues_[{"Software\\Pixel Forge\\Emberfall", "Install Path"}] = kEmberfall;
    const std::string program = std::string(kEmberfall) + "\\EMBERFALL.EXE";
    rig.fs.addFile(program, "MZ");
    // The version is read from the program under the name the folder gives it.
    rig.versions_.versions_[program] = {1, 0, 0, 0};
    // The installer's own game is there too, but this bundle is not for it.
    rig.registerGame("C:\\Games\\Quillory", true);

    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.form().DestPatch, kEmberfall);
    EXPECT_EQ(rig.form().status, 1);
    EXPECT_TRUE(logged(rig, "game folder: C:\\Games\\Emberfall (registry, "
                            "HKCU\\Software\\Pixel Forge\\Emberfall)"));
    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().outcome(), RunOutcome::Installed);
    EXPECT_EQ(rig.fs.contents(std::string(kEmberfall) + "\\data\\level.pak"),
              std::string(5000, 'p'));
    const Lines& captions = rig.window_.captions_;
    ASSERT_GE(captions.size(), 2u);
    EXPECT_EQ(captions.front(), "Emberfall 1.1 - Patch");
    EXPECT_EQ(captions.back(), "Emberfall 100%");
}

TEST(GameIdentityRunTest, NothingFoundOpensTheBrowserAtProgramFilesOnlyWhenTheBundleAllows) {
    struct Case {
        const char* name;
        bool browse;
        bool unattended;
        std::deque<std::string> answers;
        int browses;
        RunOutcome outcome;
    };
    const Case cases[] = {
        {"chosen after a folder without the game",
         true,
         false,
         {"D:\\Other", std::string(kEmberfall) + "\\"},
         2,
         RunOutcome::Installed},
        {"cancelled", true, false, {}, 1, RunOutcome::GameNotFound},
        {"unattended never browses", true, true, {kEmberfall}, 0, RunOutcome::GameNotFound},
        {"without browse=1", false, false, {kEmberfall}, 0, RunOutcome::GameNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Form1Rig rig;
        prepareEmberfall(rig);
        if (c.browse) {
            rig.profile_.set("game", "browse", "1");
        }
        rig.options_.unattended = c.unattended;
        rig.fs.addFolder("D:\\Other");
        rig.fs.addFile(std::string(kEmberfall) + "\\emberfall.EXE", "MZ");
        rig.shell_.answers_ = c.answers;
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.form().status, 0);
        rig.form().Command1_Click();

        EXPECT_EQ(static_cast<int>(rig.shell_.browseTitles_.size()), c.browses);
        EXPECT_EQ(rig.shell_.browseStarts_,
                  std::vector<BrowseStart>(c.browses, BrowseStart::ProgramFiles));
        EXPECT_EQ(rig.form().outcome(), c.outcome);
        const Lines lines(rig.text_.shown_.begin() + 2, rig.text_.shown_.end());
        if (c.outcome == RunOutcome::Installed) {
            EXPECT_EQ(lines, (Lines{" ", "PL nie moge znalezc", "PL podaj folder", " ", " ", " ",
                                    "PL poz1", "PL poz2"}));
            EXPECT_EQ(rig.form().DestPatch, kEmberfall);
            EXPECT_TRUE(logged(rig, "game folder: D:\\Other (folder browser) refused, no "
                                    "Emberfall.exe in it"));
        } else {
            EXPECT_EQ(lines.back(), "PL neg1");
            EXPECT_EQ(rig.form().status, 0);
            EXPECT_FALSE(rig.fs.isFile(std::string(kEmberfall) + "\\data\\level.pak"));
        }
    }
}

} // namespace
} // namespace qly
