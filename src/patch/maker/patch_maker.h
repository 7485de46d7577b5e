// Makes a patch archive from two versions of a game folder: files only in the new one are
// added whole, files in both that differ become deltas (or whole, where that is smaller or
// asked for), files only in the old one are removed. Names are compared as Windows compares
// them, without regard to letter case.
#pragma once

#include "patch/maker/delta_maker.h"
#include "patch/patch_archive.h"
#include "platform/file_system.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"
#include "platform/threads.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qly::patch {

struct MakeOptions {
    std::vector<std::string> keepWhole; // patterns ("*", "?") of names shipped whole
    bool fallbackWhole = false;         // every delta also carries its new file whole
    uint64_t deltaSegment = kDeltaSegment;
    uint32_t blockSize = kMaxBlockSize;
};

struct MakeIo {
    FileSystem& files;
    HashService& hashes;
    std::function<std::unique_ptr<RandomAccessFile>(const std::string&)> openRandom;
    // Called as the new files are read: bytes done of the total, and the file at hand.
    std::function<void(uint64_t done, uint64_t total, const std::string& name)> progress;
    // Compresses blocks beside the diffing when given (two threads at most); none: in turn.
    ThreadService* threads = nullptr;
};

struct MakeSummary {
    int64_t added = 0, changed = 0, removed = 0, unchanged = 0;
    uint64_t bytesBefore = 0; // of the old folder's files
    uint64_t bytesAfter = 0;  // of the new folder's files
    uint64_t patchSize = 0;   // of the archive written
};

// Writes the archive of the patch from oldFolder to newFolder at archivePath. Throws Error when
// a folder cannot be read, holds a link, or holds two names that are one on Windows or a name
// Windows does not allow.
MakeSummary MakePatch(const std::string& oldFolder, const std::string& newFolder,
                      const std::string& archivePath, const MakeOptions& options, MakeIo& io);

// The files below folder: "\"-separated relative name -> size, in name order. Throws Error
// for links and for names that meet in letter case.
std::vector<std::pair<std::string, uint64_t>> ListTree(FileSystem& files,
                                                       const std::string& folder);

} // namespace qly::patch
