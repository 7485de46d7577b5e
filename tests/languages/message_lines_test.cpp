#include "languages/language_state.h"
#include "languages/message_lines.h"
#include "support/fake_file_system.h"
#include "support/recording_line_sink.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using Lines = std::vector<std::string>;

TEST(ShowMessageLines, ShowsTheSeriesOfItsPrefixUpToTheFirstMissingOrEmptyEntry) {
    // Entry 10 first: a lookup of "przed1" must not take it.
    std::string ten = "[ENG]\r\n/przed10/= line 10'\r\n";
    Lines tenLines;
    for (int n = 1; n <= 10; ++n) {
        ten +=
            n < 10 ? "/przed" + std::to_string(n) + "/= line " + std::to_string(n) + "'\r\n" : "";
        tenLines.push_back("line " + std::to_string(n));
    }
    const std::string mixed = "/przed1/= before'/poz1/= done'/neg1/= lost'/neg2/= lost too'";
    const struct {
        std::string text, prefix;
        Lines expected;
    } rows[] = {
        {ten, "przed", tenLines},
        {"/przed1/= a'/przed2/= b'/przed4/= d'", "przed", {"a", "b"}},
        {"/poz1/= a'/poz2/= '/poz3/= c'", "poz", {"a"}},
        {"/neg2/= b'/neg3/= c'", "neg", {}},
        {mixed, "przed", {"before"}},
        {mixed, "poz", {"done"}},
        {mixed, "neg", {"lost", "lost too"}},
        // A text of one blank is not empty; an unclosed last entry still counts.
        {"/poz1/=  '/poz2/= end", "poz", {" ", "end"}},
    };
    test::FakeFileSystem fs;
    LanguageState lang(fs);
    for (const auto& row : rows) {
        lang.LangBuffer = row.text;
        test::RecordingLineSink sink;
        ShowMessageLines(lang, sink, row.prefix);
        EXPECT_EQ(sink.lines, row.expected) << row.prefix << " in " << row.text;
    }
}

} // namespace
} // namespace qly
