#include "engine/transaction.h"

#include "common/error.h"
#include "engine/link_check.h"
#include "engine/path_case.h"

#include <algorithm>
#include <array>
#include <exception>
#include <ranges>

namespace qly {

namespace {

// A step that fails is tried again after these pauses (milliseconds, about two seconds in
// all) before the failure is final: a virus scanner or an indexer often holds a fresh file for
// a moment, and trying again at once would only meet it again.
constexpr std::array kRetryPauses = {100, 200, 400, 600, 700};

// Runs step, trying it again after each of kRetryPauses of loop's sleep (none: at once) until
// it succeeds or the pauses are spent; the last failure reaches the caller.
template <typename Step> void retrying(MessageLoop* loop, Step&& step) {
    for (std::size_t attempt = 0;; ++attempt) {
        try {
            step();
            return;
        } catch (const Error& e) {
            // A link stays a link: waiting would only delay the refusal.
            if (attempt == kRetryPauses.size() || e.kind() == FailureKind::Link) {
                throw;
            }
        } catch (const std::exception&) {
            if (attempt == kRetryPauses.size()) {
                throw;
            }
        }
        if (loop != nullptr) {
            loop->sleep(kRetryPauses[attempt]);
        }
    }
}

bool isFolder(const std::optional<uint32_t>& status) {
    return status && (*status & kAttrDirectory) != 0;
}

[[noreturn]] void changedMeanwhile(const std::string& relative) {
    throw Error("the game folder changed during the update: " + relative, FailureKind::InTheWay, 0,
                relative);
}

// Deletes path when it is there.
void removeIfThere(FileSystem& fs, const std::string& path) {
    if (fs.statusOf(path)) {
        fs.deleteFile(path);
    }
}

// True when the entry at path is the file known as id (an unknown id proves nothing).
bool isFile(FileSystem& fs, const std::string& path, const std::optional<FileIdentity>& id) {
    if (!id) {
        return false;
    }
    const std::optional<FileIdentity> there = fs.identityOf(path);
    return there && *there == *id;
}

std::string stageFolder(const std::string& root, const Journal& journal) {
    return root + journal.stage;
}

// The journal, its temporary file and then the stage, when nothing else is left in it.
void removeJournal(FileSystem& fs, const std::string& root, const Journal& journal,
                   MessageLoop* loop) {
    const std::string path = JournalPath(root, journal);
    retrying(loop, [&] { removeIfThere(fs, path + std::string(kStagedSuffix)); });
    retrying(loop, [&] { removeIfThere(fs, path); });
    retrying(loop, [&] {
        if (isFolder(fs.statusOf(stageFolder(root, journal)))) {
            fs.removeFolder(stageFolder(root, journal));
        }
    });
}

void finishRun(FileSystem& fs, const std::string& root, const Journal& journal, MessageLoop* loop) {
    for (std::size_t i = 0; i < journal.files.size(); ++i) {
        const JournalFile& file = journal.files[i];
        // Only the old file (or emptied folder) we moved aside goes; anything else of that name
        // stays, and so does a kept folder that something was put into since.
        if (TakesOld(file.action)) {
            retrying(loop, [&] {
                const std::string backup = BackupPath(root, journal, i);
                if (!isFile(fs, backup, file.oldFile)) {
                    return;
                }
                if (file.action == JournalAction::RemoveFolder) {
                    fs.removeFolder(backup);
                } else {
                    fs.deleteFile(backup);
                }
            });
        }
    }
    removeJournal(fs, root, journal, loop);
}

// Every path the journal names passes the link rule, or the journal is not acted on.
void checkLinks(FileSystem& fs, const std::string& root, const Journal& journal) {
    LinkCheck links(fs, root);
    links.check(journal.stage);
    for (const std::string& folder : journal.folders) {
        links.check(folder);
    }
    for (const JournalFile& file : journal.files) {
        links.check(file.path);
        if (!file.original.empty()) {
            links.check(file.original);
        }
    }
}

// Puts the old file of entry index back at its own name, when the backup is provably it.
void restoreOld(FileSystem& fs, const std::string& root, const Journal& journal,
                std::size_t index) {
    const JournalFile& file = journal.files[index];
    const std::string backup = BackupPath(root, journal, index);
    if (!isFile(fs, backup, file.oldFile)) {
        return; // not moved aside yet, or not ours to put anywhere
    }
    const std::string target = root + file.path;
    const std::optional<FileIdentity> there = fs.identityOf(target);
    if (there && *there == *file.oldFile) {
        // Cut between the second name and the rename: the old file never left its place.
        fs.deleteFile(backup);
        return;
    }
    if (there && !(file.newFile && *there == *file.newFile)) {
        // Another program put a file there meanwhile: neither it nor the backup is lost, but
        // the game is not as it was.
        throw Error("cannot restore " + file.path + ": another file stands there",
                    FailureKind::InTheWay, 0, file.path);
    }
    fs.replaceFile(backup, root + (file.original.empty() ? file.path : file.original));
}

} // namespace

void CommitRun(FileSystem& fs, const std::string& root, Journal& journal, MessageLoop* loop) {
    std::vector<std::unique_ptr<FolderHold>> none;
    CommitRun(fs, root, journal, none, loop);
}

void CommitRun(FileSystem& fs, const std::string& root, Journal& journal,
               std::vector<std::unique_ptr<FolderHold>>& holds, MessageLoop* loop) {
    for (std::size_t i = 0; i < journal.files.size(); ++i) {
        if (PutsStaged(journal.files[i].action)) {
            journal.files[i].newFile = fs.identityOf(StagedPath(root, journal, i));
            if (!journal.files[i].newFile) {
                // Staged and checked, then taken away (a scanner's quarantine): not installable.
                throw Error("a staged file vanished: " + journal.files[i].path,
                            FailureKind::Vanished, 0, journal.files[i].path);
            }
        }
    }
    journal.phase = JournalPhase::Commit;
    WriteJournal(fs, root, journal);
    for (std::size_t i = 0; i < journal.files.size(); ++i) {
        const JournalFile& file = journal.files[i];
        const std::string target = root + file.path;
        const std::optional<FileIdentity> there = fs.identityOf(target);
        // The plan said what stands at each name; anything else means another program changed
        // the folder since, and the run must not guess.
        if (!TakesOld(file.action) ? there.has_value()
                                   : !(there && file.oldFile && *there == *file.oldFile)) {
            changedMeanwhile(file.path);
        }
        try {
            switch (file.action) {
            case JournalAction::New:
                fs.replaceFile(StagedPath(root, journal, i), target);
                break;
            case JournalAction::MakeFolder:
                fs.replaceFile(StagedPath(root, journal, i), target);
                // Held from here on like the folders that stood before the run, so that the
                // files that follow cannot be sent elsewhere by a link put in its place.
                holds.push_back(fs.holdFolder(target));
                if (fs.identityOf(target) != file.newFile) {
                    changedMeanwhile(file.path);
                }
                break;
            case JournalAction::Replace:
                fs.replaceWithBackup(StagedPath(root, journal, i), target,
                                     BackupPath(root, journal, i));
                break;
            case JournalAction::Remove:
            case JournalAction::RemoveFolder:
                fs.replaceFile(target, BackupPath(root, journal, i));
                break;
            }
        } catch (const Error& e) {
            throw Error(e.what(), e.kind(), e.systemCode(), file.path);
        }
    }
    // The moves must be on the disk before the journal says they are done. Where the volume
    // cannot be flushed as a whole, the file system's own ordering of metadata has to do.
    fs.syncVolume(root);
    journal.phase = JournalPhase::Committed;
    WriteJournal(fs, root, journal);
    // The stage goes last; a held folder could not be removed.
    holds.clear();
    try {
        finishRun(fs, root, journal, loop);
    } catch (const std::exception&) {
        // Committed: the patch is in place. Leftover backups are removed at the next start.
    }
}

void UndoRun(FileSystem& fs, const std::string& root, const Journal& journal, MessageLoop* loop) {
    retrying(loop, [&] { checkLinks(fs, root, journal); });
    const bool commitBegun = journal.phase != JournalPhase::Staging;
    for (std::size_t i = journal.files.size(); i-- > 0;) {
        const JournalFile& file = journal.files[i];
        const std::string target = root + file.path;
        retrying(loop, [&] {
            // Before the commit began no backup was made and no game file touched.
            if (commitBegun && TakesOld(file.action)) {
                restoreOld(fs, root, journal, i);
            } else if (commitBegun && isFile(fs, target, file.newFile)) {
                // The commit moved this new file or folder in place: take it out again. The
                // files it put into the folder went before (the records after it).
                if (file.action != JournalAction::MakeFolder) {
                    fs.deleteFile(target);
                } else if (!fs.removeFolder(target)) {
                    throw Error("cannot undo " + file.path + ": something was put into it",
                                FailureKind::InTheWay, 0, file.path);
                }
            }
            const std::string staged = StagedPath(root, journal, i);
            if (file.action == JournalAction::MakeFolder) {
                if (isFolder(fs.statusOf(staged))) {
                    fs.removeFolder(staged);
                }
            } else if (PutsStaged(file.action)) {
                removeIfThere(fs, staged);
            }
        });
    }
    for (const std::string& folder : std::views::reverse(journal.folders)) {
        // A folder that holds something not ours (the player put it there meanwhile) stays.
        retrying(loop, [&] {
            if (isFolder(fs.statusOf(root + folder))) {
                fs.removeFolder(root + folder);
            }
        });
    }
    // Everything put back must be on the disk before the journal that describes it goes.
    fs.syncVolume(root);
    removeJournal(fs, root, journal, loop);
}

namespace {

// Acts on the journal of the run in stage whose text is at path (nothing: none there).
RecoveryResult recoverJournal(FileSystem& fs, const std::string& root, const Journal& bare,
                              const std::optional<std::string>& text, MessageLoop* loop) {
    if (!text) {
        // A crash while the first journal was being written leaves at most its temporary
        // file; nothing else had changed.
        removeJournal(fs, root, bare, loop);
        return RecoveryResult::NothingFound;
    }
    std::optional<Journal> journal = ParseJournal(*text);
    if (!journal || lowerCase(journal->stage) != lowerCase(bare.stage)) {
        return RecoveryResult::Damaged;
    }
    journal->place = bare.place;
    try {
        checkLinks(fs, root, *journal);
    } catch (const Error&) {
        return RecoveryResult::Damaged;
    }
    if (journal->phase == JournalPhase::Committed) {
        finishRun(fs, root, *journal, loop);
        return RecoveryResult::Completed;
    }
    UndoRun(fs, root, *journal, loop);
    return RecoveryResult::Undone;
}

// Recovers the run whose stage is named stage under root, its journal in the stage.
RecoveryResult recoverStage(FileSystem& fs, const std::string& root, const std::string& stage,
                            MessageLoop* loop) {
    Journal bare;
    bare.stage = stage;
    const std::string journalPath = stage + "\\" + std::string(kJournalName);
    std::optional<std::string> text;
    try {
        LinkCheck links(fs, root);
        links.check(journalPath);
        links.check(journalPath + std::string(kStagedSuffix));
        text = ReadJournalText(fs, root + journalPath);
    } catch (const Error& e) {
        if (e.kind() == FailureKind::Link) {
            return RecoveryResult::Damaged; // a stage or journal reached through a link
        }
        throw;
    }
    return recoverJournal(fs, root, bare, text, loop);
}

// Recovers the run of stage whose journal is kept in place, outside the game folder.
RecoveryResult recoverPlaced(FileSystem& fs, const std::string& root, const std::string& place,
                             const std::string& stage, MessageLoop* loop) {
    Journal bare;
    bare.stage = stage;
    bare.place = place;
    try {
        LinkCheck(fs, root).check(stage);
    } catch (const Error& e) {
        if (e.kind() == FailureKind::Link) {
            return RecoveryResult::Damaged; // the run's folder was swapped for a link
        }
        throw;
    }
    return recoverJournal(fs, root, bare, ReadJournalText(fs, JournalPath(root, bare)), loop);
}

// The worst answer counts; an undo is said before a finished clean-up.
RecoveryResult combine(RecoveryResult so_far, RecoveryResult one) {
    if (one >= RecoveryResult::Failed) {
        return std::max(so_far, one);
    }
    if (one == RecoveryResult::Undone && so_far < RecoveryResult::Failed) {
        return one;
    }
    return so_far == RecoveryResult::NothingFound ? one : so_far;
}

} // namespace

namespace {

// The names of the run folders in root (none when root is not there).
std::vector<std::string> stagesIn(FileSystem& fs, const std::string& root) {
    std::vector<std::string> stages;
    if (!fs.statusOf(root)) {
        return stages;
    }
    if (auto listing = fs.list(root, std::string(kStagePrefix) + "*")) {
        DirEntry entry;
        while (listing->next(entry)) {
            if (IsStageName(entry.name)) {
                stages.push_back(entry.name);
            }
        }
    }
    return stages;
}

// The stages whose journals (or their temporary files) are kept in place.
std::vector<std::string> placedStages(FileSystem& fs, const std::string& place) {
    std::vector<std::string> stages;
    if (!fs.statusOf(place)) {
        return stages;
    }
    if (auto listing = fs.list(place, std::string(kStagePrefix) + "*")) {
        DirEntry entry;
        while (listing->next(entry)) {
            std::string_view name = entry.name;
            if (name.ends_with(kStagedSuffix)) {
                name.remove_suffix(kStagedSuffix.size());
            }
            if (!name.ends_with(kPlacedJournalSuffix)) {
                continue;
            }
            name.remove_suffix(kPlacedJournalSuffix.size());
            if (IsStageName(name) && std::ranges::find(stages, name) == stages.end()) {
                stages.emplace_back(name);
            }
        }
    }
    return stages;
}

// With the journals kept elsewhere, a run folder in root with nothing in it is what a crash
// before the first journal left; anything in it stays.
void removeEmptyStages(FileSystem& fs, const std::string& root,
                       const std::vector<std::string>& placed) {
    for (const std::string& stage : stagesIn(fs, root)) {
        if (std::ranges::find(placed, stage) != placed.end()) {
            continue;
        }
        try {
            LinkCheck(fs, root).check(stage);
            if (isFolder(fs.statusOf(root + stage))) {
                fs.removeFolder(root + stage);
            }
        } catch (const std::exception&) {
            // Not ours to insist on: a link or a folder that cannot be removed stays.
        }
    }
}

} // namespace

bool HasInterruptedRun(FileSystem& fs, const std::string& root, const std::string& place) {
    try {
        if (!place.empty()) {
            return !placedStages(fs, place).empty();
        }
        if (fs.statusOf(root + std::string(kOldJournalName))) {
            return true;
        }
        for (const std::string& stage : stagesIn(fs, root)) {
            if (fs.statusOf(root + stage + "\\" + std::string(kJournalName))) {
                return true;
            }
        }
        return false;
    } catch (const std::exception&) {
        return true; // what cannot be looked at is for the recovery to report
    }
}

RecoveryResult RecoverInterruptedRun(FileSystem& fs, const std::string& root, MessageLoop* loop,
                                     const std::string& place) {
    try {
        RecoveryResult result = RecoveryResult::NothingFound;
        if (!place.empty()) {
            // Only the journals in the protected place are ours; what lies in the game folder
            // is for the caller to report (see UntrustedJournals).
            const std::vector<std::string> stages = placedStages(fs, place);
            for (const std::string& stage : stages) {
                result = combine(result, recoverPlaced(fs, root, place, stage, loop));
            }
            removeEmptyStages(fs, root, stages);
            return result;
        }
        // A journal of the previous release's format lies in the game folder, where anyone
        // who may write there could have written it: it is reported, never acted on.
        if (fs.statusOf(root + std::string(kOldJournalName))) {
            return RecoveryResult::Damaged;
        }
        for (const std::string& stage : stagesIn(fs, root)) {
            result = combine(result, recoverStage(fs, root, stage, loop));
        }
        return result;
    } catch (const std::exception&) {
        return RecoveryResult::Failed;
    }
}

std::vector<std::string> UntrustedJournals(FileSystem& fs, const std::string& root) {
    std::vector<std::string> found;
    try {
        if (fs.statusOf(root + std::string(kOldJournalName))) {
            found.emplace_back(kOldJournalName);
        }
        for (const std::string& stage : stagesIn(fs, root)) {
            const std::string journal = stage + "\\" + std::string(kJournalName);
            for (const std::string& relative : {journal, journal + std::string(kStagedSuffix)}) {
                if (fs.statusOf(root + relative)) {
                    found.push_back(relative);
                }
            }
        }
    } catch (const std::exception&) {
        // Only reported: what cannot be looked at is not acted on either.
    }
    return found;
}

} // namespace qly
