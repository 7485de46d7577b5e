#include "update/exit_codes.h"

#include <array>

namespace qly {

namespace {

constexpr std::array kExitCodes{
    ExitCodeRow{ExitCode::Installed, "the patch was installed"},
    ExitCodeRow{ExitCode::CouldNotStart,
                "the installer could not start: incomplete bundle, unknown switch"},
    ExitCodeRow{ExitCode::ClosedBeforeInstalling,
                "the user closed the installer before installing"},
    ExitCodeRow{ExitCode::GameNotFound, "the game was not found (and no folder was chosen)"},
    ExitCodeRow{ExitCode::NotEnoughSpace, "not enough free space"},
    ExitCodeRow{ExitCode::InstallFailed, "the installation failed; the game was left as it was"},
    ExitCodeRow{ExitCode::VersionMismatch,
                "the game's version does not match the patch; nothing was changed"},
    ExitCodeRow{ExitCode::RecoveryFailed,
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
    switch (outcome) {
    case RunOutcome::Installed:
        return ExitCode::Installed;
    case RunOutcome::NotRun:
        return ExitCode::ClosedBeforeInstalling;
    case RunOutcome::GameNotFound:
        return ExitCode::GameNotFound;
    case RunOutcome::NotEnoughSpace:
        return ExitCode::NotEnoughSpace;
    case RunOutcome::Failed:
        return ExitCode::InstallFailed;
    case RunOutcome::VersionMismatch:
        return ExitCode::VersionMismatch;
    case RunOutcome::RecoveryFailed:
        return ExitCode::RecoveryFailed;
    }
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
