// The journal of an update run: a small text file in the game folder that names everything the
// run may have changed there, so that the run can be undone after a failure, a stop or a
// crash. It is rewritten whole (through a temporary file and one durable rename) at each step
// of the run, so a crash leaves either the old or the new journal, never a mixture.
//
// Format, version 1, UTF-8, one record a line:
//   qlypatch journal 1
//   phase staging|commit|committed
//   folder <path>         a folder the run created (parents before children)
//   file new|old <path>   a file the run stages; "old" when one was there before
//   remove <path>         a file the run removes (kept as backup until the run is over)
// Paths are relative to the game folder, with "\" separators.
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
    New,     // the run puts a file where there was none
    Replace, // the run puts a file in place of one that was there, kept as backup meanwhile
    Remove,  // the run removes the file, kept as backup meanwhile
};

struct JournalFile {
    std::string path;
    JournalAction action = JournalAction::New;
};

struct Journal {
    JournalPhase phase = JournalPhase::Staging;
    std::vector<std::string> folders;
    std::vector<JournalFile> files;
};

inline constexpr std::string_view kJournalName = "qlypatch.journal";
// Names the run gives its own files beside the game's: the staged copy and the backup.
inline constexpr std::string_view kStagedSuffix = ".qlytmp";
inline constexpr std::string_view kBackupSuffix = ".qlybak";

std::string FormatJournal(const Journal& journal);
// The journal in text, or nothing when it is damaged: an unknown version or record, a path
// that is empty, absolute, has a drive or stream colon, a "." or ".." part or a control
// character. A damaged journal is never acted on.
std::optional<Journal> ParseJournal(std::string_view text);
// True for a path the journal may name: relative, inside the folder, plain characters.
bool IsSafeRelativePath(std::string_view path);

// Writes the journal into root (a folder prefix ending with "\") durably. Throws Error.
void WriteJournal(FileSystem& fs, const std::string& root, const Journal& journal);
// The journal's text in root, or nothing when there is none. Throws Error when it is there
// but cannot be read.
std::optional<std::string> ReadJournalText(FileSystem& fs, const std::string& root);

} // namespace qly
