// The subcommands' command lines.
#include "tools/tool_arguments.h"

#include <gtest/gtest.h>

namespace qly::tools {
namespace {

ToolArguments parse(std::vector<std::string> args, size_t maxWords = 1) {
    return ParseToolArguments(args, {"--json"}, {"--lang", "-o"}, 1, maxWords);
}

TEST(ToolArgumentsTest, SplitsWordsFlagsAndValuesInAnyOrder) {
    const ToolArguments a = parse({"--lang", "POL", "bundle", "-o=out.png", "--json"});
    EXPECT_EQ(a.positional, std::vector<std::string>{"bundle"});
    EXPECT_TRUE(a.has("--json"));
    EXPECT_EQ(a.option("--lang"), "POL");
    EXPECT_EQ(a.option("-o"), "out.png");
    EXPECT_EQ(a.option("--state"), std::nullopt);
    // "--" lets a bundle folder start with a dash; a lone "-" is a word.
    EXPECT_EQ(parse({"--", "--json"}).positional, std::vector<std::string>{"--json"});
    EXPECT_EQ(parse({"-"}).positional, std::vector<std::string>{"-"});
}

TEST(ToolArgumentsTest, RefusesWhatTheSubcommandCannotUse) {
    EXPECT_THROW(parse({"bundle", "--verbose"}), UsageError);
    EXPECT_THROW(parse({"bundle", "--lang"}), UsageError);
    EXPECT_THROW(parse({}), UsageError);
    EXPECT_THROW(parse({"a", "b"}), UsageError);
    EXPECT_NO_THROW(parse({"a", "b"}, 2));
}

TEST(ToolArgumentsTest, IntegerOptionsAreWholeNumbersInRange) {
    const auto percent = [](const std::string& text) {
        return IntegerOption(parse({"b", "--lang", text}), "--lang", 0, 100);
    };
    EXPECT_EQ(percent("0"), 0);
    EXPECT_EQ(percent("100"), 100);
    for (const char* bad : {"", "-1", "101", "5x", "x", "1e2", " 5"}) {
        EXPECT_THROW(percent(bad), UsageError) << bad;
    }
    EXPECT_EQ(IntegerOption(parse({"b"}), "--lang", 0, 100), std::nullopt);
}

} // namespace
} // namespace qly::tools
