// classCopySys: the copy engine. Lists a source folder tree (or one file), checks free space,
// recreates the folders under a destination prefix and copies every file in 62000-byte chunks,
// raising progress events and yielding to the message loop after every chunk.
#pragma once

#include "platform/file_system.h"
#include "platform/message_loop.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qly {

// Empty, or a number: -1 failure, -2 not enough free space, 0 or more bytes counted.
using CopyResult = std::optional<int64_t>;

class classCopySys {
public:
    static constexpr int64_t kChunkSize = 62000;

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

    void AddFilter(const std::string& src);
    void ClearFilter();
    // Scans src and copies it under dest (which must end with "\"). Throws Error for the
    // failures that reach the caller (folder creation, a missing single source file).
    CopyResult QuickCopy(const std::string& src, const std::string& dest);
    // Scans src: a folder when it ends with "\", else one file. Returns TotalLen or -1.
    CopyResult CopyINI(const std::string& src);
    // Continues the file loop at CurrentIndex; -1 on failure, else empty.
    CopyResult ResumeCopy();
    // Asks the running loop to stop at its next check; always empty.
    CopyResult StopCopy();

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
    FileSystem& fs_;
    MessageLoop& loop_;
    // (the implementation adds its private routines and buffer here)
};

} // namespace qly
