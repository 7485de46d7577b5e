// classCopySys: the copy engine. Lists a source folder tree (or one file), checks free space,
// recreates the folders under a destination prefix and copies every file in 62000-byte chunks,
// raising progress events and yielding to the message loop after every chunk.
//
// Every file is written next to its destination under the name destination + kTempSuffix and
// put in place in one step only when complete, so a failed or stopped copy never leaves a
// destination file truncated or mixed: the old one stays until the new one is whole.
#pragma once

#include "engine/source_check.h"
#include "platform/file_system.h"
#include "platform/message_loop.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

// Empty, or a number: -1 failure, -2 not enough free space, 0 or more bytes counted.
using CopyResult = std::optional<int64_t>;

class classCopySys {
public:
    static constexpr int64_t kChunkSize = 62000;
    // Suffix of the file a copy is written to before it replaces its destination.
    static constexpr std::string_view kTempSuffix = ".qlytmp";
    // The one message the engine shows: a listed source file is gone at copy time.
    static constexpr std::string_view kFileNotFound = "File not found";

    classCopySys(FileSystem& fs, MessageLoop& loop);
    ~classCopySys();
    classCopySys(const classCopySys&) = delete;
    classCopySys& operator=(const classCopySys&) = delete;

    // Events. Arguments passed by reference are the engine's own variables: a handler that
    // changes them changes what the engine does next.
    std::function<void(int16_t procent, int64_t& TotalBytes, int64_t& TotalCopyBytes)> CopyState;
    std::function<void(std::string& fname)> ActualFile;
    std::function<void(std::string& src, std::string& dest, int64_t& TotalLen, int64_t& TotalCopy)>
        FilterFile;

    // Adds a filter: a file whose full listed source path equals src, ignoring letter case, is
    // counted as done instead of being copied. Duplicates and empty strings are kept.
    void AddFilter(const std::string& src);
    void ClearFilter();
    // QuickCopy, CopyINI and ResumeCopy called again while one of them runs (from an event
    // handler or from input during a yield) are refused with -1 and change nothing: the
    // running loop holds the lists.
    //
    // Scans src and copies it under dest (which must end with "\"). Returns -1 on a failure
    // (including a listed source file that vanished), -2 when the destination's volume is known
    // to have no more free bytes than the scan's total, else TotalCopy. Throws Error for the
    // failures that reach the caller (folder creation, a missing single source file).
    CopyResult QuickCopy(const std::string& src, const std::string& dest);
    // Scans src: a folder when it ends with "\", else one file. Returns TotalLen (empty for an
    // empty folder) or -1 when the folder is missing or its scan failed. Throws Error for a
    // missing single file.
    CopyResult CopyINI(const std::string& src);
    // Continues the file loop at CurrentIndex under DestRoot; -1 on failure, else empty.
    CopyResult ResumeCopy();
    // Asks the running loop to stop at its next check; always empty.
    CopyResult StopCopy();
    // Has check consulted by the runs that follow (null: none). Not owned; it must outlive
    // the runs it is set for.
    void SetSourceCheck(SourceCheck* check) { sourceCheck_ = check; }

    // State, readable for callers and tests.
    int64_t TotalCopy = 0;
    std::optional<int64_t> TotalLen; // empty before the first scan and after an empty one
    std::vector<std::string> FileList;
    std::vector<std::string> FolderList;
    std::string SourceRoot;
    std::string DestRoot;
    std::vector<std::string> FilterList;
    int16_t FilterCount = 0;
    int32_t FileCount = 0;
    int32_t FolderCount = 0;
    int32_t CurrentIndex = 0;
    int16_t StopFlag = 0;
    int32_t ErrorFlag = 0;

private:
    // CopyINI's work, also run by QuickCopy.
    CopyResult Scan(const std::string& src);
    // The run of QuickCopy after the scan: free space, folders, then every file.
    int64_t RunCopy(const std::string& dest);
    // Lists one folder level (path gets a trailing "\" when it lacks one) and everything
    // below it; returns the byte total found, empty when the level and all below hold nothing.
    std::optional<int64_t> ScanFolder(std::string& path, int32_t& fileCounter,
                                      int32_t& folderCounter);
    // Copies FileList entries from start on under prefix; -1 when one failed or a source had
    // vanished in this run, else TotalCopy.
    int64_t FileLoop(int32_t start, const std::string& prefix);
    // Copies one file (or counts it as done when a filter matches); failures set ErrorFlag.
    std::optional<int64_t> CopyOneFile(std::string& source, std::string& destination);
    // Free bytes of the volume holding dest, or nothing when they cannot be found out.
    std::optional<int64_t> DiskFreeBytes(const std::string& dest);
    // Whole percent done, rounded up; 100 when there is nothing to count. Throws Error when
    // the figure does not fit the event's 16-bit argument.
    int16_t Percent();
    bool Filtered(const std::string& source) const;
    // The source check's verdict on the scanned FileList; a refusal sets ErrorFlag.
    bool SourceListingAccepted();
    // TotalLen as a variable the events can change; an empty total becomes 0.
    int64_t& TotalLenRef();

    FileSystem& fs_;
    MessageLoop& loop_;
    std::string TransferBuffer;
    // A listed source file was gone at copy time somewhere in the current run.
    bool skippedMissing_ = false;
    // Set while QuickCopy, CopyINI or ResumeCopy runs.
    bool busy_ = false;
    SourceCheck* sourceCheck_ = nullptr;
};

} // namespace qly
