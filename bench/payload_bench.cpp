// Times the copy engine installing a patch tree from a packed payload, through the payload's
// read-only file system, next to the same engine copying the tree from its folder. Prints
// "<seconds> <peak RSS KiB> <result>" on one line, like qly-bench.
//
//   qly-payload-bench pack TREE PACKED      packs TREE as the payload's update\ tree
//   qly-payload-bench packed PACKED DEST    installs update\ from PACKED into DEST
//   qly-payload-bench folder TREE DEST      installs TREE from its folder into DEST
#include "bundle/mounted_file_system.h"
#include "bundle/payload_file_system.h"
#include "bundle/payload_reader.h"
#include "bundle/payload_writer.h"
#include "common/folder_prefix.h"
#include "engine/class_copy_sys.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_message_loop.h"
#include "platform/posix/posix_random_access_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/resource.h>

namespace {

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Adds folder (below root) and everything in it under the payload name `name`.
void packTree(qly::PayloadWriter& writer, qly::FileSystem& fs, const std::string& folder,
              const std::string& name) {
    writer.addFolder(name);
    std::vector<qly::DirEntry> entries;
    if (auto listing = fs.list(folder, "*")) {
        qly::DirEntry entry;
        while (listing->next(entry)) {
            if (entry.name != "." && entry.name != "..") {
                entries.push_back(entry);
            }
        }
    }
    std::ranges::sort(entries, {}, &qly::DirEntry::name);
    for (const qly::DirEntry& entry : entries) {
        if ((entry.attributes & qly::kAttrDirectory) != 0) {
            packTree(writer, fs, folder + entry.name + "\\", name + "\\" + entry.name);
        } else {
            writer.addFile(name + "\\" + entry.name,
                           *fs.open(folder + entry.name, qly::OpenMode::Read));
        }
    }
}

int usage() {
    std::fprintf(stderr, "usage: qly-payload-bench pack|packed|folder SOURCE DEST\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return usage();
    }
    const std::string mode = argv[1];
    const std::string source = argv[2];
    const std::string dest = argv[3];

    qly::posix::PosixFileSystem disk;
    qly::posix::PosixMessageLoop loop;
    qly::posix::LibcryptoHashService hashes;
    int64_t result = 0;
    try {
        const auto start = std::chrono::steady_clock::now();
        if (mode == "pack") {
            auto out = disk.open(dest, qly::OpenMode::CreateAlways);
            qly::PayloadWriter writer(*out, 0, hashes);
            packTree(writer, disk, qly::folderPrefix(source), "update");
            writer.finish();
        } else if (mode == "packed") {
            // Everything the installer does with its own exe: find the payload, check the
            // index, then copy with every file's checksum checked on the way.
            qly::posix::PosixRandomAccessFile exe(source);
            qly::PayloadLookup lookup = qly::FindPayload(exe, hashes);
            if (lookup.status != qly::PayloadLookup::Status::Found) {
                throw std::runtime_error("no sound payload in " + source + " " + lookup.problem);
            }
            qly::PayloadFileSystem payload(exe, std::move(lookup.payload), hashes);
            qly::MountedFileSystem files(disk, payload, "update\\");
            qly::classCopySys engine(files, loop);
            result = engine.QuickCopy("update\\", qly::folderPrefix(dest)).value_or(0);
        } else if (mode == "folder") {
            qly::classCopySys engine(disk, loop);
            result =
                engine.QuickCopy(qly::folderPrefix(source), qly::folderPrefix(dest)).value_or(0);
        } else {
            return usage();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%.3f %ld %lld\n", took.count(), peakRssKiB(), static_cast<long long>(result));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qly-payload-bench: %s\n", e.what());
        return 1;
    }
    return result < 0 ? 1 : 0;
}
