// The journal of an update run: a small text file in the run's own folder inside the game
// folder (the stage, created new by the run), or for a run with administrator rights in a
// folder only administrators can write (see platform/journal_place.h), that names everything the
// run may have changed, so that the run can be undone after a failure, a stop or a crash. It is
// rewritten whole (through a temporary file and one durable rename) at each step of the run, so a
// crash leaves either the old or the new journal, never a mixture.
//
// Format, version 2, UTF-8, one record a line:
//   qlypatch journal 2
//   phase staging|commit|committed
//   stage <name>                    the run's own folder in the game folder
//   folder <path>                   a folder the run created (parents before children)
//   file new|old <old> <new> <path> a file the run stages; "old" when one was there before
//   remove <old> <new> <path>       a file the run removes (kept as backup until the run ends)
//   make-folder <old> <new> <path>  a folder the commit puts where a file it removed stood
//   remove-folder <old> <new> <path> a folder the commit removes, emptied by the records before
//   was <path>                      after a file line: the old file's own spelling of its name
// <old> and <new> are the identities ("volume.file", or "-" while unknown) of the file that
// was there and of the one the run puts there: recovery touches only a file it can prove is
// one of these. Paths are relative to the game folder, with "\" separators. The N-th file
// record is staged as <stage>\N.new and kept as backup as <stage>\N.old, so no name of the
// run's can meet a name of the game's or the patch's. A folder record's folder is staged and
// kept the same way (created empty in the stage, or moved there empty), so that it too is
// known by its identity. The commit goes through the records in order and an undo goes back
// through them in reverse: a file's place is cleared before a folder goes there, and a folder
// is emptied before it goes.
#pragma once

#include "platform/file_system.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

enum class JournalPhase {
    Staging,   // files are being written under temporary names; nothing old was touched
    Commit,    // staged files are being put in place, old ones kept as backups
    Committed, // every file is in place; only backups and the journal remain to remove
};

enum class JournalAction {
    New,          // the run puts a file where there was none
    Replace,      // the run puts a file in place of one that was there, kept as backup meanwhile
    Remove,       // the run removes the file, kept as backup meanwhile
    MakeFolder,   // the commit moves a folder made in the stage to where there was none
    RemoveFolder, // the commit moves an emptied folder into the stage, kept there meanwhile
};

// True for the two folder actions.
constexpr bool IsFolderAction(JournalAction action) {
    return action == JournalAction::MakeFolder || action == JournalAction::RemoveFolder;
}
// True for the actions that take away what stood at the path (kept as backup meanwhile).
constexpr bool TakesOld(JournalAction action) {
    return action == JournalAction::Replace || action == JournalAction::Remove ||
           action == JournalAction::RemoveFolder;
}
// True for the actions that put something staged at the path.
constexpr bool PutsStaged(JournalAction action) {
    return action == JournalAction::New || action == JournalAction::Replace ||
           action == JournalAction::MakeFolder;
}

struct JournalFile {
    std::string path;
    JournalAction action = JournalAction::New;
    std::string original; // the old file's name as it stood (letter case); empty: as path
    std::optional<FileIdentity> oldFile; // the file that stood at path (Replace, Remove)
    std::optional<FileIdentity> newFile; // the staged file, once the commit began
};

struct Journal {
    JournalPhase phase = JournalPhase::Staging;
    std::string stage; // the run's own folder, directly in the game folder
    std::vector<std::string> folders;
    std::vector<JournalFile> files;
    // Where the journal is kept; not written in it. Empty: in the stage, as kJournalName. Else
    // a folder (ending with "\\") that only administrators can write, where the journal is
    // named after its stage (stage + kPlacedJournalSuffix): a standard user who may write the
    // game folder can then neither write nor remove a journal an elevated run acts on.
    std::string place;
};

// The journal's name inside the stage. The previous release kept a journal of another format
// under kOldJournalName directly in the game folder; it is reported, never acted on.
inline constexpr std::string_view kJournalName = "journal";
inline constexpr std::string_view kOldJournalName = "qlypatch.journal";
// The journal's name in a protected place after its stage's name.
inline constexpr std::string_view kPlacedJournalSuffix = ".journal";
// Stages are named kStagePrefix followed by a number.
inline constexpr std::string_view kStagePrefix = "qlypatch-stage-";
// Suffixes of a staged copy and of a backup inside the stage.
inline constexpr std::string_view kStagedSuffix = ".new";
inline constexpr std::string_view kBackupSuffix = ".old";

// True for a name kStagePrefix and a number make (letter case ignored, as Windows does).
bool IsStageName(std::string_view name);
// Where the journal's file number index is staged, and where its old file is kept, under root.
std::string StagedPath(const std::string& root, const Journal& journal, std::size_t index);
std::string BackupPath(const std::string& root, const Journal& journal, std::size_t index);
// Where the journal of the run under root is kept: in its stage, or in its place.
std::string JournalPath(const std::string& root, const Journal& journal);

std::string FormatJournal(const Journal& journal);
// The journal in text, or nothing when it is damaged: an unknown version or record, no stage,
// a path that is empty, absolute, has a drive or stream colon, a "." or ".." part or a control
// character. A damaged journal is never acted on.
std::optional<Journal> ParseJournal(std::string_view text);
// True for a path the journal may name: relative, inside the folder, plain characters.
bool IsSafeRelativePath(std::string_view path);

// Writes the journal durably to JournalPath(root, journal) (root a folder prefix ending with
// "\"). Throws Error.
void WriteJournal(FileSystem& fs, const std::string& root, const Journal& journal);
// The text of the journal at path, or nothing when there is none. Throws Error when it is
// there but cannot be read.
std::optional<std::string> ReadJournalText(FileSystem& fs, const std::string& path);

} // namespace qly
