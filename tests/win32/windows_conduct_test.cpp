// How the installer behaves as a Windows program beyond its own window's drawing: the end of
// the session, the task bar, the keyboard and screen readers, and the shell that opens links.
// tests/win32/run.sh runs these at 144 dots per inch; the text area's size at that scale is
// compared with the picture at 96 by the end-to-end test.
#include "platform/win32/desktop_user.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_message_loop.h"
#include "platform/win32/win32_shell.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <vector>

namespace qly::win32 {
namespace {

// A shown main window with a plain skin of 200 x 100 pixels and the controls of the installer
// that take the keyboard, created in an order unlike the Tab order given to them.
class ConductTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeGreySkin(folder.file("gfx.bmp"), 200, 100);
        window.loadSkin(folder.file("gfx.bmp"));
        loop.setMainWindow(window.handle());

        command1.setOnClick([this] { clicks.push_back("command1"); });
        command2.setOnClick([this] { clicks.push_back("command2"); });
        command3.setOnClick([this] { clicks.push_back("command3"); });
        image1.setOnClick([this] { clicks.push_back("image1"); });
        image2.setOnClick([this] { clicks.push_back("image2"); });
        combo.setOnSelect(
            [this] { clicks.push_back("select " + std::to_string(combo.selectedIndex())); });
        combo.addItem("English", 0);
        combo.addItem("Polski", 238);
        combo.setSelectedIndex(0);
        command1.setBounds(Rect{120, 32, 70, 30});
        command2.setBounds(Rect{170, 8, 20, 20});
        command3.setBounds(Rect{148, 8, 20, 20});
        image1.setLinkPointer(true);
        image2.setLinkPointer(true);
        noLink.setLinkPointer(false);
        setTabOrder({combo.handle(), command1.handle(), image2.handle(), noLink.handle(),
                     image1.handle(), command3.handle(), command2.handle()});
        window.show();
        loop.yield();
    }

    // Posts a key press (down and up) to the focused control and lets the loop handle it.
    void press(UINT key) {
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        loop.yield();
    }

    test::TempFolder folder;
    Win32MessageLoop loop;
    Win32MainWindow window{GetModuleHandleW(nullptr), 0};
    Win32BitmapButton command2{window.handle(), 101, GetModuleHandleW(nullptr), 0};
    Win32ImageArea image1{window.handle(), 105, Rect{110, 70, 40, 20}};
    Win32ImageArea noLink{window.handle(), 107, Rect{60, 40, 40, 20}};
    Win32PushButton command1{window.handle(), 100, Rect{}};
    Win32BitmapButton command3{window.handle(), 102, GetModuleHandleW(nullptr), 0};
    Win32ComboBox combo{window.handle(), 103, Rect{10, 10, 100, 21}};
    Win32ImageArea image2{window.handle(), 106, Rect{10, 70, 40, 20}};
    std::vector<std::string> clicks;
};

TEST_F(ConductTest, TabVisitsEveryUsableControlInOrderAndEnterOrSpacePressesIt) {
    SetFocus(combo.handle());
    const std::pair<HWND, UINT> order[] = {{command1.handle(), VK_RETURN},
                                           {image2.handle(), VK_SPACE},
                                           {image1.handle(), VK_RETURN},
                                           {command3.handle(), VK_SPACE},
                                           {command2.handle(), VK_RETURN}};
    for (const auto& [expected, key] : order) {
        press(VK_TAB);
        EXPECT_EQ(GetFocus(), expected);
        press(key);
    }
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), combo.handle());
    EXPECT_EQ(clicks,
              (std::vector<std::string>{"command1", "image2", "image1", "command3", "command2"}));
}

TEST_F(ConductTest, ArrowsChooseInTheSelectorWhichKeepsTheFocusOverItsSwitch) {
    SetFocus(combo.handle());
    // The switch disables the selector and enables it again when the texts are shown.
    combo.setOnSelect([this] {
        clicks.push_back("select " + std::to_string(combo.selectedIndex()));
        combo.setEnabled(false);
        combo.setEnabled(true);
    });
    press(VK_DOWN);
    EXPECT_EQ(GetFocus(), combo.handle());
    press(VK_UP);
    EXPECT_EQ(clicks, (std::vector<std::string>{"select 1", "select 0"}));
    // A control that took the focus meanwhile keeps it.
    combo.setEnabled(false);
    SetFocus(command1.handle());
    combo.setEnabled(true);
    EXPECT_EQ(GetFocus(), command1.handle());
}

TEST_F(ConductTest, FocusedLinkAreaShowsAFocusRectangleOverTheSkin) {
    // The area's top row, read through its own window: skin grey, or the rectangle's dots.
    const auto changedBorderPixels = [&] {
        UpdateWindow(window.handle());
        UpdateWindow(image1.handle());
        WindowDc dc(image1.handle());
        int changed = 0;
        for (int x = 0; x < 40; ++x) {
            changed += GetPixel(dc.get(), x, 0) != RGB(0x40, 0x40, 0x40);
        }
        return changed;
    };
    SetFocus(command1.handle());
    EXPECT_EQ(changedBorderPixels(), 0);
    SetFocus(image1.handle());
    EXPECT_GT(changedBorderPixels(), 10);
}

TEST_F(ConductTest, PictureButtonsAndLinkAreasCarryTheirNamesForScreenReaders) {
    const auto name = [](HWND control) {
        std::wstring text(64, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        return text;
    };
    command2.setAccessibleName("Zamknij", 238);
    image1.setAccessibleName("Otw\xF3rz https://forum.example/", 238);
    image2.setAccessibleName("\xCE\xF2\xEA\xF0\xFB\xF2\xFC", 204);
    EXPECT_EQ(name(command2.handle()), L"Zamknij");
    EXPECT_EQ(name(image1.handle()), L"Otw\u00F3rz https://forum.example/");
    EXPECT_EQ(name(image2.handle()), L"\u041E\u0442\u043A\u0440\u044B\u0442\u044C");
}

TEST_F(ConductTest, SessionEndIsRefusedOnlyWhileBlocked) {
    const auto askToEnd = [&] {
        return SendMessageW(window.handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    };
    EXPECT_EQ(askToEnd(), TRUE);
    window.blockSessionEnd("Instalowanie poprawki Quillory", 238);
    EXPECT_EQ(askToEnd(), FALSE);
    window.allowSessionEnd();
    EXPECT_EQ(askToEnd(), TRUE);
    EXPECT_TRUE(window.alive());
}

TEST_F(ConductTest, TaskbarStateIsKeptAcrossTheShellAnnouncingTheButton) {
    using State = Win32MainWindow::TaskbarShown::State;
    window.setTaskbarProgress(40);
    SendMessageW(window.handle(), RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
    EXPECT_EQ(window.taskbarShown().state, State::Progress);
    EXPECT_EQ(window.taskbarShown().percent, 40);
    window.setTaskbarProgress(250);
    EXPECT_EQ(window.taskbarShown().percent, 100);
    window.setTaskbarError();
    EXPECT_EQ(window.taskbarShown().state, State::Error);
    std::printf("taskbar: the shell's task bar list %s\n",
                window.taskbarShown().shownByShell ? "shows the state" : "is not there");
    window.clearTaskbarProgress();
    EXPECT_EQ(window.taskbarShown().state, State::None);
}

// Under wine there is no desktop shell of another user to ask: the Favorites folder found is
// the process's own, and the log says which one was used.
TEST(DesktopUser, FavoritesFolderIsTheDesktopUsersOrOwnAndTheLogSaysWhich) {
    std::vector<std::string> notes;
    Win32Shell shell(nullptr, [&](const std::string& line) { notes.push_back(line); });
    const std::optional<std::string> folder = shell.favoritesFolder();
    ASSERT_TRUE(folder.has_value());
    std::wstring own(MAX_PATH + 1, L'\0');
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_FAVORITES, nullptr, SHGFP_TYPE_CURRENT, own.data()),
              S_OK);
    own.resize(own.find(L'\0'));
    EXPECT_EQ(*folder, fromWide(own)); // one user here: the desktop's is the process's own
    const std::optional<std::wstring> desktops = DesktopUserFolder(CSIDL_FAVORITES);
    if (RunsElevated()) {
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].rfind(desktops ? "shell: Favorites of the desktop's user: "
                                          : "shell: the desktop's user is unknown",
                                 0),
                  0u)
            << notes[0];
    } else {
        EXPECT_TRUE(notes.empty());
    }
    std::printf("desktop user: elevated %d, desktop user's Favorites %s\n", RunsElevated(),
                desktops ? fromWide(*desktops).c_str() : "unknown");
}

} // namespace
} // namespace qly::win32
