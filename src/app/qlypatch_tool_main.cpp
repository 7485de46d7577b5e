// qlypatch-tool: the patch maker's tools, one subcommand each.
//
//   qlypatch-tool SUBCOMMAND [ARGS...]     qlypatch-tool [SUBCOMMAND] --help
//   qlypatch-tool --version
//
// Exit codes: 0 done, 1 the subcommand failed or found errors, 2 a command line it cannot use.
// A subcommand is one row of the table in main; its logic lives in src/tools/.
#include "default_installer.h"
#include "platform/builtin_sha256.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "platform/posix/posix_terminal.h"
#include "platform/posix/posix_thread_service.h"
#include "program_version.h"
#include "tools/apply_command.h"
#include "tools/make_command.h"
#include "tools/no_wait_loop.h"
#include "tools/pack.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Subcommand {
    std::string_view name;
    int (*run)(std::span<const std::string> args); // the arguments after the name
    std::string_view help;                         // usage and what it does, one line
    std::string (*details)() = nullptr;            // more for its own --help
};

void printHelp(std::ostream& out, std::span<const Subcommand> table) {
    out << "usage: qlypatch-tool SUBCOMMAND [ARGS...]\n"
           "       qlypatch-tool SUBCOMMAND --help\n"
           "       qlypatch-tool --version\n\nsubcommands:\n";
    for (const Subcommand& row : table) {
        out << "  " << row.name << " " << row.help << "\n";
    }
}

// True when args ask for the subcommand's help (before a "--" that ends the options).
bool asksForHelp(std::span<const std::string> args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<Subcommand> table{
        {"check",
         [](std::span<const std::string> a) {
             qly::BuiltinHashService hashes;
             return qly::tools::RunCheck(a, hashes, std::cout);
         },
         "BUNDLE [--json] [--game-folder PATH] [--no-warn KIND]...: finds what would go wrong "
         "on Windows",
         qly::tools::WarningKindsHelp},
        {"preview",
         [](std::span<const std::string> a) { return qly::tools::RunPreview(a, std::cout); },
         "BUNDLE [--lang XXX] [--state start|copying|done|notfound|nospace] [--percent N] "
         "-o window.png: the window as the installer shows it"},
        {"manifest",
         [](std::span<const std::string> a) {
             qly::BuiltinHashService hashes;
             return qly::tools::RunManifest(a, hashes, std::cout);
         },
         "BUNDLE: writes BUNDLE/update.sha256, the digests of the files of BUNDLE/update"},
        {"lang", [](std::span<const std::string> a) { return qly::tools::RunLang(a, std::cout); },
         "SOURCE.txt -o FILE.lng: a language file from its UTF-8 source, in its charset's "
         "code page"},
        {"pack",
         [](std::span<const std::string> args) {
             qly::posix::PosixFileSystem files;
             qly::BuiltinHashService hashes;
             return qly::tools::Pack(
                 args,
                 {files, hashes,
                  [](const std::string& path) -> std::unique_ptr<qly::RandomAccessFile> {
                      return std::make_unique<qly::posix::PosixRandomAccessFile>(path);
                  },
                  std::cout, qly::posix::MakeExecutable},
                 std::string(qly::app::kDefaultInstaller));
         },
         "BUNDLE -o OUT.exe [--installer qlypatch.exe] [--force]: packs the bundle folder "
         "behind the installer into one exe (installer by default: the win32 build's "
         "qlypatch.exe), after a check that finds no errors (--force packs anyway); the exe "
         "shows [product] and icon.ico"},
        {"make",
         [](std::span<const std::string> args) {
             qly::posix::PosixFileSystem files;
             qly::BuiltinHashService hashes;
             qly::posix::PosixThreadService threads;
             qly::patch::MakeIo io{
                 files, hashes,
                 [](const std::string& path) -> std::unique_ptr<qly::RandomAccessFile> {
                     return std::make_unique<qly::posix::PosixRandomAccessFile>(path);
                 },
                 nullptr, &threads};
             qly::posix::PosixTerminal terminal;
             std::function<void(std::string_view)> progress;
             if (terminal.interactive()) {
                 progress = [&terminal](std::string_view line) {
                     if (terminal.interrupted()) {
                         throw qly::Error("stopped");
                     }
                     const auto width =
                         static_cast<std::size_t>(std::max(terminal.width(), 20) - 1);
                     std::string shown(line.substr(0, width));
                     shown.resize(width, ' ');
                     terminal.write("\r" + shown + "\r");
                 };
             }
             return qly::tools::RunMake(args, {io, std::cout, progress});
         },
         "OLD NEW -o BUNDLE [--keep-whole GLOB]... [--fallback-whole]: writes "
         "BUNDLE/update.qlypatch, "
         "the patch from the game folder OLD to NEW (added, changed as deltas, removed files)"},
        {"apply",
         [](std::span<const std::string> args) {
             qly::posix::PosixFileSystem files;
             qly::BuiltinHashService hashes;
             qly::tools::NoWaitLoop loop;
             qly::posix::PosixTerminal terminal;
             std::function<void(int16_t)> progress;
             if (terminal.interactive()) {
                 progress = [&terminal](int16_t percent) {
                     terminal.write("\r" + std::to_string(percent) + "%\r");
                 };
             }
             return qly::tools::RunApply(args, {files, hashes, loop, std::cout, progress});
         },
         "BUNDLE GAME_FOLDER: installs the patch (a bundle folder or an update.qlypatch) into "
         "GAME_FOLDER as the installer does; exit codes as the installer's (0 installed or "
         "already up to date, 6 a game file the patch cannot start from, 5 failed)"},
    };

    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printHelp(std::cerr, table);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(std::cout, table);
        return 0;
    }
    if (args[0] == "--version") {
        std::cout << "qlypatch-tool " << qly::app::kProgramVersion << "\n";
        return 0;
    }
    for (const Subcommand& row : table) {
        if (row.name != args[0]) {
            continue;
        }
        if (asksForHelp(std::span<const std::string>(args).subspan(1))) {
            std::cout << "usage: qlypatch-tool " << row.name << " " << row.help << "\n"
                      << (row.details ? row.details() : std::string());
            return 0;
        }
        try {
            return row.run(std::span<const std::string>(args).subspan(1));
        } catch (const qly::tools::UsageError& e) {
            std::cerr << "qlypatch-tool " << row.name << ": " << e.what()
                      << "\nusage: qlypatch-tool " << row.name << " " << row.help << "\n";
            return 2;
        } catch (const std::exception& e) {
            std::cerr << "qlypatch-tool " << row.name << ": " << e.what() << "\n";
            return 1;
        }
    }
    std::cerr << "qlypatch-tool: unknown subcommand \"" << args[0] << "\"\n";
    printHelp(std::cerr, table);
    return 2;
}
