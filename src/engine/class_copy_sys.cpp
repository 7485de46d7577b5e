// The engine's public methods and state; the scan and the copy live beside this file.
#include "engine/class_copy_sys.h"

#include "engine/busy_scope.h"

namespace qly {

classCopySys::classCopySys(FileSystem& fs, MessageLoop& loop) : fs_(fs), loop_(loop) {
    TransferBuffer.reserve(static_cast<std::size_t>(kChunkSize));
}

classCopySys::~classCopySys() = default;

void classCopySys::AddFilter(const std::string& src) {
    FilterList.push_back(src);
    FilterCount = static_cast<int16_t>(FilterList.size());
}

void classCopySys::ClearFilter() {
    FilterCount = 0;
    FilterList.clear();
}

CopyResult classCopySys::QuickCopy(const std::string& src, const std::string& dest) {
    if (busy_) {
        return -1;
    }
    BusyScope busy(busy_);
    ErrorFlag = 0;
    Scan(src);
    if (ErrorFlag != 0 || !SourceListingAccepted()) {
        return -1;
    }
    const int64_t result = RunCopy(dest);
    if (ErrorFlag != 0) {
        return -1;
    }
    if (result == -2) {
        return -2;
    }
    return TotalCopy;
}

CopyResult classCopySys::ResumeCopy() {
    if (busy_) {
        return -1;
    }
    BusyScope busy(busy_);
    ErrorFlag = 0;
    StopFlag = 0;
    if (FileLoop(CurrentIndex, DestRoot) == -1) {
        return -1;
    }
    return std::nullopt;
}

CopyResult classCopySys::StopCopy() {
    StopFlag = -1;
    return std::nullopt;
}

int64_t& classCopySys::TotalLenRef() {
    if (!TotalLen) {
        TotalLen = 0;
    }
    return *TotalLen;
}

} // namespace qly
