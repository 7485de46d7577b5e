#include "engine/transaction.h"

#include "common/error.h"

#include <exception>
#include <ranges>

namespace qly {

namespace {

// A step that fails is tried this many times before the failure is final: a virus scanner or
// an indexer often holds a fresh file for a moment.
constexpr int kAttempts = 3;

template <typename Step> void retrying(Step&& step) {
    for (int attempt = 1;; ++attempt) {
        try {
            step();
            return;
        } catch (const std::exception&) {
            if (attempt == kAttempts) {
                throw;
            }
        }
    }
}

std::string staged(const std::string& path) {
    return path + std::string(kStagedSuffix);
}
std::string backup(const std::string& path) {
    return path + std::string(kBackupSuffix);
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

void removeJournal(FileSystem& fs, const std::string& root) {
    const std::string journal = root + std::string(kJournalName);
    retrying([&] { removeIfThere(fs, staged(journal)); });
    retrying([&] { removeIfThere(fs, journal); });
}

void finishRun(FileSystem& fs, const std::string& root, const Journal& journal) {
    for (const JournalFile& file : journal.files) {
        if (file.action != JournalAction::New) {
            retrying([&] { removeIfThere(fs, backup(root + file.path)); });
        }
    }
    removeJournal(fs, root);
}

} // namespace

void CommitRun(FileSystem& fs, const std::string& root, Journal& journal) {
    journal.phase = JournalPhase::Commit;
    WriteJournal(fs, root, journal);
    for (const JournalFile& file : journal.files) {
        const std::string target = root + file.path;
        const std::optional<uint32_t> there = fs.statusOf(target);
        // The plan said what stands at each name; anything else means another program changed
        // the folder since, and the run must not guess.
        if (file.action == JournalAction::New ? there.has_value() : (!there || isFolder(there))) {
            changedMeanwhile(file.path);
        }
        try {
            switch (file.action) {
            case JournalAction::New:
                fs.replaceFile(staged(target), target);
                break;
            case JournalAction::Replace:
                fs.replaceWithBackup(staged(target), target, backup(target));
                break;
            case JournalAction::Remove:
                fs.replaceFile(target, backup(target));
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
    try {
        finishRun(fs, root, journal);
    } catch (const std::exception&) {
        // Committed: the patch is in place. Leftover backups are removed at the next start.
    }
}

void UndoRun(FileSystem& fs, const std::string& root, const Journal& journal) {
    const bool commitBegun = journal.phase != JournalPhase::Staging;
    for (const JournalFile& file : std::views::reverse(journal.files)) {
        const std::string target = root + file.path;
        retrying([&] {
            // Before the commit began no backup was made and no game file touched: a file of
            // our backup's name then is not ours to use.
            if (commitBegun && file.action != JournalAction::New && fs.statusOf(backup(target))) {
                fs.replaceFile(backup(target), target);
            } else if (commitBegun && file.action == JournalAction::New &&
                       !fs.statusOf(staged(target))) {
                // The commit moved this new file in place: take it out again.
                const std::optional<uint32_t> there = fs.statusOf(target);
                if (there && !isFolder(there)) {
                    fs.deleteFile(target);
                }
            }
            if (file.action != JournalAction::Remove) {
                removeIfThere(fs, staged(target));
            }
        });
    }
    for (const std::string& folder : std::views::reverse(journal.folders)) {
        // A folder that holds something not ours (the player put it there meanwhile) stays.
        retrying([&] {
            if (isFolder(fs.statusOf(root + folder))) {
                fs.removeFolder(root + folder);
            }
        });
    }
    // Everything put back must be on the disk before the journal that describes it goes.
    fs.syncVolume(root);
    removeJournal(fs, root);
}

RecoveryResult RecoverInterruptedRun(FileSystem& fs, const std::string& root) {
    try {
        const std::optional<std::string> text = ReadJournalText(fs, root);
        if (!text) {
            // A crash while the first journal was being written leaves only its temporary
            // file; nothing else had changed.
            retrying([&] { removeIfThere(fs, staged(root + std::string(kJournalName))); });
            return RecoveryResult::NothingFound;
        }
        const std::optional<Journal> journal = ParseJournal(*text);
        if (!journal) {
            return RecoveryResult::Damaged;
        }
        if (journal->phase == JournalPhase::Committed) {
            finishRun(fs, root, *journal);
            return RecoveryResult::Completed;
        }
        UndoRun(fs, root, *journal);
        return RecoveryResult::Undone;
    } catch (const std::exception&) {
        return RecoveryResult::Failed;
    }
}

} // namespace qly
