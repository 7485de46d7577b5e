// Times the copy engine and its scan on a fixture tree, next to two floors that move the same
// 62000-byte steps with a yield per step: a plain read/write loop and an in-kernel
// copy_file_range loop. Prints "<seconds> <peak RSS KiB> <result>" on one line. "copy-sha"
// copies with the tree checked against a manifest (sha256sum's output for SOURCE), as a bundle
// with update.sha256 is installed.
//
// The floors talk to the system directly: they are the yardstick the engine's own file
// services are measured against, so they must not go through them.
#include "common/folder_prefix.h"
#include "engine/class_copy_sys.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_message_loop.h"
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

// Creates every folder before the first file, as the engine does: on ext4 this order alone
// makes creating many small files several times faster, and the floor must not lose to it.
void floorCopyTree(const std::string& from, const std::string& to, bool inKernel,
                   qly::MessageLoop& loop, std::vector<char>& buffer) {
    std::vector<std::string> folders;
    std::vector<std::string> files;
    listTree(from, "", folders, files);
    for (const auto& folder : folders) {
        if (mkdir((to + folder).c_str(), 0777) != 0 && errno != EEXIST) {
            die("mkdir " + to + folder);
        }
    }
    for (const auto& file : files) {
        floorCopyFile(from + file, to + file, inKernel, loop, buffer);
    }
}

int usage() {
    std::fprintf(stderr, "usage: qly-bench copy|scan|floor-rw|floor-cfr SOURCE [DEST]\n"
                         "       qly-bench copy-sha SOURCE DEST MANIFEST\n");
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
    if (mode == "copy-sha" && argc < 5) {
        return usage();
    }

    qly::posix::PosixFileSystem fs;
    qly::posix::PosixMessageLoop loop;
    qly::classCopySys engine(fs, loop);
    std::vector<char> buffer(kStep);
    int64_t result = 0;
    try {
        const auto start = std::chrono::steady_clock::now();
        qly::posix::LibcryptoHashService hashes;
        std::unique_ptr<qly::ManifestCheck> check;
        if (mode == "copy-sha") {
            check = qly::LoadManifestCheck(fs, hashes, argv[4]);
            engine.SetSourceCheck(check.get());
        }
        if (mode == "copy" || mode == "copy-sha") {
            result =
                engine.QuickCopy(qly::folderPrefix(source), qly::folderPrefix(dest)).value_or(0);
        } else if (mode == "scan") {
            result = engine.CopyINI(qly::folderPrefix(source)).value_or(0);
        } else if (mode == "floor-rw" || mode == "floor-cfr") {
            floorCopyTree(source, dest, mode == "floor-cfr", loop, buffer);
        } else {
            return usage();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%.3f %ld %lld\n", took.count(), peakRssKiB(), static_cast<long long>(result));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qly-bench: %s\n", e.what());
        return 1;
    }
    return result < 0 ? 1 : 0;
}
