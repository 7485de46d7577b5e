// The update run as one transaction over a game folder: its commit, its undo and the recovery
// of a run that a crash cut short. All of them act only on what the journal names, inside the
// folder root (a prefix ending with "\"), never through a link below it, and only on files
// they can prove are the run's (by the identities the journal records); all of them are safe
// to run again after being cut short themselves: each step looks at what is there first.
#pragma once

#include "engine/journal.h"
#include "platform/file_system.h"
#include "platform/message_loop.h"

#include <memory>
#include <string>
#include <vector>

namespace qly {

// A step that fails (a file held for a moment by a virus scanner, say) is tried again with
// pauses of loop's sleep in between, about two seconds in all, before the failure is final;
// without a loop it is tried again at once.

// Puts every staged file of journal in place, in the journal's order (old files kept as
// backups, files and emptied folders to remove moved aside, folders made in the stage moved
// where a removed file stood and held from then on), makes that durable, marks the run
// committed and then removes the backups and the journal. Throws Error while the run is not yet
// committed: the caller then undoes it. After the commit point nothing is thrown; what could not be
// cleaned up is left to recovery. holds are the run's folders kept open meanwhile; they are let go
// before the clean-up.
void CommitRun(FileSystem& fs, const std::string& root, Journal& journal,
               std::vector<std::unique_ptr<FolderHold>>& holds, MessageLoop* loop = nullptr);
void CommitRun(FileSystem& fs, const std::string& root, Journal& journal,
               MessageLoop* loop = nullptr);

// Undoes what the journal's run may have done, going back through its records from the last:
// staged files removed, files and folders that the commit added removed (a folder only when
// empty), backups put back under the old file's or folder's own name, created folders removed
// when empty, then the journal and the stage. Each step is tried again when it fails; throws Error
// naming the file when one keeps failing or a path passes through a link (the journal then
// stays, so that the next start can finish the undo).
void UndoRun(FileSystem& fs, const std::string& root, const Journal& journal,
             MessageLoop* loop = nullptr);

enum class RecoveryResult {
    NothingFound, // no journal: no run was interrupted here
    Undone,       // an interrupted run was undone; the folder is as before that run
    Completed,    // the interrupted run had committed; only its clean-up was finished
    Failed,       // the undo could not be finished; the journal stays for the next try
    Damaged,      // the journal cannot be trusted; nothing was touched
};

// Looks for the journals of interrupted runs on root and undoes each run (or finishes its
// clean-up when it had committed). Without a place, the journals are those in the run folders
// in root; with one (a folder ending with "\\" that only administrators can write, see
// Journal::place), only those kept there count and nothing else in root is acted on, apart
// from removing empty run folders. A journal of the previous format, one that does not parse,
// or one naming a path through a link is Damaged and left alone. Every other failure is
// answered as Failed.
RecoveryResult RecoverInterruptedRun(FileSystem& fs, const std::string& root,
                                     MessageLoop* loop = nullptr, const std::string& place = {});

// True when RecoverInterruptedRun(fs, root, loop, place) has something to say: a journal of
// an interrupted run (in place when given; else in root, the previous format's included).
bool HasInterruptedRun(FileSystem& fs, const std::string& root, const std::string& place = {});

// The journals in root (relative paths) that a run keeping its journals in a protected place
// never acts on: the previous format's, and any journal in a run folder. For the log.
std::vector<std::string> UntrustedJournals(FileSystem& fs, const std::string& root);

} // namespace qly
