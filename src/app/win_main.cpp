// The Windows program: builds the window, its controls and the services, hands them to Form1,
// runs the start-up and then the message loop until the window is gone. Nothing escapes
// wWinMain: a failure ends the program with a non-zero exit code.
#include "app/resource_ids.h"
#include "app/support_log.h"
#include "bundle/packed_bundle.h"
#include "bundle/payload_reader.h"
#include "common/error.h"
#include "languages/language_keys.h"
#include "languages/language_state.h"
#include "platform/win32/cng_hash_service.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_file_system.h"
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
#include "platform/win32/win32_version_resource.h"
#include "window/form1.h"

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

// The support log, when QLYPATCH_LOG names a file; absent otherwise or when it cannot open.
std::unique_ptr<win32::Win32LogFile> openSupportLog() {
    auto path = win32::environmentVariable("QLYPATCH_LOG");
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

// Looks for a payload in the running exe and prepares it. Throws Error of kind Damaged, with
// the reason, when the payload is damaged (nothing may then be installed), and Error of another
// kind when its files cannot be unpacked.
Bundle openBundle(win32::Win32Process& process, win32::Win32FileSystem& disk, HashService& hashes) {
    Bundle bundle;
    try {
        bundle.exe = std::make_unique<win32::Win32RandomAccessFile>(process.programPath());
    } catch (const Error&) {
        return bundle; // an exe that cannot read itself runs from the folder beside it
    }
    PayloadLookup lookup = FindPayload(*bundle.exe, hashes);
    if (lookup.status == PayloadLookup::Status::Damaged) {
        throw Error(lookup.problem, FailureKind::Damaged, 0, process.programPath());
    }
    if (lookup.status == PayloadLookup::Status::Found) {
        bundle.folder = std::make_unique<win32::Win32PrivateFolder>();
        bundle.packed = std::make_unique<PackedBundle>(
            *bundle.exe, std::move(lookup.payload), hashes, disk, process, bundle.folder->path());
    }
    return bundle;
}

std::string utf8OfCharset(const std::string& bytes, int32_t charset) {
    return win32::fromWide(win32::fromCodePage(bytes, win32::codePageOfCharset(charset)));
}

int runInstaller(HINSTANCE instance) {
    win32::GuiSession session;
    win32::Win32MessageLoop loop;

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

    win32::Win32FileSystem disk;
    win32::Win32ProfileFile profile;
    win32::Win32Registry registry;
    win32::Win32Shell shell(parent);
    win32::Win32VersionResource versions;
    win32::Win32Locale locale;
    win32::Win32Process ownProcess;
    win32::CngHashService hashes;

    auto logFile = openSupportLog();
    auto writeLog = [&logFile](const std::string& line) {
        if (logFile) {
            logFile->appendLine(line);
        }
    };
    writeLog("start: arguments=" + ownProcess.commandLine());

    // A damaged download installs nothing: the user is told so before any change is made.
    // No language file can be trusted then, so the text is the built-in one.
    Bundle bundle;
    try {
        bundle = openBundle(ownProcess, disk, hashes);
    } catch (const Error& e) {
        const bool damaged = e.kind() == FailureKind::Damaged;
        writeLog(std::string(damaged ? "damaged download: " : "cannot unpack: ") + e.what());
        loop.messageBox(damaged ? LangTextOrBuiltIn(LanguageState(disk), "uszkodzony")
                                : std::string(e.what()));
        return 1;
    }
    FileSystem& files = bundle.packed ? bundle.packed->files() : disk;
    Process& process = bundle.packed ? bundle.packed->process() : ownProcess;
    LoggedTextArea loggedText(textScroll1, writeLog, utf8OfCharset,
                              [&textScroll1] { return textScroll1.drawing(); });
    TextArea& textArea = logFile ? static_cast<TextArea&>(loggedText) : textScroll1;

    Form1 form(
        Form1Controls{window, command1, command2, command3, combo1, textArea, image1, image2},
        Form1Services{files, profile, registry, shell, versions, locale, loop, process});

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

    int exitCode = 0;
    if (form.Form_Load()) {
        // The window may already be gone (closed during the start-up's yields): run() then
        // returns at once with the quit that the destruction posted.
        exitCode = loop.run();
    }
    writeLog(OutcomeLine(form.status, form.ErrorCode, window.caption()));
    return exitCode;
}

} // namespace
} // namespace qly::app

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        return qly::app::runInstaller(instance);
    } catch (...) {
        return 1;
    }
}
