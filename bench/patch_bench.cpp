// Times the patch archive's reader: `apply ARCHIVE OLD STAGING THREADS` stages the new files
// of a game folder; `decode ARCHIVE THREADS` decodes every block of the archive. Prints the
// seconds taken, nothing else, for bench/patch_bench.sh.
#include "patch/patch_apply.h"
#include "platform/builtin_sha256.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "platform/posix/posix_thread_service.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

std::unique_ptr<qly::RandomAccessFile> openRandom(const std::string& path) {
    return std::make_unique<qly::posix::PosixRandomAccessFile>(path);
}

// Every block decoded once, blocks shared out to threads workers.
void decodeAll(const std::string& archivePath, int threads) {
    qly::posix::PosixRandomAccessFile file(archivePath);
    const auto archive = qly::patch::PatchArchive::Read(file);
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        qly::posix::PosixRandomAccessFile own(archivePath);
        std::string block;
        std::string packed;
        for (std::size_t i = next++; i < archive.blocks().size(); i = next++) {
            qly::patch::ReadBlock(archive, own, i, block, packed);
        }
    };
    qly::posix::PosixThreadService service;
    std::vector<std::unique_ptr<qly::Thread>> workers;
    for (int t = 1; t < threads; ++t) {
        workers.push_back(service.start(work));
    }
    work();
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto start = std::chrono::steady_clock::now();
    if (args.size() == 5 && args[0] == "apply") {
        qly::posix::PosixFileSystem files;
        qly::BuiltinHashService hashes;
        qly::posix::PosixThreadService threads;
        qly::patch::PatchIo io{files, hashes, openRandom, &threads, std::stoi(args[4])};
        qly::posix::PosixRandomAccessFile file(args[1]);
        const auto archive = qly::patch::PatchArchive::Read(file);
        const auto check = qly::patch::CheckGame(archive, args[2], io);
        if (check.state != qly::patch::GameState::Old) {
            std::fprintf(stderr, "the folder is not the old version: %s\n",
                         check.firstDifferent.c_str());
            return 1;
        }
        qly::patch::StageFiles(archive, args[1], check, args[2], args[3], io);
    } else if (args.size() == 3 && args[0] == "decode") {
        decodeAll(args[1], std::stoi(args[2]));
    } else {
        std::fputs("usage: qly-patch-bench apply ARCHIVE OLD STAGING THREADS | decode ARCHIVE "
                   "THREADS\n",
                   stderr);
        return 2;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.4f\n", took.count());
    return 0;
}
