// The game version a patch is for: reading it, comparing it, and a run refused for it.
#include "support/form1_rig.h"
#include "update/exit_codes.h"
#include "update/game_version.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;
using Version = std::optional<VersionWords>;

TEST(GameVersionTest, OnlyFourNumbersOfSixteenBitsJoinedByDotsAreAVersion) {
    EXPECT_EQ(ParseVersion("1.1.0.0"), (Version{{1, 1, 0, 0}}));
    EXPECT_EQ(ParseVersion(" 65535.2.30.400\t"), (Version{{65535, 2, 30, 400}}));
    for (const char* bad :
         {"", "1.1", "1.1.0", "1.1.0.0.0", "1..0.0", "1.1.0.", ".1.1.0", "1.a.0.0", "-1.0.0.0",
          "+1.0.0.0", "65536.0.0.0", "1.1.0.0 beta", "1,1,0,0"}) {
        EXPECT_EQ(ParseVersion(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(FormatVersion({1, 20, 300, 4000}), "1.20.300.4000");
}

TEST(GameVersionTest, GameMustBeTheVersionOrWithinTheRangeWithAVersionResource) {
    const GameVersionRequirement exact{"1.1.0.0", VersionWords{1, 1, 0, 0},
                                       VersionWords{1, 1, 0, 0}};
    const GameVersionRequirement range{"1.1.0.0 - 1.3.0.0", VersionWords{1, 1, 0, 0},
                                       VersionWords{1, 3, 0, 0}};
    const GameVersionRequirement malformed{"1.1", std::nullopt, std::nullopt};
    const std::tuple<Version, const GameVersionRequirement*, bool> cases[] = {
        {VersionWords{1, 1, 0, 0}, &exact, true},
        {VersionWords{1, 0, 9, 9}, &exact, false}, // lower
        {VersionWords{1, 1, 0, 1}, &exact, false}, // higher, by the last number only
        {VersionWords{0, 2, 0, 0}, &range, false}, // the first number weighs most
        {VersionWords{1, 1, 0, 0}, &range, true},  // both ends belong to the range
        {VersionWords{1, 2, 65535, 7}, &range, true},
        {VersionWords{1, 3, 0, 0}, &range, true},
        {VersionWords{1, 3, 0, 1}, &range, false},
        {VersionWords{2, 0, 0, 0}, &range, false},
        {std::nullopt, &exact, false},                 // main.exe without a version resource
        {VersionWords{1, 1, 0, 0}, &malformed, false}, // a requirement that is not a version
    };
    for (const auto& [found, required, accepted] : cases) {
        EXPECT_EQ(VersionAccepted(found, *required), accepted)
            << required->text << " " << (found ? FormatVersion(*found) : "none");
    }
}

constexpr const char* kGame = "C:\\Games\\Quillory";

// A game whose main.exe is of version found (none: no resource), a patch for required
// (empty maxversion: one version), clicked through; the lines of the run and whether the
// patch and the game's old media control were touched.
struct Outcome {
    Lines lines;
    bool patched;
    bool ocxDeleted;
    int32_t errorCode;
    RunOutcome outcome;
};
Outcome runFor(Version found, const std::string& version, const std::string& maxversion) {
    Form1Rig rig;
    rig.addLanguage("eng", "EN");
    rig.fs.addFile("update\\data\\level.pak", "new level");
    rig.registerGame(kGame, true);
    rig.fs.addFile(std::string(kGame) + "\\data\\level.pak", "old level");
    rig.fs.addFile(std::string(kGame) + "\\msdxm.ocx", "old media control");
    rig.versions_.versions_["C:\\WINDOWS\\system32\\msdxm.ocx"] = {9, 0, 0, 0};
    if (found) {
        rig.versions_.versions_[std::string(kGame) + "\\main.exe"] = *found;
    }
    rig.profile_.values_[{"game", "version"}] = version;
    rig.profile_.values_[{"game", "maxversion"}] = maxversion;
    EXPECT_TRUE(rig.load());
    rig.form().Command1_Click();
    return {Lines(rig.text_.shown_.begin() + 2, rig.text_.shown_.end()),
            rig.fs.contents(std::string(kGame) + "\\data\\level.pak") == "new level",
            !rig.fs.isFile(std::string(kGame) + "\\msdxm.ocx"), rig.form().ErrorCode,
            rig.form().outcome()};
}

// The refusal says it all, naming both versions (the rig's language lacks the new keys: their
// built-in English texts are shown); no general "error" line blames the running game.
TEST(GameVersionTest, OnlyAGameOfTheRightVersionOrAPatchWithoutOneIsPatched) {
    const std::string refused = "The game here is version 1.0.0.0, but this patch is for version "
                                "1.1.0.0 of Quillory. Nothing has been changed.";
    const std::string unversioned =
        "The game here is version unknown (main.exe carries no version), but this patch is for "
        "version 1.1.0.0 - 1.2.0.0 of Quillory. Nothing has been changed.";
    const Lines patched{" ", " ", " ", "EN poz1", "EN poz2"};
    const std::tuple<Version, const char*, const char*, Lines> cases[] = {
        {VersionWords{1, 0, 0, 0}, "1.1.0.0", "", {" ", refused}},
        {std::nullopt, "1.1.0.0", "1.2.0.0", {" ", unversioned}},
        {VersionWords{1, 3, 0, 0}, "1.1.0.0", "1.2.0.0", {}},
        {VersionWords{1, 1, 0, 0}, "1.1", "", {}},
        {VersionWords{1, 1, 0, 0}, "1.1.0.0", "", patched},
        {VersionWords{1, 2, 5, 0}, " 1.1.0.0 ", "1.3.0.0", patched},
        {std::nullopt, "", "1.3.0.0", patched},
    };
    for (const auto& [found, version, maxversion, lines] : cases) {
        SCOPED_TRACE(std::string(version) + " " + maxversion);
        const Outcome run = runFor(found, version, maxversion);
        const bool accepted = lines == patched;
        EXPECT_EQ(run.patched, accepted);
        EXPECT_EQ(run.ocxDeleted, accepted);
        EXPECT_EQ(run.errorCode, accepted ? 9 : -1);
        EXPECT_EQ(run.outcome, accepted ? RunOutcome::Installed : RunOutcome::VersionMismatch);
        if (!lines.empty()) {
            EXPECT_EQ(run.lines, lines);
        }
    }
    EXPECT_EQ(ExitCodeOf(RunOutcome::VersionMismatch), ExitCode::VersionMismatch);
}

} // namespace
} // namespace qly
