// An elevated run keeps its journals where only administrators can write: a journal a
// standard user left in the game folder is reported and left alone, and neither steers nor
// blocks the run; a place that is not safe ends the run before anything changes.
#include "common/error.h"
#include "support/form1_rig.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;

constexpr const char* kGame = "C:\\Games\\Quillory";
constexpr const char* kPlace = "C:\\ProgramData\\qlypatch\\k\\";

class FakeJournalPlaces : public JournalPlaces {
public:
    std::optional<std::string> placeFor(const std::string& gameFolder) override {
        asked_.push_back(gameFolder);
        if (unsafe_) {
            throw Error(
                "the folder for journals C:\\ProgramData\\qlypatch lets S-1-5-32-545 write, "
                "not only the Administrators");
        }
        return place_;
    }
    std::optional<std::string> place_ = kPlace;
    bool unsafe_ = false;
    std::vector<std::string> asked_;
};

bool logged(const Form1Rig& rig, const std::string& part) {
    return std::any_of(rig.log_.begin(), rig.log_.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

// A game whose folder holds a planted journal that, if it were believed, would take the
// player's readme.txt away as a file the run had put there.
std::string prepare(Form1Rig& rig, FakeJournalPlaces& places) {
    rig.addLanguage("eng", "EN");
    rig.fs.addFile("update\\data\\level.pak", std::string(1000, 'p'));
    rig.registerGame(kGame, true);
    rig.fs.addFolder("C:\\ProgramData\\qlypatch\\k");
    const std::string game = std::string(kGame) + "\\";
    rig.fs.addFile(game + "readme.txt", "the player's");
    const std::optional<FileIdentity> readme = rig.fs.identityOf(game + "readme.txt");
    const std::string planted = "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\n"
                                "file new - " +
                                std::to_string(readme->volume) + "." +
                                std::to_string(readme->file) + " readme.txt\n";
    rig.fs.addFile(game + "qlypatch-stage-1\\journal", planted);
    rig.journalPlaces_ = &places;
    return planted;
}

TEST(JournalPlaceTest, ElevatedRunLeavesAJournalInTheGameFolderAloneAndInstalls) {
    FakeJournalPlaces places;
    Form1Rig rig;
    const std::string planted = prepare(rig, places);
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::Installed);
    const std::string game = std::string(kGame) + "\\";
    EXPECT_EQ(rig.fs.contents(game + "readme.txt"), "the player's");
    EXPECT_EQ(rig.fs.contents(game + "qlypatch-stage-1\\journal"), planted);
    EXPECT_TRUE(rig.fs.isFile(game + "data\\level.pak"));
    EXPECT_TRUE(logged(rig, "recovery: qlypatch-stage-1\\journal in the game folder was not "
                            "written by an administrator's run; left alone"));
    EXPECT_TRUE(logged(rig, std::string("journal: kept in ") + kPlace));
    ASSERT_FALSE(places.asked_.empty());
    EXPECT_EQ(places.asked_.front(), kGame);
    // The run's own journal went to the place and is gone with the run.
    const std::string place = "c:\\programdata\\qlypatch\\k\\";
    for (const auto& [path, contents] : rig.fs.snapshot()) {
        EXPECT_FALSE(path.starts_with(place) && path != place) << path;
    }
}

TEST(JournalPlaceTest, UnsafePlaceEndsTheElevatedRunBeforeAnyChange) {
    FakeJournalPlaces places;
    places.unsafe_ = true;
    Form1Rig rig;
    const std::string planted = prepare(rig, places);
    const auto before = rig.fs.snapshot();
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);
    rig.form().Command1_Click();
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);
    EXPECT_EQ(rig.fs.snapshot(), before);
    EXPECT_TRUE(logged(rig, "not only the Administrators; nothing was changed"));
}

} // namespace
} // namespace qly
