// The engine's public methods and state; the scan and the copy live beside this file.
#include "engine/class_copy_sys.h"

#include "engine/busy_scope.h"
#include "engine/path_case.h"
#include "engine/transaction.h"

#include <algorithm>
#include <set>

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
    return RunResult(RunCopy(dest));
}

CopyRun classCopySys::RunResult(int64_t result) {
    // A disk that filled up while staging is the same answer as too little room up front.
    if (result == -2 || (LastFailure && LastFailure->kind == FailureKind::DiskFull)) {
        return {CopyOutcome::NoSpace, 0, LastFailure};
    }
    if (ErrorFlag != 0 || LastFailure) {
        return {CopyOutcome::Failed, 0, LastFailure};
    }
    return {CopyOutcome::Installed, TotalCopy, std::nullopt};
}

CopyRun classCopySys::InstallMade(MadeFiles& made, const std::string& src,
                                  const std::string& dest) {
    if (busy_) {
        return {CopyOutcome::Failed, 0, LastFailure};
    }
    BusyScope busy(busy_);
    ErrorFlag = 0;
    LastFailure.reset();
    if (!src.empty()) {
        Scan(src);
        if (ErrorFlag != 0 || !SourceListingAccepted()) {
            return {CopyOutcome::Failed, 0, LastFailure};
        }
    } else {
        destNames_.clear();
        madeIndex_.clear();
        FileList.clear();
        FolderList.clear();
        SourceRoot.clear();
        FileCount = 0;
        FolderCount = 0;
        TotalLen.reset();
    }
    try {
        AddMadeFiles(made);
    } catch (const std::exception& e) {
        RecordFailure(e, "");
        return {CopyOutcome::Failed, 0, LastFailure};
    }
    struct MadeScope {
        MadeFiles*& current;
        ~MadeScope() { current = nullptr; }
    } scope{made_ = &made};
    return RunResult(RunCopy(dest));
}

void classCopySys::AddMadeFiles(MadeFiles& made) {
    std::set<std::string> files;
    std::set<std::string> folders;
    for (std::size_t i = 0; i < FileList.size(); ++i) {
        files.insert(
            lowerCase(FileList[i].substr(std::min(SourceRoot.size(), FileList[i].size()))));
    }
    for (const std::string& folder : FolderList) {
        folders.insert(lowerCase(folder.substr(std::min(SourceRoot.size(), folder.size()))));
    }
    madeIndex_.assign(FileList.size(), -1);
    const std::vector<MadeFiles::Entry> entries = made.files();
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const std::string& path = entries[k].path;
        if (!files.insert(lowerCase(path)).second) {
            throw Error("the patch makes a file that its tree also holds: " + path,
                        FailureKind::InTheWay, 0, path);
        }
        // Parents before children, each folder once.
        for (std::size_t cut = path.find('\\'); cut != std::string::npos;
             cut = path.find('\\', cut + 1)) {
            if (folders.insert(lowerCase(path.substr(0, cut))).second) {
                FolderList.push_back(SourceRoot + path.substr(0, cut));
            }
        }
        FileList.push_back(SourceRoot + path);
        madeIndex_.push_back(static_cast<int32_t>(k));
        TotalLen = TotalLen.value_or(0) + entries[k].size;
    }
    FileCount = static_cast<int32_t>(FileList.size());
    FolderCount = static_cast<int32_t>(FolderList.size());
    for (std::string& removal : made.removals()) {
        removals_.push_back(std::move(removal));
    }
}

CopyResult classCopySys::ResumeCopy() {
    if (busy_) {
        return -1;
    }
    // The made files of the stopped run are gone with it.
    if (!madeIndex_.empty()) {
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
        if (RecoverInterruptedRun(fs_, DestRoot, &loop_, journalPlace_) >= RecoveryResult::Failed) {
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
