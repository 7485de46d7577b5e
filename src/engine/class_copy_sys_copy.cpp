// The run: free space, the plan and journal, folder creation, the staging loop with the
// chunked copy of one file, and the hand-over to the commit or the undo.
#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "engine/folder_contents.h"
#include "engine/link_check.h"
#include "engine/path_case.h"
#include "engine/transaction.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace qly {

namespace {

// The entry with the first n characters removed; empty when it is not longer than n.
std::string relativePath(const std::string& entry, std::size_t n) {
    return entry.size() > n ? entry.substr(n) : std::string();
}

// The first component of a relative path, in lower case.
std::string topName(const std::string& relative) {
    return lowerCase(relative.substr(0, relative.find_first_of("\\/")));
}

bool isFolder(const std::optional<uint32_t>& status) {
    return status && (*status & kAttrDirectory) != 0 && (*status & kAttrReparsePoint) == 0;
}

// The folder part of relative with its trailing "\\" (empty at the top), and the name.
std::pair<std::string, std::string> splitName(const std::string& relative) {
    const std::size_t slash = relative.find_last_of("\\/");
    return slash == std::string::npos
               ? std::pair(std::string(), relative)
               : std::pair(relative.substr(0, slash + 1), relative.substr(slash + 1));
}

} // namespace

std::optional<int64_t> classCopySys::DiskFreeBytes(const std::string& dest) {
    try {
        return fs_.freeBytes(dest);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void classCopySys::RecordFailure(const std::exception& e, const std::string& relative) {
    ErrorFlag = 1;
    if (LastFailure) {
        return;
    }
    CopyFailure failure;
    failure.path = relative;
    if (const auto* error = dynamic_cast<const Error*>(&e)) {
        failure.kind = error->kind();
        failure.systemCode = error->systemCode();
        // The file services name the full path; the user is shown it inside the game folder.
        if (relative.empty()) {
            const std::string& path = error->path();
            failure.path = path.starts_with(DestRoot) ? path.substr(DestRoot.size()) : path;
        }
    }
    LastFailure = failure;
}

std::string classCopySys::OwnSpelling(const std::string& dest, const std::string& relative) {
    const auto [folder, name] = splitName(relative);
    std::string own;
    if (auto listing = fs_.list(dest + folder, name)) {
        DirEntry entry;
        while (listing->next(entry)) {
            if (entry.name == name) {
                return {};
            }
            if (lowerCase(entry.name) == lowerCase(name)) {
                own = folder + entry.name;
            }
        }
    }
    return own;
}

JournalFile classCopySys::CheckDestination(const std::string& dest, const std::string& relative,
                                           LinkCheck& links) {
    try {
        links.check(relative);
        JournalFile file;
        file.path = relative;
        const std::string destination = dest + relative;
        const std::optional<uint32_t> there = fs_.statusOf(destination);
        if (!there) {
            return file;
        }
        // A read-only file keeps its refusal; a folder cannot be replaced by a file; a file
        // held open by the game or its launcher would stop the commit half-way.
        fs_.checkReplaceable(destination);
        file.action = JournalAction::Replace;
        file.oldFile = fs_.identityOf(destination);
        // An undo puts the old file back under its own spelling, not the patch's.
        file.original = OwnSpelling(dest, relative);
        return file;
    } catch (const Error& e) {
        throw Error(e.what(), e.kind(), e.systemCode(), relative);
    }
}

void classCopySys::MakeStage(const std::string& dest) {
    // The stage must meet no name of the game's or the patch's: a fresh number, and a folder
    // created new (creation fails when anything has the name) and found empty.
    std::vector<std::string> taken;
    for (const std::string& folder : journal_.folders) {
        taken.push_back(topName(folder));
    }
    for (const JournalFile& file : journal_.files) {
        taken.push_back(topName(file.path));
    }
    for (int number = 1;; ++number) {
        const std::string stage = std::string(kStagePrefix) + std::to_string(number);
        if (std::ranges::find(taken, lowerCase(stage)) != taken.end() ||
            fs_.statusOf(dest + stage)) {
            continue;
        }
        try {
            fs_.createFolder(dest + stage);
        } catch (const Error&) {
            if (number < 1000 && fs_.statusOf(dest + stage)) {
                continue; // made by someone else between the look and the creation
            }
            throw;
        }
        journal_.stage = stage; // ours from here on, whatever fails next
        holds_.push_back(fs_.holdFolder(dest + stage));
        // The folder ends with its separator: the listing's pattern is appended to it, and
        // "<stage>*" would list the game folder's entries named like the stage instead.
        if (auto listing = fs_.list(dest + stage + "\\", "*")) {
            DirEntry entry;
            while (listing->next(entry)) {
                if (entry.name != "." && entry.name != "..") {
                    throw Error("the update's own folder was changed: " + stage,
                                FailureKind::InTheWay, 0, stage);
                }
            }
        }
        return;
    }
}

void classCopySys::HoldFolders(const std::string& dest, const std::string& relative) {
    std::size_t slash = 0;
    while ((slash = relative.find_first_of("\\/", slash)) != std::string::npos) {
        const std::string folder = relative.substr(0, slash);
        ++slash;
        if (heldFolders_.contains(lowerCase(folder))) {
            continue;
        }
        // One the run has yet to create is held once it is made.
        if (!fs_.statusOf(dest + folder)) {
            return;
        }
        holds_.push_back(fs_.holdFolder(dest + folder));
        heldFolders_.insert(lowerCase(folder));
    }
}

void classCopySys::PlanRun(const std::string& dest) {
    journal_ = Journal{};
    journal_.place = journalPlace_;
    journalWritten_ = false;
    holds_.clear();
    heldFolders_.clear();
    LinkCheck links(fs_, dest);
    const std::size_t rootLength = SourceRoot.size();
    // In a run of made files, a file may give way to a folder and a folder to a file (a tree
    // copy refuses both, as it always has). madeFolders are the folders the commit puts where a
    // file it removes stands, and those below them, parents first.
    const bool swapsFolders = made_ != nullptr;
    std::vector<std::string> madeFolders;
    std::vector<std::string> filesInTheWay;
    const auto belowMade = [&](const std::string& relative) {
        return std::ranges::any_of(madeFolders,
                                   [&](const std::string& f) { return IsInside(relative, f); });
    };
    const auto folders = std::min<std::size_t>(static_cast<std::size_t>(std::max(FolderCount, 0)),
                                               FolderList.size());
    for (std::size_t j = 0; j < folders; ++j) {
        const std::string relative = relativePath(FolderList[j], rootLength);
        try {
            links.check(relative);
        } catch (const Error& e) {
            throw Error(e.what(), e.kind(), e.systemCode(), e.path());
        }
        if (belowMade(relative)) {
            madeFolders.push_back(relative);
            continue;
        }
        const std::optional<uint32_t> there = fs_.statusOf(dest + relative);
        if (!there) {
            journal_.folders.push_back(relative);
        } else if ((*there & kAttrDirectory) == 0) {
            if (!swapsFolders) {
                throw Error("a file stands where a folder must go: " + relative,
                            FailureKind::InTheWay, 0, relative);
            }
            madeFolders.push_back(relative);
            filesInTheWay.push_back(relative);
        }
    }
    const auto count =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(FileCount, 0)), FileList.size());
    if (destNames_.size() != count) {
        destNames_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            destNames_.push_back(relativePath(FileList[i], rootLength));
        }
    }
    // The staged files, and the folders that go for some of them with what they hold.
    std::vector<JournalFile> placed;
    std::vector<std::pair<std::string, FolderContents>> cleared;
    planned_.assign(count, -1);
    for (std::size_t i = 0; i < count; ++i) {
        if (Filtered(FileList[i])) {
            continue;
        }
        const std::string& relative = destNames_[i];
        planned_[i] = static_cast<int32_t>(placed.size());
        if (swapsFolders && (belowMade(relative) || isFolder(fs_.statusOf(dest + relative)))) {
            try {
                links.check(relative);
                if (!belowMade(relative)) {
                    cleared.emplace_back(relative, ListFolderContents(fs_, dest, relative));
                }
            } catch (const Error& e) {
                throw Error(e.what(), e.kind(), e.systemCode(), relative);
            }
            placed.push_back(JournalFile{relative, JournalAction::New, {}, {}, {}});
            continue;
        }
        placed.push_back(CheckDestination(dest, relative, links));
    }
    std::vector<JournalFile> removed;
    for (const std::string& relative : removals_) {
        JournalFile file = CheckDestination(dest, relative, links);
        // A file the patch itself brings is replaced, not removed. Where letter case tells
        // names apart (a plain Linux folder), "Readme.txt" is another file than "README.TXT":
        // the file there is known by its identity.
        const bool patched = std::ranges::any_of(placed, [&](const JournalFile& f) {
            if (f.path == relative) {
                return true;
            }
            return file.oldFile ? f.oldFile == file.oldFile
                                : lowerCase(f.path) == lowerCase(relative);
        });
        if (!patched && file.action == JournalAction::Replace) {
            file.action = JournalAction::Remove;
            removed.push_back(std::move(file));
        }
    }
    AssembleJournal(dest, std::move(placed), std::move(removed), filesInTheWay, madeFolders,
                    cleared);
    // The first change: from here on, a crash is undone by the next start.
    MakeStage(dest);
    // Held until the run ends, the folders that lead to the files cannot be swapped for links.
    for (const JournalFile& file : journal_.files) {
        HoldFolders(dest, file.path);
    }
    WriteJournal(fs_, dest, journal_);
    journalWritten_ = true;
}

void classCopySys::AssembleJournal(
    const std::string& dest, std::vector<JournalFile> placed, std::vector<JournalFile> removed,
    const std::vector<std::string>& filesInTheWay, const std::vector<std::string>& madeFolders,
    const std::vector<std::pair<std::string, FolderContents>>& cleared) {
    // Only what the run removes anyway may give way: anything else in a folder's way, or in a
    // folder that a file replaces (the player's saves, say), is not the run's to take.
    std::vector<bool> first(removed.size(), false);
    const auto removes = [&](const std::string& relative) {
        const std::optional<FileIdentity> id = fs_.identityOf(dest + relative);
        for (std::size_t k = 0; k < removed.size(); ++k) {
            if (id && removed[k].oldFile == id) {
                first[k] = true;
                return true;
            }
        }
        return false;
    };
    for (const std::string& relative : filesInTheWay) {
        if (!removes(relative)) {
            throw Error("a file stands where a folder must go: " + relative, FailureKind::InTheWay,
                        0, relative);
        }
    }
    for (const auto& [folder, contents] : cleared) {
        for (const std::string& relative : contents.files) {
            if (!removes(relative)) {
                throw Error("a folder that a file replaces holds files the update does not: " +
                                folder,
                            FailureKind::InTheWay, 0, folder);
            }
        }
    }
    // The commit clears the way first (files, then the emptied folders, deepest first), then
    // makes the folders, then puts the files in place; the other removals come last, as in
    // every run. An undo goes back through the same list from its end.
    for (std::size_t k = 0; k < removed.size(); ++k) {
        if (first[k]) {
            journal_.files.push_back(removed[k]);
        }
    }
    for (const auto& [folder, contents] : cleared) {
        for (const std::string& relative : contents.folders) {
            JournalFile file{relative, JournalAction::RemoveFolder, {}, {}, {}};
            file.oldFile = fs_.identityOf(dest + relative);
            if (relative == folder) {
                file.original = OwnSpelling(dest, relative);
            }
            journal_.files.push_back(std::move(file));
            heldFolders_.insert(lowerCase(relative)); // never held: the commit moves it
        }
    }
    for (const std::string& relative : madeFolders) {
        journal_.files.push_back(JournalFile{relative, JournalAction::MakeFolder, {}, {}, {}});
        heldFolders_.insert(lowerCase(relative)); // held once the commit has made it
    }
    const auto offset = static_cast<int32_t>(journal_.files.size());
    for (int32_t& index : planned_) {
        index = index >= 0 ? index + offset : index;
    }
    std::ranges::move(placed, std::back_inserter(journal_.files));
    for (std::size_t k = 0; k < removed.size(); ++k) {
        if (!first[k]) {
            journal_.files.push_back(std::move(removed[k]));
        }
    }
}

void classCopySys::CreateFolders(const std::string& dest) {
    for (const std::string& relative : journal_.folders) {
        // Made by an earlier attempt of this run (a resume) or meanwhile: present is enough.
        if (!fs_.statusOf(dest + relative)) {
            fs_.createFolder(dest + relative);
        }
    }
    // A folder that takes a file's place is made in the stage, known by its identity from
    // there on, and moved in by the commit.
    for (std::size_t i = 0; i < journal_.files.size(); ++i) {
        if (journal_.files[i].action == JournalAction::MakeFolder) {
            fs_.createFolder(StagedPath(dest, journal_, i));
        }
    }
    for (const JournalFile& file : journal_.files) {
        HoldFolders(dest, file.path);
    }
}

void classCopySys::MakeStagedDurable(const std::string& dest) {
    if (fs_.syncVolume(dest)) {
        return;
    }
    for (std::size_t i = 0; i < journal_.files.size(); ++i) {
        // Reopened, never created: a staged file taken away after its check fails the run.
        const JournalAction action = journal_.files[i].action;
        if (action == JournalAction::New || action == JournalAction::Replace) {
            fs_.open(StagedPath(dest, journal_, i), OpenMode::ReadWrite)->flush();
        }
    }
}

void classCopySys::AbandonRun(const std::string& dest) {
    // The holds would keep the run's own folders from being removed.
    holds_.clear();
    heldFolders_.clear();
    if (!journalWritten_) {
        // The stage may stand without a journal: a failure between the two.
        // Tried like every step of an undo: a scanner may hold the fresh folder a moment.
        for (int attempt = 0; attempt < 3 && !journal_.stage.empty(); ++attempt) {
            try {
                fs_.removeFolder(dest + journal_.stage);
                break;
            } catch (const std::exception&) {
                // Empty, and named as ours: harmless, and removed by the next start.
            }
        }
        return;
    }
    try {
        UndoRun(fs_, dest, journal_, &loop_);
        journalWritten_ = false;
    } catch (const std::exception& e) {
        RecordFailure(e, "");
        LastFailure->undone = false;
        if (const auto* error = dynamic_cast<const Error*>(&e)) {
            LastFailure->notRestored = error->path();
        }
    }
}

int64_t classCopySys::RunCopy(const std::string& dest) {
    TotalCopy = 0;
    ErrorFlag = 0;
    StopFlag = 0;
    DestRoot = dest;
    LastFailure.reset();

    // Every new file is staged beside the one it replaces, which stays until the run
    // commits, so the volume needs room for all the new bytes: what the old files occupy is
    // not counted as available. A volume that cannot be asked does not refuse the run; a
    // real lack of space then shows as a failed write while staging.
    const std::optional<int64_t> free = DiskFreeBytes(dest);
    if (free && *free <= TotalLen.value_or(0)) {
        LastFailure = CopyFailure{FailureKind::DiskFull, "", 0, false, true};
        return -2;
    }
    // A run that a crash cut short here is undone before anything else; one that cannot be
    // undone keeps its journal, and a new run must not write over it.
    const RecoveryResult recovered = RecoverInterruptedRun(fs_, dest, &loop_, journalPlace_);
    if (recovered == RecoveryResult::Failed || recovered == RecoveryResult::Damaged) {
        ErrorFlag = 1;
        LastFailure = CopyFailure{FailureKind::Other, std::string(kJournalName), 0, false, false};
        return -1;
    }
    try {
        PlanRun(dest);
    } catch (const std::exception& e) {
        RecordFailure(e, "");
        AbandonRun(dest);
        return -1;
    }
    try {
        CreateFolders(dest);
    } catch (const std::exception& e) {
        // Reported like every other failure, so that an undo failing after it is told too.
        RecordFailure(e, "");
        AbandonRun(dest);
        return -1;
    }
    return FileLoop(0, dest);
}

int64_t classCopySys::FileLoop(int32_t start, const std::string& prefix) {
    const std::size_t rootLength = SourceRoot.size();
    const auto count =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(FileCount, 0)), FileList.size());
    const auto madeAt = [&](std::size_t i) {
        return made_ != nullptr && i < madeIndex_.size() ? madeIndex_[i] : -1;
    };
    const auto first = static_cast<std::size_t>(std::max(start, 0));
    // Files a stopped run had staged before it was undone: staged again, without a sound.
    for (std::size_t i = 0; i < std::min(first, count) && ErrorFlag == 0 && StopFlag == 0; ++i) {
        if (planned_[i] >= 0) {
            std::string destination = prefix + destNames_[i];
            CopyOneFile(FileList[i], destination, destNames_[i], planned_[i], madeAt(i), true);
        }
    }
    for (std::size_t i = first; i < count && ErrorFlag == 0; ++i) {
        std::string rel = relativePath(FileList[i], rootLength);
        if (ActualFile) {
            ActualFile(rel);
        }
        // A handler that named another destination: that one is checked and journaled before
        // anything is written to it.
        if (planned_[i] >= 0 && rel != destNames_[i]) {
            try {
                if (!IsSafeRelativePath(rel)) {
                    throw Error("not a path inside the destination: " + rel, FailureKind::InTheWay,
                                0, rel);
                }
                LinkCheck links(fs_, prefix);
                journal_.files[static_cast<std::size_t>(planned_[i])] =
                    CheckDestination(prefix, rel, links);
                HoldFolders(prefix, rel);
                WriteJournal(fs_, prefix, journal_);
                destNames_[i] = rel;
            } catch (const std::exception& e) {
                RecordFailure(e, rel);
                CurrentIndex = static_cast<int32_t>(i);
                break;
            }
        }
        std::string destination = prefix + rel;
        CopyOneFile(FileList[i], destination, rel, planned_[i], madeAt(i), false);
        CurrentIndex = static_cast<int32_t>(i);
        if (StopFlag != 0) {
            break;
        }
    }
    if (StopFlag != 0 && ErrorFlag == 0) {
        LastFailure = CopyFailure{FailureKind::Other, "", 0, true, true};
    }
    if (ErrorFlag != 0 || StopFlag != 0) {
        AbandonRun(prefix);
        return -1;
    }
    try {
        MakeStagedDurable(prefix);
        CommitRun(fs_, prefix, journal_, holds_, &loop_);
        heldFolders_.clear();
        journalWritten_ = false;
    } catch (const std::exception& e) {
        RecordFailure(e, "");
        AbandonRun(prefix);
        return -1;
    }
    removals_.clear();
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
    } catch (const std::exception& e) {
        RecordFailure(e, "");
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

std::optional<int64_t> classCopySys::CopyOneFile(std::string& source, std::string& destination,
                                                 const std::string& relative, int32_t planned,
                                                 int32_t made, bool quietly) {
    try {
        const std::string temp =
            planned >= 0 ? StagedPath(DestRoot, journal_, static_cast<std::size_t>(planned)) : "";
        if (Filtered(source)) {
            if (quietly) {
                return std::nullopt;
            }
            if (FilterFile) {
                FilterFile(source, destination, TotalLenRef(), TotalCopy);
            }
            TotalCopy += fs_.open(source, OpenMode::Read)->length();
            return std::nullopt;
        }
        const int64_t before = TotalCopy;

        // The scan listed hidden and system files too, so any entry that is still there is
        // copied. A source that really vanished is reported, and the run cannot be whole.
        std::unique_ptr<File> in;
        if (made >= 0) {
            in = made_->open(static_cast<std::size_t>(made));
        } else {
            try {
                in = fs_.open(source, OpenMode::Read);
            } catch (const std::exception&) {
                if (Exists(fs_, source)) {
                    throw;
                }
                loop_.messageBox(std::string(kFileNotFound));
                throw Error("the patch file vanished: " + source, FailureKind::Vanished, 0,
                            relative);
            }
            if (sourceCheck_) {
                in = sourceCheck_->watch(relative, std::move(in));
            }
        }

        // Created new inside the run's own folder: nothing planted there is written through.
        auto out = fs_.open(temp, OpenMode::CreateNew);
        const int64_t srcLen = in->length();
        int64_t remaining = srcLen;
        int16_t percent = 0;
        for (;;) {
            const int64_t n = std::min(remaining, kChunkSize);
            const std::size_t moved =
                out->transferFrom(*in, static_cast<std::size_t>(n), TransferBuffer);
            if (static_cast<int64_t>(moved) != n) {
                // The source shrank while being copied.
                throw Error("short read from " + source, FailureKind::Vanished, 0, relative);
            }
            // The temporary file started empty, so what is left is what it still lacks.
            remaining -= n;
            if (!quietly) {
                TotalCopy += n;
            }
            const int16_t previous = percent;
            percent = Percent();
            if (StopFlag != 0) {
                in.reset();
                out.reset();
                TotalCopy = before;
                percent = Percent();
                if (CopyState && !quietly) {
                    CopyState(percent, TotalLenRef(), TotalCopy);
                }
                fs_.removeQuietly(temp);
                return std::nullopt;
            }
            if (percent != previous && CopyState && !quietly) {
                CopyState(percent, TotalLenRef(), TotalCopy);
            }
            loop_.yield();
            if (remaining == 0) {
                if (sourceCheck_ && made < 0) {
                    sourceCheck_->checkCopied(relative);
                }
                // Staged: it stays under its temporary name until the whole run commits.
                return srcLen;
            }
        }
    } catch (const std::exception& e) {
        RecordFailure(e, relative);
        return std::nullopt;
    }
}

} // namespace qly
