// qlypatch-tool: the patch maker's tools, one subcommand each.
//
//   qlypatch-tool SUBCOMMAND [ARGS...]     qlypatch-tool --help
//
// Exit codes: 0 done, 1 the subcommand failed or found errors, 2 a command line it cannot use.
// A subcommand is one row of the table in main; its logic lives in src/tools/.
#include "default_installer.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "tools/pack.h"
#include "tools/tool_arguments.h"

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
};

void printHelp(std::ostream& out, std::span<const Subcommand> table) {
    out << "usage: qlypatch-tool SUBCOMMAND [ARGS...]\n\nsubcommands:\n";
    for (const Subcommand& row : table) {
        out << "  " << row.name << " " << row.help << "\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<Subcommand> table{
        {"pack",
         [](std::span<const std::string> args) {
             qly::posix::PosixFileSystem files;
             qly::posix::LibcryptoHashService hashes;
             return qly::tools::Pack(
                 args,
                 {files, hashes,
                  [](const std::string& path) -> std::unique_ptr<qly::RandomAccessFile> {
                      return std::make_unique<qly::posix::PosixRandomAccessFile>(path);
                  },
                  std::cout},
                 std::string(qly::app::kDefaultInstaller));
         },
         "BUNDLE -o OUT.exe [--installer qlypatch.exe]  packs the bundle folder behind the "
         "installer into one exe (installer by default: the win32 build's qlypatch.exe)"},
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
    for (const Subcommand& row : table) {
        if (row.name != args[0]) {
            continue;
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
