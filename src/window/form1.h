// Form1: the installer's window, the front end of the update run (src/update) that a user
// works. It is written against the control and service interfaces only, so that the Win32
// program and the tests run the very same code. The platform creates the controls, constructs Form1
// over them and calls the event handlers below; no exception ever leaves a handler.
//
// Life of a window, as the platform drives it:
//   1. construct Form1 over the controls and services;
//   2. Form_Load(); when it returns false the window is already destroyed and the program
//      ends (the user was told why in a message box);
//   3. deliver events: button clicks, a selection in Combo1 made by the user, image clicks,
//      presses on the window's own surface;
//   4. a close request that does not come through Command2 (Alt+F4, the task bar) goes
//      through QueryUnload(); when it answers true the platform calls Form_Unload() and
//      destroys the window (during the update run, that stops the run and undoes it);
//   5. Command1 (after the update run) and Command2 unload by themselves: they run
//      Form_Unload() and then MainWindow::destroy().
// Form_Unload() runs its steps once; every handler does nothing once the window is unloaded,
// so events still queued when the window goes away are harmless.
#pragma once

#include "common/stand_alone.h"
#include "platform/controls.h"
#include "platform/shell.h"
#include "textscroll/text_area.h"
#include "update/update_run.h"
#include "window/changing_files_scope.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace qly {

class LayoutFile;

// The window and its child controls, created by the platform before Form1 and outliving it.
struct Form1Controls {
    MainWindow& window;
    Button& Command1;      // "Update Now!", later the exit button
    Button& Command2;      // close, 20 by 20 pixels
    Button& Command3;      // minimize, 20 by 20 pixels
    ComboBox& Combo1;      // language selector
    TextArea& TextScroll1; // scrolling text and progress bar
    ImageArea& Image1;     // right link
    ImageArea& Image2;     // left link
};

// The outside services Form1 uses, all outliving it: the update run's, and the shell for the
// links and the Favorites shortcut.
struct Form1Services {
    RunServices run;
    Shell& shell;
};

// How the program was started: what the command line chose, and where events are logged.
struct Form1Options {
    std::optional<std::string> dir;  // the game folder, before the registry
    std::optional<std::string> lang; // the header code of the start language
    // Nobody works the window: the run never asks for the game folder.
    bool unattended = false;
    // One line per event for the support log; may be empty.
    std::function<void(const std::string& line)> log;
};

class Form1 : private RunFrontEnd {
public:
    // Told to the user when the skin cannot be loaded; the program then ends.
    static constexpr const char* kSkinMissing = kSkinMissingText;

    Form1(const Form1Controls& controls, const Form1Services& services, Form1Options options = {});
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Start-up: working folder, caption, skin, layout, engine, region, language list, show,
    // game lookup with the start language. Returns false when the skin is missing or
    // unreadable: the user has been told in a message box and the window is destroyed.
    bool Form_Load();
    // "Update Now!": runs the update once; after it, closes the window. Ignored while busy.
    void Command1_Click();
    // Close button: unloads and destroys the window unless busy.
    void Command2_Click();
    // Minimize button: always available.
    void Command3_Click();
    // The language switch, run when the user selects an entry of Combo1 (and by the program
    // itself after it selects one).
    void Combo1_Click();
    // Right link area: opens linkright when set.
    void Image1_Click();
    // Left link area: opens linkleft when set.
    void Image2_Click();
    // A press of any mouse button on the window's own surface: starts dragging the window.
    void Form_MouseDown();
    // A close request from outside Command2 (Alt+F4, the task bar): true when the window may
    // close. False while start-up or a language switch works (they must not lose their
    // window); true during the update run, which the unload then stops and undoes, so that
    // the user can always back out of a copy (Command2 itself stays held off by busy).
    bool QueryUnload();
    // Releases the skin, writes the Favorites shortcut, releases the copy engine. Runs once;
    // later calls do nothing. Does not destroy the window.
    void Form_Unload();
    // Progress of the copy engine: bar and caption, unless started with "-reset".
    void CopySys_CopyState(int16_t procent, int64_t& TotalBytes, int64_t& TotalCopyBytes);

private:
    Form1Options options_;
    UpdateRun run_;

public:
    // Window state, in the order the program's documents declare it; the first four are the
    // update run's (see UpdateRun).
    std::string& DestPatch;
    int16_t& status;
    int16_t& etap;
    int32_t& ErrorCode;
    std::string linkleft;
    std::string linkright;
    std::string linkfavorites;
    std::string titlefavorites;

    // The controls, under the names the window's design gives them.
    MainWindow& window;
    Button& Command1;
    Button& Command2;
    Button& Command3;
    ComboBox& Combo1;
    TextArea& TextScroll1;
    ImageArea& Image1;
    ImageArea& Image2;

    // For the platform and for tests.
    bool isBusy() const { return busy != 0; }
    bool isUnloaded() const { return unloaded_; }
    const LanguageState& language() const { return run_.language(); }
    // How the update run ended so far; NotRun until the run has started.
    RunOutcome outcome() const { return run_.outcome(); }
    // See UpdateRun: nothing may be changed by this process, and the exit code of the elevated
    // copy that ran the update in its place.
    bool gameFolderRefused() const { return run_.gameFolderRefused(); }
    std::optional<int> handedOverExitCode() const { return run_.handedOverExitCode(); }
    // The copy engine; null before start-up and after the unload.
    const classCopySys* copyEngine() const { return run_.engine(); }
    const UpdateRun& updateRun() const { return run_; }

private:
    // Start-up pieces (src/window).
    void LoadSkin(const std::string& fileName);
    void ReleaseSkin();
    void SetRoundRegion(int16_t cornerWidth, int16_t cornerHeight);
    void PlaceControls(const LayoutFile& layout);
    // Runs the unload once, then destroys the window.
    void UnloadWindow();

    // Start-up: the game folder, with the start language picked by the selector.
    void FindGameFolder();
    void RunUpdate();

    // The update run's front end.
    void showLine(const std::string& text) override;
    void clear() override;
    void setBar(int16_t percent) override;
    std::string askForFolder(const std::string& prompt, int32_t charset,
                             BrowseStart start) override;
    void lockInput(const std::string& reason, int32_t charset) override;
    void unlockInput(bool failed) override;
    void log(const std::string& line) override;

    // Languages.
    void LoadLangList();
    void LoadLang(int16_t i);
    void NameControls();

    // Runs one step of a handler on its own: a failure skips that step only.
    template <typename Step> static void StandAlone(Step&& step) noexcept {
        StandAloneStep(std::forward<Step>(step));
    }

    FileSystem& files_;
    ProfileFile& profile_;
    Shell& shell_;
    MessageLoop& loop_;

    int16_t busy = 0; // True (-1) while start-up, a language switch or the update run works
    int16_t LastLangIndex = 0; // list index of the language last switched to, plus 1
    bool unloaded_ = false;
    bool updating_ = false; // within the update run of Command1
    // While the run changes the game's files: the session's end is refused meanwhile.
    std::optional<ChangingFilesScope> changingFiles_;
};

} // namespace qly
