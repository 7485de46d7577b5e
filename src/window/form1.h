// Form1: the installer's window and the program's whole flow. It is written against the
// control and service interfaces only, so that the Win32 program and the tests run the very
// same code. The platform creates the controls, constructs Form1 over them and calls the
// event handlers below; no exception ever leaves a handler.
//
// Life of a window, as the platform drives it:
//   1. construct Form1 over the controls and services;
//   2. Form_Load(); when it returns false the window is already destroyed and the program
//      ends (the user was told why in a message box);
//   3. deliver events: button clicks, a selection in Combo1 made by the user, image clicks,
//      presses on the window's own surface;
//   4. a close request that does not come through Command2 (Alt+F4, the task bar) goes
//      through QueryUnload(); when it answers true the platform calls Form_Unload() and
//      destroys the window;
//   5. Command1 (after the update run) and Command2 unload by themselves: they run
//      Form_Unload() and then MainWindow::destroy().
// Form_Unload() runs its steps once; every handler does nothing once the window is unloaded,
// so events still queued when the window goes away are harmless.
#pragma once

#include "common/stand_alone.h"
#include "engine/class_copy_sys.h"
#include "languages/language_state.h"
#include "platform/controls.h"
#include "platform/elevation.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/locale.h"
#include "platform/message_loop.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/registry.h"
#include "platform/sha256.h"
#include "platform/shell.h"
#include "platform/version_resource.h"
#include "textscroll/text_area.h"
#include "update/update_run.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace qly {

class LayoutFile;
class ManifestCheck;

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

// The outside services Form1 uses, all outliving it.
struct Form1Services {
    FileSystem& files;
    ProfileFile& profile;
    Registry& registry;
    Shell& shell;
    VersionResource& versions;
    Locale& locale;
    MessageLoop& loop;
    Process& process;
    HashService& hashes;
    // The one-run-per-folder lock; none: no other run is guarded against (tests).
    FolderLocks* folderLocks = nullptr;
    // Asks for administrator rights when the game folder needs them; none: never asked.
    Elevation* elevation = nullptr;
};

// How the program was started: what the command line chose, and where events are logged.
struct Form1Options {
    std::optional<std::string> dir;  // the game folder, before the registry
    std::optional<std::string> lang; // the header code of the start language
    // Nobody works the window: the run never asks for the game folder.
    bool unattended = false;
    // One line per event for the support log; may be empty.
    std::function<void(const std::string& line)> log;
    // Asked before an interrupted run found in the game folder is recovered; false leaves the
    // folder as it is and the run does not start. Empty: recovered without asking.
    std::function<bool()> confirmRecovery;
};

class Form1 : private RunFrontEnd {
public:
    // The caption the window starts with.
    static constexpr const char* kCaption = "Quillory - Install";
    // Told to the user when the skin cannot be loaded; the program then ends.
    static constexpr const char* kSkinMissing =
        "The window's picture gfx.bmp is missing or cannot be read. The installer will close.";

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
    // A close request from outside Command2 (Alt+F4, the task bar). False while busy: the
    // work in progress must not lose its window; true when the window may close.
    bool QueryUnload();
    // Releases the skin, writes the Favorites shortcut, releases the copy engine. Runs once;
    // later calls do nothing. Does not destroy the window.
    void Form_Unload();
    // Progress of the copy engine: bar and caption, unless started with "-reset".
    void CopySys_CopyState(int16_t procent, int64_t& TotalBytes, int64_t& TotalCopyBytes);

    // Window state, in the order the program's documents declare it.
    std::string DestPatch; // the game folder, no trailing separator
    int16_t status = 0;    // 0 no game folder, 1 folder holds main.exe, 2 registered without it
    int16_t etap = 0;      // 0 before the update run, 1 from its start on
    int32_t ErrorCode = 0; // copy result: 0 or more bytes, -1 failure, -2 no space
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
    const LanguageState& language() const { return lang_; }
    // How the update run ended so far; NotRun until the run has started.
    RunOutcome outcome() const { return outcome_; }
    // The copy engine; null before start-up and after the unload.
    const classCopySys* copyEngine() const { return CopySys.get(); }
    // True once another run kept the game folder's lock (the user was told), or the user
    // declined the recovery of an interrupted run: nothing may be changed then.
    bool gameFolderRefused() const {
        return lockRefused_ || recoveryDeclined_ || rightsRefused_ || handedOverExit_;
    }
    // The exit code of the elevated copy of the program that ran the update in this one's
    // place; nothing when this one ran it (or has not yet).
    std::optional<int> handedOverExitCode() const { return handedOverExit_; }

private:
    // Start-up pieces (src/window).
    void LoadSkin(const std::string& fileName);
    void ReleaseSkin();
    void SetRoundRegion(int16_t cornerWidth, int16_t cornerHeight);
    void PlaceControls(const LayoutFile& layout);
    // Runs the unload once, then destroys the window.
    void UnloadWindow();

    // Game folder and update run (src/update).
    void FindGameFolder();
    void RunUpdate();
    void UpdateFiles();
    // Undoes a run of an earlier start that a crash interrupted in DestPatch, and says so.
    // False when it may not: the folder's lock is another run's, or the user declined.
    bool RecoverGameFolder();
    // Makes sure this process may work on DestPatch: the rights (handing the run over to an
    // elevated copy when the user lacks them), then the folder's lock, held while the recovery
    // or the run changes the folder, waiting a few seconds for another run. False (the user
    // told) when it may not.
    bool LockGameFolder();
    bool EnsureRights();
    // Lets go of the folder's lock (and its file) once the folder will not change for now.
    void ReleaseGameFolder();
    // The "error" line and, when the run named one, the file and the reason.
    void ShowFailure();
    // The update run's questions, answered by the window (src/update).
    bool canAskForFolder() const override;
    std::string askForFolder() override;
    void copyStarting() override;
    void updateFiles() override;
    bool recoverInterruptedRun() override;
    bool lockGameFolder() override { return LockGameFolder(); }
    std::optional<CopyFailure> lastCopyFailure() const override;
    bool refusedGameVersion() const override { return versionRefused_; }
    void showFailure() override;
    bool closed() const override;
    void logEvent(const std::string& line) override;
    // Tells the user and answers true when the game is not of the version the patch is for.
    bool RefusedGameVersion();
    // Set when the update step refused the game's version; a language switch then shows that
    // refusal again instead of the general "error" line.
    bool versionRefused_ = false;
    // The check of the patch tree by its manifest, null without one; false (with the
    // manifest as the run's failure) when the manifest cannot be read.
    bool LoadPayloadCheck(std::unique_ptr<ManifestCheck>& check);

    // Languages (src/languages).
    void LoadLangList();
    void LoadLang(int16_t i);
    void ShowState();
    void PickDefaultLang();
    void PickDefaultLangSafe();
    // The /LANG language's catalogue index, or LangCount when there is none.
    int16_t RequestedLangIndex();
    void NameControls();

    // Runs one step of a handler on its own: a failure skips that step only.
    template <typename Step> static void StandAlone(Step&& step) noexcept {
        StandAloneStep(std::forward<Step>(step));
    }

    FileSystem& files_;
    ProfileFile& profile_;
    Registry& registry_;
    Shell& shell_;
    VersionResource& versions_;
    Locale& locale_;
    MessageLoop& loop_;
    Process& process_;
    HashService& hashes_;

    Form1Options options_;
    RunOutcome outcome_ = RunOutcome::NotRun;
    LanguageState lang_;
    int16_t busy = 0; // True (-1) while start-up, a language switch or the update run works
    std::unique_ptr<classCopySys> CopySys;
    int16_t LastLangIndex = 0; // list index of the language last switched to, plus 1
    bool unloaded_ = false;
    // Set while QuickCopy runs: an unload forced meanwhile stops the copy and leaves the
    // engine's release to the copy step, which still has it on its stack.
    bool copying_ = false;
    bool releaseEngineAfterCopy_ = false;
    // Why the update run did not install, as the engine told it.
    std::optional<CopyFailure> lastFailure_;
    // The game folder's lock, held during the recovery and the run, and the folder it is for.
    FolderLocks* folderLocks_ = nullptr;
    std::unique_ptr<HeldFolderLock> folderLock_;
    std::string lockedFolder_;
    bool lockRefused_ = false;
    bool recoveryDeclined_ = false;
    Elevation* elevation_ = nullptr;
    bool rightsRefused_ = false;
    std::optional<int> handedOverExit_;
};

} // namespace qly
