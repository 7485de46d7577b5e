#include "app/support_log.h"
#include "platform/posix/software_surface.h"
#include "support/fake_message_loop.h"
#include "textscroll/text_scroll.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qly::app {
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

    EXPECT_THAT(log, ::testing::ElementsAre("cls", "text (dropped): [238]during cls",
                                            "bar (dropped): 10%", "text: [238]after", "bar: 42%"));
}

TEST(OutcomeLine, NamesStatusErrorCodeAndCaption) {
    EXPECT_EQ(OutcomeLine(0, -2, " 100% QLY!"),
              "outcome: status=0 ErrorCode=-2 caption= 100% QLY!");
}

} // namespace
} // namespace qly::app
