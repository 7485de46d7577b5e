// qlypatch-linux: installs a patch (a bundle folder or a packed patch exe) into a game inside
// a Wine or Proton prefix, natively, through the same update run as the Windows program.
// Chooses the POSIX services, the prefix's registry and folders, and the terminal.
#include "bundle/packed_bundle.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "layout/layout_file.h"
#include "linux_front/prefix_run.h"
#include "linux_front/terminal_shell.h"
#include "platform/overlapped_hash_service.h"
#include "platform/posix/code_pages.h"
#include "platform/builtin_sha256.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_folder_lock.h"
#include "platform/posix/posix_journal_places.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_message_loop.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_profile_file.h"
#include "platform/posix/posix_random_access_file.h"
#include "platform/posix/posix_terminal.h"
#include "platform/posix/posix_thread_service.h"
#include "platform/posix/posix_version_resource.h"
#include "platform/posix/reg_file_registry.h"
#include "prefix/case_matching_file_system.h"
#include "prefix/prefix_folders.h"
#include "prefix/prefix_list.h"
#include "prefix/prefix_registry.h"
#include "program_version.h"
#include "tools/tool_arguments.h"
#include "update/exit_codes.h"
#include "update/support_log.h"
#include "update/unopened_bundle.h"
#include "update/update_run.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

namespace qly::app {
namespace {

// The game folder's lock found as Wine finds the folder, without regard to letter case, so
// that this program and the Windows one under Wine lock the very same file.
// The lock is taken before the run or its recovery changes the game folder: from then on the
// file system reaches everything below that folder without following a link.
class PrefixFolderLocks : public FolderLocks {
public:
    PrefixFolderLocks(CaseMatchingFileSystem& disk, posix::PosixFileSystem& native)
        : disk_(disk), native_(native) {}
    std::unique_ptr<HeldFolderLock> tryLock(const std::string& folder) override {
        const std::string resolved = disk_.resolve(folder);
        auto held = locks_.tryLock(resolved);
        if (held) {
            native_.confineBelow(resolved);
        }
        return held;
    }

private:
    CaseMatchingFileSystem& disk_;
    posix::PosixFileSystem& native_;
    posix::PosixFolderLocks locks_;
};

constexpr const char* kUsage =
    "usage: qlypatch-linux [BUNDLE-FOLDER | PACKED-PATCH.exe] [--prefix DIR] [--dir GAMEFOLDER]\n"
    "                      [--lang XXX] [--yes] [--log FILE]\n"
    "       qlypatch-linux --list [--prefix DIR]\n"
    "       qlypatch-linux --help | --version\n"
    "\n"
    "Installs the patch (default: the current folder) into the game inside a Wine or Proton\n"
    "prefix: --prefix, else $WINEPREFIX, else ~/.wine. The game folder is found in the\n"
    "prefix's registry unless --dir gives it (a Linux path, or a Windows path such as\n"
    "'C:\\Games\\Quillory' inside the prefix). --lang picks a language by its header code\n"
    "(ENG, POL, ...), else the locale decides. Asks before changing anything unless --yes.\n"
    "Ctrl+C during the run (or a kill, or the terminal closed) undoes it. --log appends the\n"
    "run's lines to FILE. --list shows the prefixes found (the default one or --prefix, and\n"
    "Steam's) with the game found in each.\n"
    "\n"
    "Exit codes:\n";

std::string usageText() {
    std::string text = kUsage;
    for (const ExitCodeRow& row : ExitCodes()) {
        text += "  " + std::to_string(static_cast<int>(row.code)) + "  " +
                std::string(row.meaning) + "\n";
    }
    return text;
}

std::string utf8OfCharset(const std::string& bytes, int32_t charset) {
    return posix::codePageToUtf8(bytes, posix::codePageOfCharset(charset));
}

// The bundle's folder as the program's own: the Windows program finds its files beside it.
class BundleProcess final : public Process {
public:
    BundleProcess(Process& real, std::string folder) : real_(real), folder_(std::move(folder)) {}
    std::string programFolder() override { return folder_; }
    std::string commandLine() override { return {}; }
    void setWorkingFolder(const std::string& folder) override { real_.setWorkingFolder(folder); }

private:
    Process& real_;
    std::string folder_;
};

constexpr const char* kBundleEntries[] = {kLayoutFileName, kSkinName, kLanguageFolderName,
                                          kPatchTreeName};

// The game the bundle folder at path patches; the installer's own game for anything else (a
// packed patch is not unpacked only to be listed).
GameIdentity identityOfBundle(const std::string& path) {
    if (!std::filesystem::is_directory(path)) {
        return DefaultGameIdentity();
    }
    posix::PosixProfileFile profile;
    return ReadGameIdentity(LayoutFile(profile, LayoutFilePath(path)));
}

// One line per prefix: where it is, whose it is, and the game its records name. A prefix
// given with --prefix that is not one is an error (exit 1): a script must not read an empty
// list as "no game there".
int listPrefixes(posix::PosixFileSystem& disk, const std::string& defaultPrefix, bool given,
                 const std::string& home, const GameIdentity& identity) {
    std::vector<FoundPrefix> found = FindPrefixes(disk, defaultPrefix, SteamRoots(home));
    if (given) {
        const auto own = std::find_if(found.begin(), found.end(), [&](const FoundPrefix& p) {
            return p.path == defaultPrefix;
        });
        if (own == found.end()) {
            std::cerr << "qlypatch-linux: " << defaultPrefix
                      << " given with --prefix is not a Wine prefix (no system.reg in it)\n";
            return static_cast<int>(ExitCode::CouldNotStart);
        }
        own->label = "given with --prefix";
    }
    if (found.empty()) {
        std::cout << "no Wine prefix found (looked at " << defaultPrefix
                  << " and the Steam libraries)\n";
        return 0;
    }
    for (const FoundPrefix& prefix : found) {
        PrefixPaths paths(disk, posix::ReadLink, prefix.path);
        posix::RegFileRegistry hive(prefix.path + "/system.reg");
        posix::RegFileRegistry user(prefix.path + "/user.reg");
        PrefixRegistry registry(hive, user, paths);
        // Names in the prefix match without letter case, as under Wine.
        CaseMatchingFileSystem prefixDisk(disk);
        const GameLocation game =
            LocateGame({registry, prefixDisk, PrefixLocalPath(paths)}, identity, std::nullopt);
        std::cout << prefix.path << "  (" << prefix.label << ")\n";
        if (game.source == GameSource::None) {
            std::cout << "    no game registered\n";
            continue;
        }
        const bool fromKey = game.source == GameSource::FullEdition ||
                             game.source == GameSource::DemoEdition ||
                             game.source == GameSource::RegistryKey;
        std::string detail = game.from;
        if (!game.registryView.empty()) {
            detail += (detail.empty() ? "" : ", ") + game.registryView + " view";
        }
        std::cout << "    game: " << (fromKey ? registry.lastWindowsValue() + " -> " : "")
                  << game.folder << " (" << detail << ", "
                  << (HoldsGame(prefixDisk, game.folder, identity) ? "holds " + identity.exe
                                                                   : identity.exe + " missing")
                  << ")\n";
    }
    return 0;
}

// Whether folder holds any file of a patch bundle: one without them all is no patch at all,
// and deserves that answer rather than the one for a bundle that lacks its skin.
bool holdsAnyBundleFile(FileSystem& disk, const std::string& folder) {
    return std::any_of(std::begin(kBundleEntries), std::end(kBundleEntries),
                       [&](const char* name) { return Exists(disk, folder + "/" + name); });
}

// A patch packed behind an exe, unpacked into a private folder for the run.
struct PackedPatch {
    std::unique_ptr<posix::PosixRandomAccessFile> exe;
    std::unique_ptr<posix::PosixPrivateFolder> unpacked;
    std::unique_ptr<PackedBundle> packed;
};

// Opens the patch packed in the exe at path. Throws as OpenPackedBundle does, and Error when
// the exe carries no patch.
PackedPatch openPackedPatch(const std::string& path, HashService& hashes, FileSystem& disk,
                            Process& process) {
    PackedPatch patch;
    patch.exe = std::make_unique<posix::PosixRandomAccessFile>(path);
    patch.packed = OpenPackedBundle(*patch.exe, path, hashes, disk, process, [&] {
        patch.unpacked = std::make_unique<posix::PosixPrivateFolder>();
        return patch.unpacked->path();
    });
    if (!patch.packed) {
        throw Error("no patch packed in " + path);
    }
    return patch;
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    tools::ToolArguments parsed;
    try {
        parsed = tools::ParseToolArguments(args, {"--yes", "--list", "--help", "--version"},
                                           {"--prefix", "--dir", "--lang", "--log"}, 0, 1);
    } catch (const tools::UsageError& e) {
        std::cerr << "qlypatch-linux: " << e.what() << "\n\n" << usageText();
        return static_cast<int>(ExitCode::CouldNotStart);
    }
    if (parsed.has("--help")) {
        std::cout << usageText();
        return 0;
    }
    if (parsed.has("--version")) {
        std::cout << "qlypatch-linux " << app::kProgramVersion << "\n";
        return 0;
    }

    posix::PosixFileSystem disk;
    const std::string home = posix::HomeFolder();
    const std::string prefix =
        parsed.option("--prefix")
            ? NormalLinuxPath(std::filesystem::absolute(*parsed.option("--prefix")).string())
            : DefaultPrefix(posix::EnvironmentVariable("WINEPREFIX"), home);
    const std::string bundlePath = NormalLinuxPath(
        std::filesystem::absolute(parsed.positional.empty() ? "." : parsed.positional[0]).string());
    if (parsed.has("--list")) {
        return listPrefixes(disk, NormalLinuxPath(prefix), parsed.option("--prefix").has_value(),
                            home, identityOfBundle(bundlePath));
    }

    // From here on a kill or a closed terminal is a stop: the run checks for it before it
    // changes anything, and the patch unpacked meanwhile is still cleaned up.
    posix::PosixTerminal terminal;
    std::ofstream logFile;
    if (const auto logPath = parsed.option("--log")) {
        logFile.open(*logPath, std::ios::app | std::ios::binary);
    }
    const LogWriter log = [&logFile](const std::string& line) {
        if (logFile.is_open()) {
            logFile << StampedLine(std::chrono::system_clock::now(), line) << '\n' << std::flush;
        }
    };
    log("start: qlypatch-linux");
    log("prefix: " + prefix);

    PrefixPaths paths(disk, posix::ReadLink, prefix);
    const std::optional<std::string> dirOption = parsed.option("--dir");
    if (!paths.driveRoot('c') && !(dirOption && !IsWindowsPath(*dirOption))) {
        std::cerr << "qlypatch-linux: " << prefix
                  << " is not a Wine prefix (no dosdevices/c: link); "
                  << (parsed.option("--prefix") ? "check the folder given with --prefix"
                                                : "give --prefix")
                  << ", or --dir with a Linux path\n";
        log(OutcomeLine(ExitCode::CouldNotStart, 0));
        return static_cast<int>(ExitCode::CouldNotStart);
    }

    posix::PosixProcess ownProcess(argc, argv);
    BuiltinHashService sha256;
    posix::PosixThreadService threads;
    // The patch's files are hashed on a thread of their own while the engine copies them.
    OverlappedHashService hashes(sha256, threads);
    BundleProcess bundleProcess(ownProcess,
                                std::filesystem::is_directory(bundlePath)
                                    ? bundlePath
                                    : std::filesystem::path(bundlePath).parent_path().string());
    // Game files are found without regard to letter case, as the game itself finds them.
    CaseMatchingFileSystem prefixDisk(disk);
    if (std::filesystem::is_directory(bundlePath) && !holdsAnyBundleFile(prefixDisk, bundlePath)) {
        std::cerr << "qlypatch-linux: " << bundlePath << " is not a patch folder (no "
                  << kLayoutFileName << ", " << kSkinName << ", " << kLanguageFolderName << " or "
                  << kPatchTreeName << " in it); give the patch's folder or its packed .exe\n";
        log(OutcomeLine(ExitCode::CouldNotStart, 0));
        return static_cast<int>(ExitCode::CouldNotStart);
    }
    PackedPatch packedPatch;
    if (!std::filesystem::is_directory(bundlePath)) {
        try {
            packedPatch = openPackedPatch(bundlePath, hashes, prefixDisk, bundleProcess);
        } catch (const Error& e) {
            const std::string text = ReportUnopenedBundle(e, disk, log);
            std::cerr << "qlypatch-linux: " << e.what() << "\n";
            if (e.kind() == FailureKind::Damaged) {
                std::cerr << utf8OfCharset(text, 0) << "\n";
            }
            return static_cast<int>(ExitCode::CouldNotStart);
        }
    }
    const std::unique_ptr<PackedBundle>& packed = packedPatch.packed;
    FileSystem& files = packed ? packed->files() : static_cast<FileSystem&>(prefixDisk);
    Process& process = packed ? packed->process() : static_cast<Process&>(bundleProcess);

    posix::RegFileRegistry hive(prefix + "/system.reg");
    posix::RegFileRegistry user(prefix + "/user.reg");
    PrefixRegistry registry(hive, user, paths);
    posix::PosixProfileFile profile;
    posix::PosixVersionResource versions(PrefixSystemFolder(paths, disk));
    posix::PosixLocale locale;
    posix::PosixMessageLoop loop;
    TerminalShell shell(terminal, utf8OfCharset, paths,
                        PrefixFavoritesFolder(paths, disk, posix::UserName()),
                        std::filesystem::current_path().string());

    PrefixRunOptions options;
    if (dirOption) {
        options.run.dir =
            FolderOfAnswer(paths, *dirOption, std::filesystem::current_path().string());
        log("game folder given: " + *dirOption + " -> " + *options.run.dir);
    }
    options.run.lang = parsed.option("--lang");
    if (logFile.is_open()) {
        options.log = log;
    }
    options.yes = parsed.has("--yes");
    options.toUtf8 = utf8OfCharset;

    PrefixFolderLocks folderLocks(prefixDisk, disk);
    posix::PosixJournalPlaces journalPlaces(hashes, posix::kRootJournalBase, posix::RunsAsRoot());
    const ExitCode code = RunInPrefix(
        PrefixRunServices{{files, profile, registry, versions, locale, loop, process, hashes,
                           &folderLocks, nullptr, &journalPlaces, PrefixLocalPath(paths)},
                          shell,
                          terminal},
        std::move(options));
    return static_cast<int>(code);
}

} // namespace
} // namespace qly::app

int main(int argc, char** argv) {
    try {
        return qly::app::run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "qlypatch-linux: " << e.what() << "\n";
        return 1;
    }
}
