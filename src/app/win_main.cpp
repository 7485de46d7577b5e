// The Windows program: builds the window, its controls and the services, hands them to Form1,
// runs the start-up and then the message loop until the window is gone. Nothing escapes
// wWinMain: a failure ends the program with a non-zero exit code.
#include "app/resource_ids.h"
#include "bundle/packed_bundle.h"
#include "common/error.h"
#include "platform/overlapped_hash_service.h"
#include "platform/win32/cng_hash_service.h"
#include "platform/win32/process_hardening.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_elevation.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_folder_lock.h"
#include "platform/win32/win32_gui_session.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_message_loop.h"
#include "platform/win32/win32_private_folder.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_profile_file.h"
#include "platform/win32/win32_random_access_file.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_text_scroll_host.h"
#include "platform/win32/win32_thread_service.h"
#include "platform/win32/win32_version_resource.h"
#include "update/command_switches.h"
#include "update/exit_codes.h"
#include "update/support_log.h"
#include "update/unattended_run.h"
#include "update/unopened_bundle.h"
#include "window/form1.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace qly::app {
namespace {

// Ids of the child controls; above IDOK and IDCANCEL, which keyboard navigation sends.
enum ControlId : int {
    kCommand1 = 100,
    kCommand2,
    kCommand3,
    kCombo1,
    kTextScroll1,
    kImage1,
    kImage2,
};

// The support log named by /LOG, else by QLYPATCH_LOG; absent when neither names one or it
// cannot be opened.
std::unique_ptr<win32::Win32LogFile> openSupportLog(const std::optional<std::string>& logSwitch) {
    auto path = logSwitch ? logSwitch : win32::environmentVariable("QLYPATCH_LOG");
    if (!path) {
        return nullptr;
    }
    try {
        return std::make_unique<win32::Win32LogFile>(*path);
    } catch (const Error&) {
        return nullptr; // the program runs the same without its log
    }
}

// The bundle packed behind the exe, unpacked for the window into a private folder; absent for
// a plain exe, whose bundle is the folder beside it.
struct Bundle {
    std::unique_ptr<win32::Win32RandomAccessFile> exe;
    std::unique_ptr<win32::Win32PrivateFolder> folder;
    std::unique_ptr<PackedBundle> packed;
};

// Looks for a payload in the running exe and prepares it; throws as OpenPackedBundle does.
Bundle openBundle(win32::Win32Process& process, win32::Win32FileSystem& disk, HashService& hashes) {
    Bundle bundle;
    try {
        bundle.exe = std::make_unique<win32::Win32RandomAccessFile>(process.programPath());
    } catch (const Error&) {
        return bundle; // an exe that cannot read itself runs from the folder beside it
    }
    bundle.packed =
        OpenPackedBundle(*bundle.exe, process.programPath(), hashes, disk, process, [&] {
            bundle.folder = std::make_unique<win32::Win32PrivateFolder>();
            return bundle.folder->path();
        });
    return bundle;
}

// The services every front end of the Windows program shares: the files and the program as
// the bundle presents them (packed behind the exe, or the folder beside it), and the hasher.
struct BundleServices {
    FileSystem& files;
    Process& process;
    HashService& hashes;
};

std::string utf8OfCharset(const std::string& bytes, int32_t charset) {
    return win32::fromWide(win32::fromCodePage(bytes, win32::codePageOfCharset(charset)));
}

// "1.0.0.0" from the program's own version resource; "unknown" without one.
std::string programVersion(win32::Win32Process& process) {
    try {
        win32::Win32VersionResource versions;
        if (const auto parts = versions.fileVersion(process.programPath())) {
            return std::to_string((*parts)[0]) + "." + std::to_string((*parts)[1]) + "." +
                   std::to_string((*parts)[2]) + "." + std::to_string((*parts)[3]);
        }
    } catch (const Error&) {
    }
    return "unknown";
}

// The exit code of a run, and the log's last line. A run handed over to an elevated copy of
// the program ends with that copy's code, which logged its own outcome.
int outcomeOf(const UpdateRun& run, bool loaded, const LogWriter& log) {
    if (const std::optional<int> handedOver = run.handedOverExitCode()) {
        log("outcome: exit code " + std::to_string(*handedOver) +
            ", that of the elevated installer");
        return *handedOver;
    }
    const ExitCode code = loaded ? ExitCodeOf(run.outcome()) : ExitCode::CouldNotStart;
    log(OutcomeLine(code, run.bytesCopied()));
    return static_cast<int>(code);
}

// Where the lines of a run without a window go: nowhere but the log that wraps it.
class NoTextArea final : public TextArea {
public:
    void Cls() override {}
    void Tekst(std::string) override {}
    void Bar(int16_t) override {}
    void SetFontCharset(int32_t) override {}
    void Move(const Rect&) override {}
};

// /VERYSILENT: no window; the run starts at once, never asks for the folder, and everything
// it would show goes to the log.
int runUnattended(const BundleServices& bundle, const Form1Options& options, const LogWriter& log) {
    win32::GuiSession session; // COM for the Favorites folder; no window is made
    win32::Win32MessageLoop realLoop;
    LoggingMessageLoop loop(realLoop, log);
    FileSystem& files = bundle.files;
    Process& process = bundle.process;
    HashService& hashes = bundle.hashes;
    win32::Win32ProfileFile profile;
    win32::Win32Registry registry;
    win32::Win32Shell shell(nullptr, log);
    win32::Win32VersionResource versions;
    win32::Win32Locale locale;
    win32::Win32FolderLocks folderLocks;
    win32::Win32Elevation elevation;

    NoTextArea shown;
    LoggedTextArea textArea(shown, log, utf8OfCharset, nullptr);
    UnattendedRun unattended(RunServices{files, profile, registry, versions, locale, loop, process,
                                         hashes, &folderLocks, &elevation},
                             shell, textArea, RunOptions{options.dir, options.lang, true, {}},
                             options.log);
    const bool loaded = unattended.Start();
    if (loaded && !unattended.run().handedOverExitCode()) {
        unattended.Run();
        unattended.Finish(); // what the exit button does at the end of a window's run
    }
    return outcomeOf(unattended.run(), loaded, log);
}

// The window; with /SILENT it runs the update by itself and closes at the end.
int runWindow(HINSTANCE instance, const BundleServices& bundle, const Form1Options& options,
              bool silent, bool logging, const LogWriter& log) {
    win32::GuiSession session;
    win32::Win32MessageLoop loop;
    // Nobody is there to press OK in a silent run: its message boxes go to the log.
    LoggingMessageLoop loggingLoop(loop, log);
    MessageLoop& formLoop = silent ? static_cast<MessageLoop&>(loggingLoop) : loop;

    win32::Win32MainWindow window(instance, kIconResource);
    HWND parent = window.handle();
    loop.setMainWindow(parent);

    win32::Win32PushButton command1(parent, kCommand1, Rect{});
    command1.setCaption("Update Now!");
    win32::Win32BitmapButton command2(parent, kCommand2, instance, kCloseBitmapResource);
    win32::Win32BitmapButton command3(parent, kCommand3, instance, kMinimizeBitmapResource);
    win32::Win32ComboBox combo1(parent, kCombo1, Rect{});
    win32::Win32TextScrollHost textScroll1(parent, kTextScroll1, loop);
    win32::Win32ImageArea image1(parent, kImage1, Rect{});
    win32::Win32ImageArea image2(parent, kImage2, Rect{});
    // Tab goes down the window's work, then to the links, then to the window's own buttons.
    win32::setTabOrder({combo1.handle(), command1.handle(), image2.handle(), image1.handle(),
                        command3.handle(), command2.handle(), textScroll1.handle()});

    FileSystem& files = bundle.files;
    Process& process = bundle.process;
    HashService& hashes = bundle.hashes;
    win32::Win32ProfileFile profile;
    win32::Win32Registry registry;
    win32::Win32VersionResource versions;
    win32::Win32Locale locale;
    win32::Win32FolderLocks folderLocks;
    win32::Win32Elevation elevation;

    win32::Win32Shell shell(parent, log);
    LoggedTextArea loggedText(textScroll1, log, utf8OfCharset,
                              [&textScroll1] { return textScroll1.drawing(); });
    TextArea& textArea = logging ? static_cast<TextArea&>(loggedText) : textScroll1;

    Form1 form(
        Form1Controls{window, command1, command2, command3, combo1, textArea, image1, image2},
        Form1Services{RunServices{files, profile, registry, versions, locale, formLoop, process,
                                  hashes, &folderLocks, &elevation},
                      shell},
        options);

    command1.setOnClick([&form] { form.Command1_Click(); });
    command2.setOnClick([&form] { form.Command2_Click(); });
    command3.setOnClick([&form] { form.Command3_Click(); });
    combo1.setOnSelect([&form] { form.Combo1_Click(); });
    image1.setOnClick([&form] { form.Image1_Click(); });
    image2.setOnClick([&form] { form.Image2_Click(); });
    window.setEvents(win32::MainWindowEvents{
        [&form] { return form.QueryUnload(); },
        [&form] { form.Form_Unload(); },
        [&form] { form.Form_MouseDown(); },
    });

    const bool loaded = form.Form_Load();
    if (loaded && !form.handedOverExitCode()) {
        if (silent) {
            form.Command1_Click(); // the update run, shown in the window
            form.Command1_Click(); // then the exit button closes the window
        }
        // The window may already be gone (closed during the start-up's yields, or by the
        // silent run): run() then returns at once with the quit that the destruction posted.
        loop.run();
    }
    return outcomeOf(form.updateRun(), loaded, log);
}

// The usage text on the console and, unless the run is silent, in a message box.
void showUsage(const std::string& text, bool silent) {
    win32::writeToStartingConsole(text);
    if (!silent) {
        win32::Win32MessageLoop loop;
        loop.messageBox(text);
    }
}

int runInstaller(HINSTANCE instance, const win32::ProcessHardening& hardening) {
    win32::Win32Process process;
    const std::string commandLine = process.commandLine();
    const Switches switches = ParseSwitches(commandLine);

    auto logFile = openSupportLog(switches.log);
    const LogWriter log = [&logFile](const std::string& line) {
        if (logFile) {
            logFile->appendLine(StampedLine(std::chrono::system_clock::now(), line));
        }
    };
    log("start: qlypatch " + programVersion(process));
    log("arguments: " + commandLine);
    log(win32::describe(hardening));
    const bool silent = switches.silent || switches.verySilent;

    if (!switches.refused.empty()) {
        log("refused: " + switches.refused);
        showUsage(switches.refused + "\n\n" + UsageText(), silent);
        log(OutcomeLine(ExitCode::CouldNotStart, 0));
        return static_cast<int>(ExitCode::CouldNotStart);
    }
    if (switches.help) {
        log("help: the switches and exit codes shown; nothing installed");
        showUsage(UsageText(), silent);
        return 0;
    }
    for (const std::string& other : switches.others) {
        log("argument ignored: " + other);
    }
    log(std::string("mode: ") + (switches.verySilent
                                     ? "/VERYSILENT, no window"
                                     : (switches.silent ? "/SILENT, the window runs by itself"
                                                        : "the window, worked by the user")));

    Form1Options options;
    // A relative /DIR means the caller's working folder, which the start-up leaves for the
    // program's own.
    if (switches.dir) {
        options.dir = process.absolutePath(*switches.dir);
    }
    options.lang = switches.lang;
    options.unattended = silent;
    options.log = log;

    // A damaged download installs nothing: the user is told so before any change is made. No
    // language file can be trusted then, so the text is the built-in one.
    win32::Win32FileSystem disk;
    win32::CngHashService sha256;
    win32::Win32ThreadService threads;
    // The patch's files are hashed on a thread of their own while the engine copies them.
    OverlappedHashService hashes(sha256, threads);
    Bundle bundle;
    try {
        bundle = openBundle(process, disk, hashes);
    } catch (const Error& e) {
        const std::string text = ReportUnopenedBundle(e, disk, log);
        if (!silent) {
            win32::Win32MessageLoop loop;
            loop.messageBox(text);
        }
        return static_cast<int>(ExitCode::CouldNotStart);
    }
    if (bundle.packed) {
        log("bundle: packed behind the program");
    }
    const BundleServices services{bundle.packed ? bundle.packed->files() : disk,
                                  bundle.packed ? bundle.packed->process() : process, hashes};
    if (switches.verySilent) {
        return runUnattended(services, options, log);
    }
    return runWindow(instance, services, options, switches.silent, logFile != nullptr, log);
}
} // namespace
} // namespace qly::app

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before any DLL is loaded: the exe may sit in a Downloads folder beside planted ones.
    const qly::win32::ProcessHardening hardening = qly::win32::hardenProcess();
    try {
        return qly::app::runInstaller(instance, hardening);
    } catch (...) {
        return 1;
    }
}
