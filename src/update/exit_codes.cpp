#include "update/exit_codes.h"

#include <array>

namespace qly {

namespace {

constexpr std::array kExitCodes{
    ExitCodeRow{ExitCode::Installed, RunOutcome::Installed, "the patch was installed"},
    ExitCodeRow{ExitCode::CouldNotStart, RunOutcome::CouldNotStart,
                "the installer could not start: incomplete bundle, unknown switch, another "
                "update of the game folder running"},
    ExitCodeRow{ExitCode::ClosedBeforeInstalling, RunOutcome::NotRun,
                "the user closed the installer before installing"},
    ExitCodeRow{ExitCode::GameNotFound, RunOutcome::GameNotFound,
                "the game was not found (and no folder was chosen)"},
    ExitCodeRow{ExitCode::NotEnoughSpace, RunOutcome::NotEnoughSpace, "not enough free space"},
    ExitCodeRow{ExitCode::InstallFailed, RunOutcome::Failed,
                "the installation failed; the game was left as it was"},
    ExitCodeRow{ExitCode::VersionMismatch, RunOutcome::VersionMismatch,
                "the game's version does not match the patch; nothing was changed"},
    ExitCodeRow{ExitCode::RecoveryFailed, RunOutcome::RecoveryFailed,
                "an interrupted earlier run could not be undone; the game folder needs attention"},
};

} // namespace

std::span<const ExitCodeRow> ExitCodes() {
    return kExitCodes;
}

std::string_view ExitCodeMeaning(ExitCode code) {
    for (const ExitCodeRow& row : kExitCodes) {
        if (row.code == code) {
            return row.meaning;
        }
    }
    return "unknown";
}

ExitCode ExitCodeOf(RunOutcome outcome) {
    for (const ExitCodeRow& row : kExitCodes) {
        if (row.outcome == outcome) {
            return row.code;
        }
    }
    // Every outcome has its row; a new one without a row must not pass for a success.
    return ExitCode::InstallFailed;
}

RunOutcome OutcomeOfCopy(int32_t errorCode) {
    if (errorCode >= 0) {
        return RunOutcome::Installed;
    }
    // Any negative figure other than "no space" is a failure, never a success.
    return errorCode == -2 ? RunOutcome::NotEnoughSpace : RunOutcome::Failed;
}

} // namespace qly
