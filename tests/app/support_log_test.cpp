#include "app/support_log.h"
#include "platform/posix/software_surface.h"
#include "support/fake_message_loop.h"
#include "support/fake_text_area.h"
#include "textscroll/text_scroll.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly::app {
namespace {

using ::testing::ElementsAre;

// Marks the conversion so that a test sees which charset a text was converted with.
std::string taggedUtf8(const std::string& bytes, int32_t charset) {
    return "[" + std::to_string(charset) + "]" + bytes;
}

TEST(LoggedTextArea, LogsEveryCallInOrderAndPassesItOn) {
    test::FakeMessageLoop loop;
    test::FakeTextArea inner(loop);
    std::vector<std::string> log;
    LoggedTextArea area(
        inner, [&](const std::string& line) { log.push_back(line); }, taggedUtf8,
        [] { return false; });

    area.SetFontCharset(238);
    area.Cls();
    area.Tekst("Witaj");
    area.Bar(42);
    area.SetFontCharset(204);
    area.Tekst(" ");
    area.Move(Rect{1, 2, 3, 4});

    EXPECT_THAT(log, ElementsAre("cls", "text: [238]Witaj", "bar: 42%", "text: [204] "));
    EXPECT_THAT(inner.calls_, ElementsAre("Charset:238", "Cls", "Tekst:Witaj", "Bar:42",
                                          "Charset:204", "Tekst: "));
    EXPECT_EQ(inner.bounds_.width, 3);
}

TEST(LoggedTextArea, MarksCallsTheDrawingControlWillDrop) {
    test::FakeMessageLoop loop;
    loop.setTickStep(0);
    posix::SoftwareSurface surface;
    TextScroll control(surface, loop);
    control.SpeedScroll(int32_t{0});
    control.Move(Rect{0, 0, 120, 40});
    std::vector<std::string> log;
    LoggedTextArea area(
        control, [&](const std::string& line) { log.push_back(line); }, nullptr,
        [&] { return control.Drawing(); });

    // While Cls scrolls, a handler writes a line and draws a bar: the control ignores both,
    // and the log must not claim they were shown.
    loop.at(1, [&] {
        area.Tekst("during cls");
        area.Bar(10);
    });
    area.Cls();
    area.Tekst("after");

    EXPECT_THAT(
        log, ElementsAre("cls", "text (dropped): during cls", "bar (dropped): 10%", "text: after"));
}

TEST(OutcomeLine, NamesStatusErrorCodeAndCaption) {
    EXPECT_EQ(OutcomeLine(1, 5321, " 100% QLY!"),
              "outcome: status=1 ErrorCode=5321 caption= 100% QLY!");
    EXPECT_EQ(OutcomeLine(0, -2, "Quillory - Install"),
              "outcome: status=0 ErrorCode=-2 caption=Quillory - Install");
}

} // namespace
} // namespace qly::app
