#include "common/error.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_message_loop.h"
#include "platform/win32/win32_text_scroll_host.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace qly::win32 {
namespace {

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

std::wstring windowText(HWND window) {
    std::wstring text(256, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A main window with a skin of 60 x 40 pixels, not shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeBitmap(folder.file("gfx.bmp"), 60, 40, 0x204080);
        window.loadSkin(folder.file("gfx.bmp"));
        loop.setMainWindow(window.handle());
    }

    test::TempFolder folder;
    Win32MessageLoop loop;
    Win32MainWindow window{instance(), 0};
};

TEST_F(WindowTest, TakesTheSkinsSizeAndRoundsItsCorners) {
    EXPECT_EQ(window.width(), 60);
    EXPECT_EQ(window.height(), 40);
    window.setRoundRegion(32, 32);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(window.handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 58, 38));
    EXPECT_TRUE(PtInRegion(region, 30, 20));
    EXPECT_TRUE(PtInRegion(region, 30, 0));
    DeleteObject(region);
}

TEST_F(WindowTest, RefusesAMissingOrBrokenSkinAndKeepsTheOldOne) {
    test::writeFile(folder.file("broken.bmp"), "BM not really");
    EXPECT_THROW(window.loadSkin(folder.file("missing.bmp")), Error);
    EXPECT_THROW(window.loadSkin(folder.file("broken.bmp")), Error);
    EXPECT_EQ(window.width(), 60);
    window.releaseSkin();
    window.releaseSkin(); // harmless twice
}

TEST_F(WindowTest, CaptionBytesAreShownInTheAnsiCodePage) {
    window.setCaption(" 42% QLY!");
    EXPECT_EQ(window.caption(), " 42% QLY!");
    EXPECT_EQ(windowText(window.handle()), L" 42% QLY!");
}

TEST_F(WindowTest, CloseFromOutsideAsksFirstThenUnloadsAndEndsTheLoop) {
    int unloads = 0;
    bool allow = false;
    window.setEvents(MainWindowEvents{[&] { return allow; }, [&] { ++unloads; }, nullptr});

    SendMessageW(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.alive());
    EXPECT_EQ(unloads, 0);

    allow = true;
    SendMessageW(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(window.alive());
    EXPECT_EQ(unloads, 1);
    // The quit that the destruction posted is seen by a yield and kept for the main loop.
    loop.yield();
    EXPECT_TRUE(loop.quitRequested());
    EXPECT_EQ(loop.run(), 0);
}

TEST_F(WindowTest, AQueryThatThrowsKeepsTheWindow) {
    window.setEvents(
        MainWindowEvents{[]() -> bool { throw std::runtime_error("broken"); }, nullptr, nullptr});
    SendMessageW(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.alive());
}

TEST_F(WindowTest, YieldDispatchesEveryPendingMessage) {
    int presses = 0;
    window.setEvents(MainWindowEvents{nullptr, nullptr, [&] { ++presses; }});
    for (int i = 0; i < 3; ++i) {
        PostMessageW(window.handle(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    }
    loop.yield();
    EXPECT_EQ(presses, 3);
    EXPECT_FALSE(loop.quitRequested());
}

TEST_F(WindowTest, ButtonClicksReachTheirHandlersAndExceptionsStayInside) {
    Win32PushButton button(window.handle(), 100, Rect{5, 5, 40, 20});
    int clicks = 0;
    button.setOnClick([&] {
        ++clicks;
        throw std::runtime_error("a handler that fails");
    });
    SendMessageW(button.handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowTest, CaptionFollowsTheFontCharset) {
    Win32PushButton button(window.handle(), 100, Rect{5, 5, 40, 20});
    // 0xB3 is l-stroke in code page 1250 and U+0456 in code page 1251.
    button.setFontCharset(238);
    button.setCaption("Wyjd\x9F \xB3");
    EXPECT_EQ(windowText(button.handle()), L"Wyjd\u017A \u0142");
    button.setFontCharset(204);
    EXPECT_EQ(button.caption(), "Wyjd\x9F \xB3");
    EXPECT_EQ(windowText(button.handle()), L"Wyjd\u045F \u0456");
}

TEST_F(WindowTest, ButtonTakesTheFocusOnlyWhenItCan) {
    Win32PushButton button(window.handle(), 100, Rect{5, 5, 40, 20});
    window.minimize();
    EXPECT_THROW(button.setFocus(), Error);
    ShowWindow(window.handle(), SW_RESTORE);
    button.setFocus();
    EXPECT_EQ(GetFocus(), button.handle());
    button.setEnabled(false);
    EXPECT_FALSE(button.enabled());
    EXPECT_THROW(button.setFocus(), Error);
}

TEST_F(WindowTest, ComboShowsEachEntryInItsOwnCharsetAndKeepsItsBytes) {
    Win32ComboBox combo(window.handle(), 101, Rect{2, 2, 50, 0});
    combo.addItem("Polski \xB3", 238);
    combo.addItem("\xD0\xF3\xF1\xF1\xEA\xE8\xE9", 204);
    ASSERT_EQ(combo.itemCount(), 2);
    EXPECT_EQ(combo.item(1), "\xD0\xF3\xF1\xF1\xEA\xE8\xE9");
    EXPECT_EQ(combo.item(2), "");
    wchar_t shown[64] = {};
    SendMessageW(combo.handle(), CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::wstring(shown), L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439");
    SendMessageW(combo.handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::wstring(shown), L"Polski \u0142");
}

TEST_F(WindowTest, ComboSelectionByProgramRaisesNoEventButAUserPickDoes) {
    Win32ComboBox combo(window.handle(), 101, Rect{2, 2, 50, 0});
    combo.addItem("a", 0);
    combo.addItem("b", 0);
    int picks = 0;
    combo.setOnSelect([&] { ++picks; });
    EXPECT_EQ(combo.selectedIndex(), -1);
    combo.setSelectedIndex(1);
    EXPECT_EQ(combo.selectedIndex(), 1);
    EXPECT_EQ(picks, 0);
    // What the list sends its parent when the user picks an entry.
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo.handle()));
    EXPECT_EQ(picks, 1);
    // The closed list keeps the system's height; the drop-down room is kept for the list.
    combo.setBounds(Rect{3, 4, 70, 0});
    EXPECT_EQ(combo.bounds().left, 3);
    EXPECT_EQ(combo.bounds().width, 70);
    EXPECT_GT(combo.bounds().height, 10);
}

TEST_F(WindowTest, LinkAreaShowsTheHandOnlyWhileItHoldsALink) {
    Win32ImageArea area(window.handle(), 102, Rect{10, 10, 20, 10});
    int clicks = 0;
    area.setOnClick([&] { ++clicks; });
    EXPECT_EQ(area.cursor(), nullptr);
    area.setLinkPointer(true);
    EXPECT_EQ(area.cursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(102, STN_CLICKED),
                 reinterpret_cast<LPARAM>(area.handle()));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ChildControl::from(area.handle()), static_cast<ChildControl*>(&area));
}

TEST_F(WindowTest, OtherChildWindowsAreNeverTakenForControls) {
    Win32TextScrollHost text(window.handle(), 103, loop);
    text.Move(Rect{4, 6, 50, 30});
    RECT rc{};
    GetClientRect(text.handle(), &rc);
    EXPECT_EQ(rc.right, 50);
    EXPECT_EQ(rc.bottom, 30);
    EXPECT_EQ(ChildControl::from(text.handle()), nullptr);
    // The pointer question over the text area must not reach into the text area's object.
    EXPECT_EQ(SendMessageW(window.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(text.handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              FALSE);
}

} // namespace
} // namespace qly::win32
