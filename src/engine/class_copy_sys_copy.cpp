// The copy: free space, folder creation, the file loop and the chunked copy of one file.
#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "engine/path_case.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qly {

namespace {

// The entry with the first n characters removed; empty when it is not longer than n.
std::string relativePath(const std::string& entry, std::size_t n) {
    return entry.size() > n ? entry.substr(n) : std::string();
}

} // namespace

std::optional<int64_t> classCopySys::DiskFreeBytes(const std::string& dest) {
    try {
        return fs_.freeBytes(dest);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

int64_t classCopySys::RunCopy(const std::string& dest) {
    TotalCopy = 0;
    ErrorFlag = 0;
    StopFlag = 0;
    DestRoot = dest;
    skippedMissing_ = false;

    // Every new file is written beside the one it replaces, which stays until the new one is
    // complete, so the volume needs room for all the new bytes: what the old files occupy is
    // not counted as available. A volume that cannot be asked does not refuse the run; a
    // real lack of space then shows as a failed write.
    const std::optional<int64_t> free = DiskFreeBytes(dest);
    if (free && *free <= TotalLen.value_or(0)) {
        return -2;
    }
    const std::size_t rootLength = SourceRoot.size();
    const auto folders = std::min<std::size_t>(static_cast<std::size_t>(std::max(FolderCount, 0)),
                                               FolderList.size());
    for (std::size_t j = 0; j < folders; ++j) {
        const std::string target = dest + relativePath(FolderList[j], rootLength);
        // Anything already there, a file included, counts as present. A failure to create
        // reaches the caller.
        if (!fs_.exists(target)) {
            fs_.createFolder(target);
        }
    }
    return FileLoop(0, dest);
}

int64_t classCopySys::FileLoop(int32_t start, const std::string& prefix) {
    const std::size_t rootLength = SourceRoot.size();
    const auto count =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(FileCount, 0)), FileList.size());
    for (auto i = static_cast<std::size_t>(std::max(start, 0)); i < count; ++i) {
        std::string rel = relativePath(FileList[i], rootLength);
        if (ActualFile) {
            ActualFile(rel);
        }
        std::string destination = prefix + rel;
        CopyOneFile(FileList[i], destination);
        CurrentIndex = static_cast<int32_t>(i);
        if (StopFlag != 0) {
            break;
        }
        if (ErrorFlag != 0) {
            return -1;
        }
    }
    // A file that was listed but gone at copy time was shown and skipped; the run is then
    // incomplete and must not end as a success.
    if (skippedMissing_) {
        ErrorFlag = 1;
        return -1;
    }
    return TotalCopy;
}

bool classCopySys::SourceListingAccepted() {
    if (!sourceCheck_) {
        return true;
    }
    std::vector<std::string> files;
    files.reserve(FileList.size());
    for (const std::string& entry : FileList) {
        files.push_back(relativePath(entry, SourceRoot.size()));
    }
    try {
        sourceCheck_->checkListing(files);
        return true;
    } catch (const std::exception&) {
        ErrorFlag = 1;
        return false;
    }
}

bool classCopySys::Filtered(const std::string& source) const {
    const auto count = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<int>(FilterCount, 0)), FilterList.size());
    if (count == 0) {
        return false;
    }
    const std::string lowered = lowerCase(source);
    for (std::size_t c = 0; c < count; ++c) {
        if (lowerCase(FilterList[c]) == lowered) {
            return true;
        }
    }
    return false;
}

int16_t classCopySys::Percent() {
    const int64_t len = TotalLen.value_or(0);
    if (len == 0) {
        return 100;
    }
    const double left = 100.0 * static_cast<double>(len - TotalCopy) / static_cast<double>(len);
    const double percent = 100.0 - std::floor(left);
    if (!(percent >= std::numeric_limits<int16_t>::min() &&
          percent <= std::numeric_limits<int16_t>::max())) {
        throw Error("copy percent out of range");
    }
    return static_cast<int16_t>(percent);
}

std::optional<int64_t> classCopySys::CopyOneFile(std::string& source, std::string& destination) {
    const std::string temp = destination + std::string(kTempSuffix);
    bool tempCreated = false;
    try {
        if (Filtered(source)) {
            if (FilterFile) {
                FilterFile(source, destination, TotalLenRef(), TotalCopy);
            }
            TotalCopy += fs_.open(source, OpenMode::Read)->length();
            return std::nullopt;
        }
        const int64_t before = TotalCopy;

        // The scan listed hidden and system files too, so any entry that is still there is
        // copied; only a source that really vanished is reported and skipped. Opening it is
        // the presence test; the lookup is only asked when the open fails.
        std::unique_ptr<File> in;
        try {
            in = fs_.open(source, OpenMode::Read);
        } catch (const std::exception&) {
            if (fs_.exists(source)) {
                throw;
            }
            loop_.messageBox(std::string(kFileNotFound));
            skippedMissing_ = true;
            return std::nullopt;
        }
        const std::string rel = relativePath(source, SourceRoot.size());
        if (sourceCheck_) {
            in = sourceCheck_->watch(rel, std::move(in));
        }
        // A read-only destination is not overwritten; a folder cannot be.
        const uint32_t destAttrs = fs_.attributes(destination);
        if (destAttrs != kInvalidAttributes &&
            (destAttrs & (kAttrReadOnly | kAttrDirectory)) != 0) {
            throw Error("cannot replace " + destination);
        }

        tempCreated = true;
        auto out = fs_.open(temp, OpenMode::CreateAlways);
        const int64_t srcLen = in->length();
        int64_t remaining = srcLen;
        int16_t percent = 0;
        for (;;) {
            const int64_t n = std::min(remaining, kChunkSize);
            const std::size_t moved =
                out->transferFrom(*in, static_cast<std::size_t>(n), TransferBuffer);
            if (static_cast<int64_t>(moved) != n) {
                // The source shrank while being copied.
                throw Error("short read from " + source);
            }
            // The temporary file started empty, so what is left is what it still lacks.
            remaining -= n;
            TotalCopy += n;
            const int16_t previous = percent;
            percent = Percent();
            if (StopFlag != 0) {
                in.reset();
                out.reset();
                TotalCopy = before;
                percent = Percent();
                if (CopyState) {
                    CopyState(percent, TotalLenRef(), TotalCopy);
                }
                fs_.removeQuietly(temp);
                return std::nullopt;
            }
            if (percent != previous && CopyState) {
                CopyState(percent, TotalLenRef(), TotalCopy);
            }
            loop_.yield();
            if (remaining == 0) {
                in.reset();
                out.reset();
                if (sourceCheck_) {
                    sourceCheck_->checkCopied(rel);
                }
                fs_.replaceFile(temp, destination);
                return srcLen;
            }
        }
    } catch (const std::exception&) {
        ErrorFlag = 1;
        if (tempCreated) {
            fs_.removeQuietly(temp);
        }
        return std::nullopt;
    }
}

} // namespace qly
