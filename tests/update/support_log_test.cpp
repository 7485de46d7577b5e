#include "platform/posix/software_surface.h"
#include "support/fake_file_system.h"
#include "support/fake_message_loop.h"
#include "textscroll/text_scroll.h"
#include "update/support_log.h"
#include "update/unopened_bundle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qly {
namespace {

// Every call is logged in order, texts converted in the charset in force, and calls the
// drawing control will drop are marked as such.
TEST(LoggedTextArea, LogsEveryCallAndMarksThoseTheDrawingControlWillDrop) {
    test::FakeMessageLoop loop;
    loop.setTickStep(0);
    posix::SoftwareSurface surface;
    TextScroll control(surface, loop);
    control.SpeedScroll(int32_t{0});
    control.Move(Rect{0, 0, 120, 40});
    std::vector<std::string> log;
    const auto tagged = [](const std::string& bytes, int32_t charset) {
        return "[" + std::to_string(charset) + "]" + bytes;
    };
    LoggedTextArea area(
        control, [&](const std::string& line) { log.push_back(line); }, tagged,
        [&] { return control.Drawing(); });

    // While Cls scrolls, a handler writes a line and draws a bar: the control ignores both,
    // and the log must not claim they were shown.
    loop.at(1, [&] {
        area.Tekst("during cls");
        area.Bar(10);
    });
    area.SetFontCharset(238);
    area.Cls();
    area.Tekst("after");
    area.Bar(42);
    // The copy reports a percent anew for each file: a repeat is logged once, and a line
    // between two bars makes the second one news again.
    area.Bar(42);
    area.Bar(43);
    area.Tekst("after");
    area.Tekst("after");
    area.Bar(43);

    EXPECT_THAT(log, ::testing::ElementsAre("cls", "text (dropped): [238]during cls",
                                            "bar (dropped): 10%", "text: [238]after", "bar: 42%",
                                            "bar: 43%", "text: [238]after", "text: [238]after",
                                            "bar: 43%"));
}

// Lines carry the UTC time to the millisecond, zero-padded, whatever the date; the last line
// says the outcome in words, with the bytes an installed patch copied, and claims no bytes
// where an undo could not finish.
TEST(SupportLogLines, AreStampedAndTheOutcomeNamesItsExitCode) {
    using namespace std::chrono;
    const sys_days day = year{2026} / 3 / 7;
    EXPECT_EQ(StampedLine(day + hours{4} + minutes{5} + seconds{6} + milliseconds{7}, "cls"),
              "2026-03-07 04:05:06.007 cls");
    EXPECT_EQ(StampedLine(sys_days{year{1999} / 12 / 31} + hours{23} + minutes{59} + seconds{59} +
                              milliseconds{999},
                          "text: x"),
              "1999-12-31 23:59:59.999 text: x");
    EXPECT_EQ(OutcomeLine(ExitCode::Installed, 3'000'000'000),
              "outcome: exit code 0, the patch was installed; 3000000000 bytes copied");
    EXPECT_EQ(OutcomeLine(ExitCode::ClosedBeforeInstalling, 0),
              "outcome: exit code 2, the user closed the installer before installing; nothing "
              "copied");
    EXPECT_EQ(OutcomeLine(ExitCode::RecoveryFailed, 0),
              "outcome: exit code 7, an interrupted earlier run could not be undone; the game "
              "folder needs attention");
}

// Every front end tells the user and the log the same when the packed bundle cannot be opened.
TEST(UnopenedBundle, DamagedDownloadGetsTheBuiltInTextOtherFailuresTheirReason) {
    test::FakeFileSystem disk;
    const std::string outcome = OutcomeLine(ExitCode::CouldNotStart, 0);
    std::vector<std::string> lines;
    const auto log = [&](const std::string& line) { lines.push_back(line); };

    const std::string damaged =
        ReportUnopenedBundle(Error("cut short", FailureKind::Damaged, 0, "a.exe"), disk, log);
    EXPECT_TRUE(damaged.starts_with("The downloaded patch is damaged")) << damaged;
    EXPECT_EQ(lines, (std::vector<std::string>{"damaged download: cut short", outcome}));

    lines.clear();
    EXPECT_EQ(ReportUnopenedBundle(Error("the disk is full"), disk, log), "the disk is full");
    EXPECT_EQ(lines, (std::vector<std::string>{"cannot unpack: the disk is full", outcome}));
}

} // namespace
} // namespace qly
