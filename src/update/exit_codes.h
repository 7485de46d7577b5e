// How an installer run ended, and the exit code each ending gives. Every front end (the
// window, the unattended run, the Linux program) ends with a code from this one table, so
// that a script reads the same number whichever of them ran.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qly {

enum class ExitCode : int32_t {
    Installed = 0,
    CouldNotStart = 1,
    ClosedBeforeInstalling = 2,
    GameNotFound = 3,
    NotEnoughSpace = 4,
    InstallFailed = 5,
    VersionMismatch = 6,
    RecoveryFailed = 7,
};

// Where an update run stands when the program ends.
enum class RunOutcome {
    NotRun,          // nothing was installed: closed before the run, or during it and undone
    Installed,       // every file of the patch is in place
    GameNotFound,    // no game folder was known and none was chosen
    NotEnoughSpace,  // the game's drive lacks the room; nothing was copied
    Failed,          // the copy failed; the game was left as it was
    VersionMismatch, // the game is not the version the patch is for; nothing was changed
    RecoveryFailed,  // an interrupted earlier run could not be undone
    CouldNotStart,   // no patch tree (update\), or another run holds the game folder
};

struct ExitCodeRow {
    ExitCode code;
    std::optional<RunOutcome> outcome; // the run's ending that gives it
    std::string_view meaning;          // one line, for the usage text and the log
};

// Every exit code with its meaning, in ascending order.
std::span<const ExitCodeRow> ExitCodes();

// The meaning of code in the table.
std::string_view ExitCodeMeaning(ExitCode code);

// The code of outcome in the table.
ExitCode ExitCodeOf(RunOutcome outcome);

// The outcome that an engine result (ErrorCode: bytes, -1 failure, -2 no space) stands for.
RunOutcome OutcomeOfCopy(int32_t errorCode);

} // namespace qly
