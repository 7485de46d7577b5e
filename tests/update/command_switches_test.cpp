#include "update/command_switches.h"
#include "update/exit_codes.h"

#include <gtest/gtest.h>
#include <string>

namespace qly {
namespace {

TEST(CommandSwitchesTest, QuotedValuesAndAnyCaseOrPrefix) {
    const Switches s = ParseSwitches(
        "/dir=\"C:\\My Games\\Quillory\" -Silent /LANG=deu \"/Log=C:\\a b\\x.log\" -VERYsilent");
    EXPECT_TRUE(s.refused.empty()) << s.refused;
    EXPECT_EQ(s.dir, "C:\\My Games\\Quillory");
    EXPECT_EQ(s.lang, "DEU");
    EXPECT_EQ(s.log, "C:\\a b\\x.log");
    EXPECT_TRUE(s.silent && s.verySilent && !s.help && !s.reset && s.others.empty());
    EXPECT_FALSE(s.attended());
    // Blanks and tabs between arguments, and an empty quoted value, count as in Windows.
    EXPECT_EQ(SplitArguments("  a\t\"b c\"d  \"\" e"),
              (std::vector<std::string>{"a", "b cd", "", "e"}));
    EXPECT_TRUE(ParseSwitches("").attended());
    EXPECT_TRUE(ParseSwitches("/?").help);
    EXPECT_TRUE(ParseSwitches("-HELP").help);
}

TEST(CommandSwitchesTest, UnknownOrMalformedSwitchesAreRefusedAndTheRestStillRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"/VERYSILENT /BOGUS /LOG=x.log", "unknown switch /BOGUS"},
        {"/VERYSILENT /SILENT=1 /LOG=x.log", "the switch /SILENT=1 takes no value"},
        {"/VERYSILENT /DIR /LOG=x.log", "the switch /DIR needs a value after \"=\""},
        {"/VERYSILENT /DIR= /LOG=x.log", "the switch /DIR= needs a value after \"=\""},
        {"/VERYSILENT - /LOG=x.log", "unknown switch -"},
    };
    for (const auto& [line, refused] : cases) {
        const Switches s = ParseSwitches(line);
        EXPECT_EQ(s.refused, refused);
        EXPECT_TRUE(s.verySilent);
        EXPECT_EQ(s.log, "x.log");
    }
    // The first refusal is the one reported.
    EXPECT_EQ(ParseSwitches("/A /B").refused, "unknown switch /A");
}

// Only the whole command line "-reset" hides the progress; the word in other letters or with
// other arguments is accepted and changes nothing.
TEST(CommandSwitchesTest, ResetAloneKeepsItsExactMeaning) {
    EXPECT_TRUE(ParseSwitches("-reset").reset);
    for (const char* line : {"-RESET", "-reset /SILENT", "-reset x", " -reset", "/reset"}) {
        const Switches s = ParseSwitches(line);
        EXPECT_FALSE(s.reset) << line;
        EXPECT_TRUE(s.refused.empty()) << line;
    }
    EXPECT_TRUE(ParseSwitches("-reset /SILENT").silent);
    EXPECT_EQ(ParseSwitches("-reset x").others, std::vector<std::string>{"x"});
}

TEST(ExitCodesTest, EveryOutcomeHasItsCode) {
    const std::pair<RunOutcome, int> cases[] = {
        {RunOutcome::Installed, 0},      {RunOutcome::NotRun, 2}, {RunOutcome::GameNotFound, 3},
        {RunOutcome::NotEnoughSpace, 4}, {RunOutcome::Failed, 5}, {RunOutcome::VersionMismatch, 6},
        {RunOutcome::RecoveryFailed, 7},
    };
    for (const auto& [outcome, code] : cases) {
        EXPECT_EQ(static_cast<int>(ExitCodeOf(outcome)), code);
    }
    // The engine's figures: any count of bytes is a success, -2 is the lack of room, and any
    // other negative figure a failure.
    const std::pair<int32_t, RunOutcome> copies[] = {
        {0, RunOutcome::Installed}, {2147483647, RunOutcome::Installed},
        {-1, RunOutcome::Failed},   {-2, RunOutcome::NotEnoughSpace},
        {-3, RunOutcome::Failed},   {-2147483647 - 1, RunOutcome::Failed},
    };
    for (const auto& [errorCode, outcome] : copies) {
        EXPECT_EQ(OutcomeOfCopy(errorCode), outcome) << errorCode;
    }
    // The table runs 0 to 7 in order, and the usage text lists every code with its meaning.
    const std::string usage = UsageText();
    int expected = 0;
    for (const ExitCodeRow& row : ExitCodes()) {
        EXPECT_EQ(static_cast<int>(row.code), expected++);
        EXPECT_NE(usage.find(std::to_string(static_cast<int>(row.code)) + "  " +
                             std::string(row.meaning)),
                  std::string::npos);
    }
    EXPECT_EQ(expected, 8);
    for (const char* name : {"/SILENT", "/VERYSILENT", "/DIR=", "/LANG=", "/LOG=", "/?"}) {
        EXPECT_NE(usage.find(name), std::string::npos) << name;
    }
}

} // namespace
} // namespace qly
