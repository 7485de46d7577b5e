// Times the copy engine and its scan on a fixture tree, next to floors that move the same
// 62000-byte steps with a yield per step: a plain read/write loop, an in-kernel
// copy_file_range loop, and the in-kernel loop with the engine's durable work (temporary
// names, volume flushes, renames). Prints "<seconds> <peak RSS KiB> <result> <seconds
// flushing>" on one line. "copy-sha" copies with the tree checked against a manifest
// (sha256sum's output for SOURCE), as a bundle with update.sha256 is installed, hashing on a
// worker thread beside the copy; "copy-sha-one-thread" hashes on the copying thread, for
// comparison.
//
// The floors talk to the system directly: they are the yardstick the engine's own file
// services are measured against, so they must not go through them.
#include "common/folder_prefix.h"
#include "engine/class_copy_sys.h"
#include "platform/overlapped_hash_service.h"
#include "platform/builtin_sha256.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_message_loop.h"
#include "platform/posix/posix_thread_service.h"
#include "update/manifest_check.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kStep = 62000;

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

[[noreturn]] void die(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Copies one file in kStep steps, either through a buffer or inside the kernel.
void floorCopyFile(const std::string& from, const std::string& to, bool inKernel,
                   qly::MessageLoop& loop, std::vector<char>& buffer) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        die("open " + from);
    }
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        die("create " + to);
    }
    for (;;) {
        ssize_t n = 0;
        if (inKernel) {
            n = copy_file_range(in, nullptr, out, nullptr, kStep, 0);
        } else {
            n = read(in, buffer.data(), kStep);
            if (n > 0 && write(out, buffer.data(), static_cast<std::size_t>(n)) != n) {
                die("write " + to);
            }
        }
        if (n < 0) {
            die("copy " + from);
        }
        loop.yield();
        if (n == 0) {
            break;
        }
    }
    close(in);
    close(out);
}

// Lists the tree below root as relative paths: each folder's files, then its subfolders.
void listTree(const std::string& root, const std::string& rel, std::vector<std::string>& folders,
              std::vector<std::string>& files) {
    DIR* dir = opendir((root + rel).c_str());
    if (dir == nullptr) {
        die("list " + root + rel);
    }
    std::vector<std::string> below;
    while (const dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        (d->d_type == DT_DIR ? below : files).push_back(rel + "/" + name);
    }
    closedir(dir);
    for (const auto& folder : below) {
        folders.push_back(folder);
        listTree(root, folder, folders, files);
    }
}

// Lists the tree below from and creates its folders below to; returns its files. Every folder
// comes before the first file, as in the engine: on ext4 this order alone makes creating many
// small files several times faster, and the floors must not lose to it.
std::vector<std::string> makeFolders(const std::string& from, const std::string& to) {
    std::vector<std::string> folders;
    std::vector<std::string> files;
    listTree(from, "", folders, files);
    for (const auto& folder : folders) {
        if (mkdir((to + folder).c_str(), 0777) != 0 && errno != EEXIST) {
            die("mkdir " + to + folder);
        }
    }
    return files;
}

void floorCopyTree(const std::string& from, const std::string& to, bool inKernel,
                   qly::MessageLoop& loop, std::vector<char>& buffer) {
    for (const auto& file : makeFolders(from, to)) {
        floorCopyFile(from + file, to + file, inKernel, loop, buffer);
    }
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Flushes the volume holding folder; returns the seconds it took.
double syncVolume(const std::string& folder) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || syncfs(fd) != 0) {
        die("syncfs " + folder);
    }
    close(fd);
    return secondsSince(start);
}

// The durable work the engine's transaction does per file, without its checks and journal:
// every file written in kStep steps inside the kernel under a temporary name, the volume
// flushed, each temporary file renamed over its destination, the volume flushed again.
// Returns the seconds spent flushing.
double floorDurableTree(const std::string& from, const std::string& to, qly::MessageLoop& loop,
                        std::vector<char>& buffer) {
    const std::vector<std::string> files = makeFolders(from, to);
    for (const auto& file : files) {
        floorCopyFile(from + file, to + file + ".qlytmp", true, loop, buffer);
    }
    double flushing = syncVolume(to);
    for (const auto& file : files) {
        if (rename((to + file + ".qlytmp").c_str(), (to + file).c_str()) != 0) {
            die("rename " + to + file);
        }
    }
    flushing += syncVolume(to);
    return flushing;
}

int usage() {
    std::fprintf(stderr,
                 "usage: qly-bench copy|scan|floor-rw|floor-cfr|floor-durable SOURCE [DEST]\n"
                 "       qly-bench copy-sha|copy-sha-one-thread SOURCE DEST MANIFEST\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return usage();
    }
    const std::string mode = argv[1];
    const std::string source = argv[2];
    const std::string dest = argc > 3 ? argv[3] : "";
    if (mode != "scan" && dest.empty()) {
        return usage();
    }
    if (mode.starts_with("copy-sha") && argc < 5) {
        return usage();
    }

    qly::posix::PosixFileSystem fs;
    qly::posix::PosixMessageLoop loop;
    qly::classCopySys engine(fs, loop);
    std::vector<char> buffer(kStep);
    int64_t result = 0;
    double flushing = 0;
    try {
        const auto start = std::chrono::steady_clock::now();
        qly::BuiltinHashService sha256;
        qly::posix::PosixThreadService threads;
        qly::OverlappedHashService overlapped(sha256, threads);
        std::unique_ptr<qly::ManifestCheck> check;
        if (mode == "copy-sha" || mode == "copy-sha-one-thread") {
            qly::HashService& hashes =
                mode == "copy-sha" ? static_cast<qly::HashService&>(overlapped) : sha256;
            check = qly::LoadManifestCheck(fs, hashes, argv[4]);
            engine.SetSourceCheck(check.get());
        }
        if (mode == "copy" || check) {
            result =
                engine.QuickCopy(qly::folderPrefix(source), qly::folderPrefix(dest)).value_or(0);
        } else if (mode == "scan") {
            result = engine.CopyINI(qly::folderPrefix(source)).value_or(0);
        } else if (mode == "floor-rw" || mode == "floor-cfr") {
            floorCopyTree(source, dest, mode == "floor-cfr", loop, buffer);
        } else if (mode == "floor-durable") {
            flushing = floorDurableTree(source, dest, loop, buffer);
        } else {
            return usage();
        }
        std::printf("%.3f %ld %lld %.3f\n", secondsSince(start), peakRssKiB(),
                    static_cast<long long>(result), flushing);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qly-bench: %s\n", e.what());
        return 1;
    }
    return result < 0 ? 1 : 0;
}
