// classCopySys: the copy engine. Lists a source folder tree (or one file), checks free space,
// recreates the folders under a destination prefix and copies every file in 62000-byte chunks,
// raising progress events and yielding to the message loop after every chunk.
//
// A run is one transaction over the destination: every file is first staged in the run's own
// folder in the destination (created new) while nothing that exists there changes; only when
// all are staged are they put in place, the old files kept as backups until the last one is
// in, under a journal in that folder (see transaction.h). Nothing is done through a link
// below the destination. A failure, a stop or a
// crash at any point leaves the destination exactly as it was, the crash through the next
// start's RecoverInterruptedRun.
#pragma once

#include "common/error.h"
#include "engine/folder_contents.h"
#include "engine/journal.h"
#include "engine/made_files.h"
#include "engine/source_check.h"
#include "platform/file_system.h"
#include "platform/message_loop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qly {

// Empty, or a number: -1 failure, -2 not enough free space, 0 or more bytes counted.
using CopyResult = std::optional<int64_t>;

// Why the last run did not install: which file, and the reason.
struct CopyFailure {
    FailureKind kind = FailureKind::Other;
    std::string path;          // relative to the destination prefix; empty when no file is to blame
    int64_t systemCode = 0;    // the system's error number, 0 when none applies
    bool stopped = false;      // StopCopy ended the run
    bool undone = true;        // false: the undo could not finish; the journal stays for recovery
    std::string notRestored{}; // when !undone: the file the undo could not put back, if known
};

// How a run of the engine ended.
enum class CopyOutcome {
    Installed, // every file is in place
    Failed,    // failed or stopped; the destination is as before unless the failure says not
    NoSpace,   // the volume had too little room, up front or while staging
};

// A run's outcome as a value: what the numeric results (-1, -2, bytes) only encode.
struct CopyRun {
    CopyOutcome outcome = CopyOutcome::Failed;
    int64_t bytes = 0;                  // TotalCopy of an installed run
    std::optional<CopyFailure> failure; // why it did not install, when it is known
};

// The engine's numeric reading of run: bytes when installed, -1 failed, -2 no space.
CopyResult NumericResult(const CopyRun& run);

class LinkCheck;

class classCopySys {
public:
    static constexpr int64_t kChunkSize = 62000;
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
    // Scans src and installs it under dest (which must end with "\") as one transaction.
    // Returns -1 on a failure or a stop (the destination is then as before; LastFailure says
    // why), -2 when the destination's volume has no more free bytes than the scan's total or
    // filled up while staging, else TotalCopy. Throws Error for the failures that reach the
    // caller (folder creation, after undoing the run; a missing single source file).
    CopyResult QuickCopy(const std::string& src, const std::string& dest);
    // QuickCopy's run as a value; QuickCopy is its NumericResult.
    CopyRun Install(const std::string& src, const std::string& dest);
    // QuickCopy of the tree src (none when empty) together with the files made makes, and
    // the removals it lists, as one transaction: made files are staged, counted in TotalLen
    // and TotalCopy by the bytes they produce, and committed like copied ones. A made file
    // that the tree also holds fails the run before anything changes. made must outlive the
    // call; ResumeCopy does not take up such a run.
    CopyRun InstallMade(MadeFiles& made, const std::string& src, const std::string& dest);
    // Scans src: a folder when it ends with "\", else one file. Returns TotalLen (empty for an
    // empty folder) or -1 when the folder is missing or its scan failed. Throws Error for a
    // missing single file.
    CopyResult CopyINI(const std::string& src);
    // Runs the stopped or failed run again under DestRoot as a new transaction: the files
    // before CurrentIndex are staged again quietly (no events, their bytes already counted),
    // the loop continues at CurrentIndex with its events, then all is committed. -1 on
    // failure or a new stop, else empty.
    CopyResult ResumeCopy();
    // Asks the running loop to stop at its next check; the run is then undone. Always empty.
    CopyResult StopCopy();
    // Has check consulted by the runs that follow (null: none). Not owned; it must outlive
    // the runs it is set for.
    void SetSourceCheck(SourceCheck* check) { sourceCheck_ = check; }
    // Has the runs that follow keep their journals in place (a folder ending with "\\" that
    // only administrators can write) and recover only journals found there; empty: in the
    // run's own folder in the destination.
    void SetJournalPlace(std::string place) { journalPlace_ = std::move(place); }
    // Has the next run remove the file at relative (to its destination prefix) as part of its
    // transaction: kept as backup until the run is over, put back when it is undone.
    void AddRemoval(const std::string& relative);

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
    // Set when the last run (or resume) did not install; empty after a success.
    std::optional<CopyFailure> LastFailure;

private:
    // CopyINI's work, also run by QuickCopy.
    CopyResult Scan(const std::string& src);
    // The run of QuickCopy after the scan: free space, folders, then every file.
    int64_t RunCopy(const std::string& dest);
    // Lists one folder level (path gets a trailing "\" when it lacks one) and everything
    // below it; returns the byte total found, empty when the level and all below hold nothing.
    std::optional<int64_t> ScanFolder(std::string& path, int32_t& fileCounter,
                                      int32_t& folderCounter);
    // Stages FileList entries from start on under prefix, then commits the run; -1 when one
    // failed or the run was stopped (the run is then undone), else TotalCopy.
    int64_t FileLoop(int32_t start, const std::string& prefix);
    // Stages one file (or counts it as done when a filter matches); failures set ErrorFlag
    // and LastFailure. planned is the file's index in the journal (-1: filtered); made the
    // index of a made file (-1: copied from source). Quietly: no events, no bytes counted (a
    // file staged again on resume).
    std::optional<int64_t> CopyOneFile(std::string& source, std::string& destination,
                                       const std::string& relative, int32_t planned, int32_t made,
                                       bool quietly);
    // Appends made's files to the scanned lists (their folders too) and its removals.
    // Throws Error naming a file that is both made and in the tree.
    void AddMadeFiles(MadeFiles& made);
    // QuickCopy's answer from a run's result and the failure it recorded.
    CopyRun RunResult(int64_t result);
    // Checks every destination of the run and writes its journal; creates no folder yet.
    // Throws Error naming the file that cannot be replaced; nothing is changed then.
    void PlanRun(const std::string& dest);
    // What the run does at one destination file, with the identity and spelling of the file
    // there; throws Error (Link, InUse, ReadOnly, InTheWay, AccessDenied) when it could not
    // replace what stands there.
    JournalFile CheckDestination(const std::string& dest, const std::string& relative,
                                 LinkCheck& links);
    // The journal's records in commit order: in the way of the placed files (where a folder
    // replaces a file or a file a folder) the removed files, the emptied folders and the made
    // ones, then the placed files, then the other removals; planned_ follows. Throws Error
    // (InTheWay) naming a file in the way, or a folder to clear, that the run does not remove.
    void AssembleJournal(const std::string& dest, std::vector<JournalFile> placed,
                         std::vector<JournalFile> removed,
                         const std::vector<std::string>& filesInTheWay,
                         const std::vector<std::string>& madeFolders,
                         const std::vector<std::pair<std::string, FolderContents>>& cleared);
    // The spelling of the entry at relative under dest when it differs from relative's only in
    // letter case; empty when it is spelled so (or not there).
    std::string OwnSpelling(const std::string& dest, const std::string& relative);
    // Creates the run's own folder under dest and names it in the journal. Throws Error.
    void MakeStage(const std::string& dest);
    // Holds every folder on the way to relative under dest (once each). Throws Error (Link).
    void HoldFolders(const std::string& dest, const std::string& relative);
    // Creates the folders the plan lists, in order. A failure reaches the caller.
    void CreateFolders(const std::string& dest);
    // Makes the staged files durable before the commit.
    void MakeStagedDurable(const std::string& dest);
    // Undoes the run begun under dest; a failing undo is recorded in LastFailure.
    void AbandonRun(const std::string& dest);
    // Records why the run fails; the first reason stays.
    void RecordFailure(const std::exception& e, const std::string& relative);
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
    // Destination of each FileList entry relative to the prefix, as ActualFile last named it.
    std::vector<std::string> destNames_;
    // The run in progress: its journal and, for each FileList entry, its index in the journal
    // (-1 for a filtered file); journalWritten_ once the journal is in the destination.
    Journal journal_;
    std::vector<int32_t> planned_;
    bool journalWritten_ = false;
    std::vector<std::string> removals_;
    // The made files of the run in progress, and for each FileList entry the index of its
    // made file (-1: copied); empty when the list holds no made file.
    MadeFiles* made_ = nullptr;
    std::vector<int32_t> madeIndex_;
    // The run's folders, held open while it runs; heldFolders_ are their lower-case names.
    std::vector<std::unique_ptr<FolderHold>> holds_;
    std::set<std::string> heldFolders_;
    // Set while QuickCopy, CopyINI or ResumeCopy runs.
    bool busy_ = false;
    SourceCheck* sourceCheck_ = nullptr;
    std::string journalPlace_;
};

} // namespace qly
