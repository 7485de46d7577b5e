// Times the copy engine installing a patch tree from a packed payload, through the payload's
// read-only file system, next to the same engine copying the tree from its folder. Prints
// "<seconds> <peak RSS KiB> <result>" on one line, like qly-bench.
//
//   qly-payload-bench pack TREE PACKED      packs TREE as the payload's update\ tree
//   qly-payload-bench packed PACKED DEST    installs update\ from PACKED into DEST
//   qly-payload-bench folder TREE DEST      installs TREE from its folder into DEST
//   qly-payload-bench folder-sha256 TREE DEST   the same, hashing every file as it is read,
//                                           as a check against a manifest does
#include "bundle/mounted_file_system.h"
#include "bundle/payload_file_system.h"
#include "bundle/payload_reader.h"
#include "bundle/payload_writer.h"
#include "common/folder_prefix.h"
#include "engine/class_copy_sys.h"
#include "platform/overlapped_hash_service.h"
#include "platform/builtin_sha256.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_message_loop.h"
#include "platform/posix/posix_random_access_file.h"
#include "platform/posix/posix_thread_service.h"

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

// A file read through, hashing what passes; the digest is taken at the end of the data.
class HashingFile : public qly::File {
public:
    HashingFile(std::unique_ptr<qly::File> inner, std::unique_ptr<qly::Sha256> hasher)
        : inner_(std::move(inner)), hasher_(std::move(hasher)) {}
    std::size_t read(std::span<char> out) override {
        const std::size_t n = inner_->read(out);
        hasher_->update(out.first(n));
        done_ += static_cast<int64_t>(n);
        if (!finished_ && done_ == inner_->length()) {
            finished_ = true;
            hasher_->finish();
        }
        return n;
    }
    void write(std::span<const char> data) override { inner_->write(data); }
    int64_t length() override { return inner_->length(); }
    void flush() override { inner_->flush(); }

private:
    std::unique_ptr<qly::File> inner_;
    std::unique_ptr<qly::Sha256> hasher_;
    int64_t done_ = 0;
    bool finished_ = false;
};

// The disk, with every file opened for reading hashed as it is read.
class HashingFileSystem : public qly::MountedFileSystem {
public:
    HashingFileSystem(qly::FileSystem& disk, qly::HashService& hashes)
        : MountedFileSystem(disk, disk, "\\"), hashes_(hashes) {}
    std::unique_ptr<qly::File> open(const std::string& path, qly::OpenMode mode) override {
        auto file = MountedFileSystem::open(path, mode);
        if (mode != qly::OpenMode::Read) {
            return file;
        }
        return std::make_unique<HashingFile>(std::move(file), hashes_.newSha256());
    }

private:
    qly::HashService& hashes_;
};

int usage() {
    std::fprintf(stderr, "usage: qly-payload-bench pack|packed|folder|folder-sha256 SOURCE DEST\n");
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
    // As the installer hashes: on a worker thread beside the copy.
    qly::BuiltinHashService sha256;
    qly::posix::PosixThreadService threads;
    qly::OverlappedHashService hashes(sha256, threads);
    int64_t result = 0;
    try {
        const auto start = std::chrono::steady_clock::now();
        if (mode == "pack") {
            auto out = disk.open(dest, qly::OpenMode::CreateAlways);
            qly::PayloadWriter writer(*out, 0, hashes);
            qly::AddFolderTree(writer, disk, qly::folderPrefix(source), "update");
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
        } else if (mode == "folder" || mode == "folder-sha256") {
            HashingFileSystem hashing(disk, hashes);
            qly::FileSystem& files =
                mode == "folder" ? static_cast<qly::FileSystem&>(disk) : hashing;
            qly::classCopySys engine(files, loop);
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
