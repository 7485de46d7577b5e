// The one rule for names that Windows refuses, as the check, the packer and the run apply it.
#include "bundle/bundle_name.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly {
namespace {

struct NameCase {
    std::string name;
    std::string problem; // a part of the reason; empty when the name is taken
};

TEST(WindowsNameTest, RefusesWhatWindowsRefusesOrWouldTakeForAnotherName) {
    const std::vector<NameCase> cases = {
        // Device names, in any letter case, with any extension and blanks before it.
        {"CON", "device name CON"},
        {"prn.txt", "device name PRN"},
        {"Aux.cfg.txt", "device name AUX"},
        {"nul .dat", "device name NUL"},
        {"com0.txt", "device name COM0"},
        {"COM9", "device name COM9"},
        {"lpt1.log", "device name LPT1"},
        {"COM\xC2\xB9.txt", "device name COM\xC2\xB9"},
        {"lpt\xC2\xB2", "device name LPT\xC2\xB2"},
        {"COM\xC2\xB3", "device name COM\xC2\xB3"},
        {"CONIN$", "device name CONIN$"},
        {"conout$.txt", "device name CONOUT$"},
        // Near misses that are ordinary names.
        {"console.txt", ""},
        {"COM10", ""},
        {"LPTx", ""},
        {"COM\xC2\xB4", ""}, // a superscript four is no device
        {"CONIN", ""},
        {"auxiliary.dat", ""},
        {".hidden", ""},
        {"\xC5\x81\xC4\x85ka zielona.map", ""},
        // A trailing dot or blank: Windows drops it, and two names would meet.
        {"notes.", "a dot at its end"},
        {"notes ", "a blank at its end"},
        {"..", "a dot at its end"},
        // The forbidden characters and control characters.
        {"a<b", "the character <"},
        {"a>b", "the character >"},
        {"C:evil", "the character :"},
        {"say\"hi\"", "the character \""},
        {"a/b", "the character /"},
        {"a\\b", "the character \\"},
        {"a|b", "the character |"},
        {"why?", "the character ?"},
        {"*.txt", "the character *"},
        {"tab\there", "a control character"},
        {"del\x7F", "a control character"},
        {"", "an empty name"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> problem = WindowsNameProblem(c.name);
        if (c.problem.empty()) {
            EXPECT_FALSE(problem.has_value()) << *problem;
        } else {
            ASSERT_TRUE(problem.has_value());
            EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        }
    }
}

} // namespace
} // namespace qly
