#include "languages/language_state.h"
#include "languages/message_lines.h"
#include "support/fake_file_system.h"
#include "support/recording_line_sink.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

class MessageLinesTest : public ::testing::Test {
protected:
    std::vector<std::string> show(const std::string& text, const std::string& prefix) {
        lang.LangBuffer = text;
        test::RecordingLineSink sink;
        ShowMessageLines(lang, sink, prefix);
        return sink.lines;
    }

    test::FakeFileSystem fs;
    LanguageState lang{fs};
};

using Lines = std::vector<std::string>;

TEST_F(MessageLinesTest, ShowsTenLinesInOrderWithoutConfusingOneAndTen) {
    std::string text = "[ENG]\r\n/przed10/= line 10'\r\n";
    for (int n = 1; n <= 9; ++n) {
        text += "/przed" + std::to_string(n) + "/= line " + std::to_string(n) + "'\r\n";
    }
    const Lines lines = show(text, "przed");
    ASSERT_EQ(lines.size(), 10u);
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(lines[n - 1], "line " + std::to_string(n));
    }
}

TEST_F(MessageLinesTest, SeriesEndsAtTheFirstMissingOrEmptyEntry) {
    EXPECT_EQ(show("/przed1/= a'/przed2/= b'/przed4/= d'", "przed"), (Lines{"a", "b"}));
    EXPECT_EQ(show("/poz1/= a'/poz2/= '/poz3/= c'", "poz"), (Lines{"a"}));
    EXPECT_EQ(show("/neg2/= b'/neg3/= c'", "neg"), Lines{});
    EXPECT_EQ(show("", "neg"), Lines{});
}

TEST_F(MessageLinesTest, ShowsOnlyTheSeriesOfItsPrefix) {
    const std::string text = "/przed1/= before'/poz1/= done'/neg1/= lost'/neg2/= lost too'";
    EXPECT_EQ(show(text, "przed"), (Lines{"before"}));
    EXPECT_EQ(show(text, "poz"), (Lines{"done"}));
    EXPECT_EQ(show(text, "neg"), (Lines{"lost", "lost too"}));
}

TEST_F(MessageLinesTest, BlankTextIsShownAndAnUnclosedLastEntryStillCounts) {
    // A text of one blank is not empty: it is shown (as an empty line).
    EXPECT_EQ(show("/poz1/=  '/poz2/= end", "poz"), (Lines{" ", "end"}));
}

} // namespace
} // namespace qly
