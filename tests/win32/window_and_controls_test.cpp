#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_message_loop.h"
#include "platform/win32/win32_text_scroll_host.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace qly::win32 {
namespace {

// A main window with a plain 24-bit skin of 60 x 40 pixels, not shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeGreySkin(folder.file("gfx.bmp"), 60, 40);
        window.loadSkin(folder.file("gfx.bmp"));
        loop.setMainWindow(window.handle());
    }

    test::TempFolder folder;
    Win32MessageLoop loop;
    Win32MainWindow window{GetModuleHandleW(nullptr), 0};
};

TEST_F(WindowTest, TakesTheSkinsSizeAndRoundsItsCorners) {
    EXPECT_EQ(window.width(), 60);
    EXPECT_EQ(window.height(), 40);
    window.setRoundRegion(32, 32);
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window.handle(), region.get()), ERROR);
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0) || PtInRegion(region.get(), 58, 38));
    EXPECT_TRUE(PtInRegion(region.get(), 30, 20) && PtInRegion(region.get(), 30, 0));
}

TEST_F(WindowTest, CloseFromOutsideIsRefusedWhileBusyThenUnloadsAndEndsTheLoop) {
    int unloads = 0;
    const std::function<bool()> answers[] = {[] { return false; },
                                             []() -> bool { throw std::runtime_error("broken"); }};
    for (const auto& answer : answers) {
        window.setEvents(MainWindowEvents{answer, [&] { ++unloads; }, nullptr});
        SendMessageW(window.handle(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(window.alive());
    }
    EXPECT_EQ(unloads, 0);
    window.setEvents(MainWindowEvents{[] { return true; }, [&] { ++unloads; }, nullptr});
    SendMessageW(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(window.alive());
    EXPECT_EQ(unloads, 1);
    // The quit that the destruction posted is seen by a yield and kept for the main loop.
    loop.yield();
    EXPECT_TRUE(loop.quitRequested());
    EXPECT_EQ(loop.run(), 0);
}

TEST_F(WindowTest, OnlyOurOwnControlsAreTakenForControlsNeverTheTextArea) {
    Win32ImageArea link(window.handle(), 102, Rect{10, 10, 20, 10});
    link.setLinkPointer(true);
    Win32TextScrollHost text(window.handle(), 103, loop);
    EXPECT_EQ(ChildControl::from(link.handle()), static_cast<ChildControl*>(&link));
    EXPECT_EQ(ChildControl::from(text.handle()), nullptr);
    const auto askCursor = [&](HWND child) {
        return SendMessageW(window.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(child),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };
    EXPECT_EQ(askCursor(link.handle()), TRUE);
    // The pointer question over the text area must not reach into the text area's object.
    EXPECT_EQ(askCursor(text.handle()), FALSE);
}

} // namespace
} // namespace qly::win32
