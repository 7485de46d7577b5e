// The Linux program's text area: lines in UTF-8, a progress bar on a terminal and percent
// lines elsewhere.
#include "linux_front/terminal_text_area.h"
#include "platform/posix/code_pages.h"
#include "support/fake_terminal.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

std::string utf8OfCharset(const std::string& bytes, int32_t charset) {
    return posix::codePageToUtf8(bytes, posix::codePageOfCharset(charset));
}

TEST(ProgressFiguresTest, BytesDurationsAndTheLineFittedToTheWidth) {
    // clang-format off
    const std::pair<int64_t, const char*> sizes[] = {
        {-5, "0 B"}, {1023, "1023 B"}, {1024, "1.0 KiB"}, {1536, "1.5 KiB"},
        {1048576 * 27, "27.0 MiB"}, {int64_t{3} << 40, "3.0 TiB"},
        {int64_t{5000} << 40, "5000.0 TiB"}};
    // clang-format on
    for (const auto& [bytes, text] : sizes) {
        EXPECT_EQ(FormatBytes(bytes), text) << bytes;
    }
    const std::pair<int64_t, const char*> durations[] = {
        {-1, "0:00"}, {7, "0:07"}, {725, "12:05"}, {3723, "1:02:03"}};
    for (const auto& [seconds, text] : durations) {
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
    }

    const CopyProgress half{1048576, 2097152};
    const std::string line = ProgressLine(50, half, 2000, 100);
    EXPECT_EQ(line.substr(0, 1), "[");
    EXPECT_NE(line.find(" 50%  1.0 MiB / 2.0 MiB  512.0 KiB/s  0:02 left"), std::string::npos)
        << line;
    EXPECT_LE(line.size(), 99u);
    // Filled cells follow the percent; no rate before a byte has been copied.
    const std::string start = ProgressLine(0, CopyProgress{0, 10}, 500, 60);
    EXPECT_EQ(start.find('#'), std::string::npos);
    EXPECT_EQ(start.find("left"), std::string::npos);
    const std::string bar = line.substr(1, line.find(']') - 1);
    EXPECT_EQ(bar,
              std::string(bar.size() / 2, '#') + std::string(bar.size() - bar.size() / 2, '.'));
    // Too narrow for a bar: the figures alone; out-of-range percents are held to 0..100.
    EXPECT_EQ(ProgressLine(140, half, 0, 30), "100%  1.0 MiB / 2.0 MiB");
}

TEST(TerminalTextAreaTest, PlainPercentLinesWhenTheOutputIsNoTerminal) {
    test::FakeTerminal terminal(false);
    TerminalTextArea area(terminal, utf8OfCharset, nullptr, [] { return int64_t{0}; });
    area.SetFontCharset(238);
    area.Tekst("\xB3\xB9ka"); // "łąka" in code page 1250
    for (int16_t p : {0, 0, 37, -1, 37, 100}) {
        area.Bar(p);
    }
    area.SetFontCharset(204);
    area.Tekst("\xC4\xE0");
    EXPECT_EQ(terminal.written_, "\xC5\x82\xC4\x85ka\n0%\n37%\n100%\n\xD0\x94\xD0\xB0\n");
}

TEST(TerminalTextAreaTest, BarRedrawnInPlaceWithBytesRateAndTimeLeft) {
    test::FakeTerminal terminal(true);
    int64_t now = 10'000;
    CopyProgress progress{0, 4 << 20};
    TerminalTextArea area(
        terminal, utf8OfCharset, [&] { return std::optional(progress); }, [&] { return now; });
    area.Bar(0);
    now += 50;
    progress.copied = 1 << 20;
    area.Bar(25); // within the redraw pause: not drawn
    now += 950;
    progress.copied = 2 << 20;
    area.Bar(50);
    const std::string bars = terminal.written_;
    EXPECT_EQ(std::count(bars.begin(), bars.end(), '\r'), 2) << bars;
    EXPECT_NE(bars.find("50%  2.0 MiB / 4.0 MiB  2.0 MiB/s  0:01 left"), std::string::npos) << bars;
    EXPECT_EQ(bars.find('\n'), std::string::npos);

    // A line of text starts below the open bar; 100% always ends it.
    area.Tekst("done");
    EXPECT_EQ(terminal.written_.substr(bars.size()), "\ndone\n");
    area.Bar(100);
    EXPECT_EQ(terminal.written_.back(), '\n');
    area.Tekst("after");
    EXPECT_EQ(terminal.written_.substr(terminal.written_.size() - 7), "\nafter\n");
}

} // namespace
} // namespace qly
