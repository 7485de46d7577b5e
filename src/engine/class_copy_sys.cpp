// The engine's public methods and state; the scan and the copy live beside this file.
#include "engine/class_copy_sys.h"

#include "engine/busy_scope.h"
#include "engine/transaction.h"

#include <algorithm>

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

CopyResult NumericResult(const CopyRun& run) {
    switch (run.outcome) {
    case CopyOutcome::Installed:
        return run.bytes;
    case CopyOutcome::NoSpace:
        return -2;
    case CopyOutcome::Failed:
        break;
    }
    return -1;
}

CopyResult classCopySys::QuickCopy(const std::string& src, const std::string& dest) {
    return NumericResult(Install(src, dest));
}

CopyRun classCopySys::Install(const std::string& src, const std::string& dest) {
    if (busy_) {
        return {CopyOutcome::Failed, 0, LastFailure}; // the running loop holds the lists
    }
    BusyScope busy(busy_);
    ErrorFlag = 0;
    LastFailure.reset();
    Scan(src);
    if (ErrorFlag != 0 || !SourceListingAccepted()) {
        return {CopyOutcome::Failed, 0, LastFailure};
    }
    const int64_t result = RunCopy(dest);
    // A disk that filled up while staging is the same answer as too little room up front.
    if (result == -2 || (LastFailure && LastFailure->kind == FailureKind::DiskFull)) {
        return {CopyOutcome::NoSpace, 0, LastFailure};
    }
    if (ErrorFlag != 0 || LastFailure) {
        return {CopyOutcome::Failed, 0, LastFailure};
    }
    return {CopyOutcome::Installed, TotalCopy, std::nullopt};
}

CopyResult classCopySys::ResumeCopy() {
    if (busy_) {
        return -1;
    }
    BusyScope busy(busy_);
    ErrorFlag = 0;
    StopFlag = 0;
    LastFailure.reset();
    if (std::min<std::size_t>(static_cast<std::size_t>(std::max(FileCount, 0)), FileList.size()) ==
        0) {
        return std::nullopt;
    }
    // A new transaction over the same list: planned, journaled and its folders made again.
    try {
        if (RecoverInterruptedRun(fs_, DestRoot, &loop_) >= RecoveryResult::Failed) {
            throw Error("an interrupted run could not be undone in " + DestRoot);
        }
        PlanRun(DestRoot);
        CreateFolders(DestRoot);
    } catch (const std::exception& e) {
        RecordFailure(e, "");
        AbandonRun(DestRoot);
        return -1;
    }
    if (FileLoop(CurrentIndex, DestRoot) == -1) {
        return -1;
    }
    return std::nullopt;
}

void classCopySys::AddRemoval(const std::string& relative) {
    removals_.push_back(relative);
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
