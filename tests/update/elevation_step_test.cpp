// Administrator rights only when the game folder needs them: the run is handed over to an
// elevated copy with its folder and language, and a refused prompt changes nothing.
#include "support/form1_rig.h"
#include "update/elevation_step.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;

constexpr const char* kGame = "C:\\Program Files\\Quillory";

class FakeElevation : public Elevation {
public:
    bool elevated() override { return elevated_; }
    bool canWriteIn(const std::string& folder) override {
        probed_.push_back(folder);
        return writable_;
    }
    std::optional<int> runElevated(const std::string& arguments) override {
        started_.push_back(arguments);
        return answer_;
    }

    bool elevated_ = false;
    bool writable_ = true;
    std::optional<int> answer_;
    std::vector<std::string> probed_;
    std::vector<std::string> started_;
};

bool logged(const Form1Rig& rig, const std::string& part) {
    return std::any_of(rig.log_.begin(), rig.log_.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

// A game with the journal of an interrupted run: recovering it would change files.
void prepare(Form1Rig& rig, FakeElevation& elevation) {
    rig.addLanguage("pol", "PL", 238);
    rig.addLanguage("eng", "EN");
    rig.fs.addFile("update\\data\\level.pak", std::string(1000, 'p'));
    rig.registerGame(kGame, true);
    rig.fs.addFile(std::string(kGame) + "\\qlypatch-stage-1\\0.new", "half");
    rig.fs.addFile(std::string(kGame) + "\\qlypatch-stage-1\\journal",
                   "qlypatch journal 2\nphase staging\nstage qlypatch-stage-1\n"
                   "file new - - readme.txt\n");
    rig.options_.lang = "ENG";
    rig.process_.commandLine_ = "/SILENT /LOG=\"C:\\log.txt\"";
    rig.elevation_ = &elevation;
}

TEST(ElevationStepTest, FolderTheUserMayWriteInNeedsNoAdministrator) {
    for (const bool elevated : {false, true}) {
        FakeElevation elevation;
        elevation.elevated_ = elevated;
        Form1Rig rig;
        prepare(rig, elevation);
        ASSERT_TRUE(rig.load());
        rig.form().Command1_Click();
        EXPECT_TRUE(elevation.started_.empty());
        EXPECT_EQ(elevation.probed_.front(), kGame);
        EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::Installed);
        EXPECT_FALSE(rig.form().handedOverExitCode());
    }
}

// The elevated copy gets the same arguments plus the language and folder chosen here, and this
// process ends with its exit code, having changed nothing itself (not even the recovery).
TEST(ElevationStepTest, FolderOnlyAnAdministratorMayWriteInIsHandedOver) {
    FakeElevation elevation;
    elevation.writable_ = false;
    elevation.answer_ = 7;
    Form1Rig rig;
    prepare(rig, elevation);
    ASSERT_TRUE(rig.load());
    ASSERT_EQ(elevation.started_.size(), 1u);
    EXPECT_EQ(elevation.started_[0],
              "/SILENT /LOG=\"C:\\log.txt\" /LANG=eng \"/DIR=C:\\Program Files\\Quillory\"");
    EXPECT_EQ(rig.form().handedOverExitCode(), 7);
    EXPECT_TRUE(rig.form().gameFolderRefused());
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\journal"));
    EXPECT_TRUE(logged(rig, "starts again with administrator rights"));
    EXPECT_TRUE(logged(rig, "ended with exit code 7"));
    // An update pressed all the same does not run here, nor start a second copy.
    rig.form().Command1_Click();
    EXPECT_EQ(elevation.started_.size(), 1u);
    EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\data\\level.pak"));
}

TEST(ElevationStepTest, RefusedPromptEndsWithExitCodeOneAndSaysWhy) {
    FakeElevation elevation;
    elevation.writable_ = false;
    Form1Rig rig;
    prepare(rig, elevation);
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.text_.shown_.back(), "Administrator rights are needed to change the game "
                                       "folder C:\\Program Files\\Quillory. Nothing has been "
                                       "changed.");
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);
    rig.form().Command1_Click();
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);
    EXPECT_EQ(elevation.started_.size(), 1u);
    EXPECT_TRUE(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\journal"));
    EXPECT_TRUE(logged(rig, "refused administrator rights"));
}

// Already elevated and still refused: no second prompt (it would loop); the run reports it.
TEST(ElevationStepTest, ElevatedProcessIsNeverStartedAgain) {
    FakeElevation elevation;
    elevation.writable_ = false;
    elevation.elevated_ = true;
    std::vector<std::string> lines;
    const ElevationResult result = EnsureRightsFor(
        elevation, kGame, "x", [&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(result.kind, ElevationResult::Kind::NotNeeded);
    EXPECT_TRUE(elevation.started_.empty());
    EXPECT_EQ(lines.size(), 1u);
}

} // namespace
} // namespace qly
