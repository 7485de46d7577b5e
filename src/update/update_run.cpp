#include "update/update_run.h"

#include "common/stand_alone.h"
#include "languages/message_lines.h"
#include "update/game_folder.h"
#include "window/wait.h"

namespace qly {

bool HoldsGame(FileSystem& files, const std::string& folder) {
    try {
        return files.fileExists(folder + kGameProgram);
    } catch (const std::exception&) {
        return false;
    }
}

GameLocation LocateGame(Registry& registry, const std::optional<std::string>& dir) {
    GameLocation found;
    if (dir) {
        found.folder = *dir;
        found.source = GameSource::DirSwitch;
        // A folder given as "C:\Games\Quillory\" or a drive root "E:\": the copy adds its own.
        if (!found.folder.empty() && (found.folder.back() == '\\' || found.folder.back() == '/')) {
            found.folder.pop_back();
        }
    } else {
        found.folder = RegReadString(registry, kFullEditionKey, kInstallPathValue, "");
        found.source = GameSource::FullEdition;
        if (found.folder.empty()) {
            found.folder = RegReadString(registry, kDemoEditionKey, kInstallPathValue, "");
            found.source = GameSource::DemoEdition;
            if (!found.folder.empty()) {
                found.folder += kDemoSubfolder;
            }
        }
        found.registryView = registry.lastView();
    }
    if (found.folder.empty() && found.source != GameSource::DirSwitch) {
        found.source = GameSource::None;
        found.registryView.clear();
    }
    return found;
}

std::string DescribeGameLocation(const GameLocation& location) {
    std::string from;
    switch (location.source) {
    case GameSource::None:
        return "game folder: not registered";
    case GameSource::FullEdition:
        from = "registry, full edition";
        break;
    case GameSource::DemoEdition:
        from = "registry, DEMO edition";
        break;
    case GameSource::DirSwitch:
        from = "/DIR";
        break;
    case GameSource::Browser:
        from = "folder browser";
        break;
    }
    if (!location.registryView.empty()) {
        from += ", " + location.registryView + " view";
    }
    return "game folder: " + location.folder + " (" + from + ")" +
           (location.status == 1 ? "" : ", no main.exe in it");
}

std::string DescribeRecovery(RecoveryResult result) {
    switch (result) {
    case RecoveryResult::NothingFound:
        return "recovery: no interrupted run in the game folder";
    case RecoveryResult::Undone:
        return "recovery: an interrupted run was undone; the game is as before it";
    case RecoveryResult::Completed:
        return "recovery: an interrupted run had finished; its clean-up was completed";
    case RecoveryResult::Failed:
        return "recovery: an interrupted run could not be undone; the journal stays";
    case RecoveryResult::Damaged:
        return "recovery: the journal of an interrupted run is damaged; nothing was touched";
    }
    return "recovery: unknown result";
}

std::string DescribeCopyFailure(const std::optional<CopyFailure>& failure) {
    if (!failure) {
        return "reason unknown";
    }
    if (failure->stopped) {
        return "stopped";
    }
    std::string reason;
    switch (failure->kind) {
    case FailureKind::InUse:
        reason = "in use by another program";
        break;
    case FailureKind::AccessDenied:
        reason = "access denied";
        break;
    case FailureKind::ReadOnly:
        reason = "read-only";
        break;
    case FailureKind::DiskFull:
        reason = "disk full";
        break;
    case FailureKind::Vanished:
        reason = "not there";
        break;
    case FailureKind::InTheWay:
        reason = "a file or folder in the way";
        break;
    case FailureKind::Damaged:
        reason = "damaged: not the file the patch lists";
        break;
    case FailureKind::Link:
        reason = "a link or junction to somewhere else; nothing was changed";
        break;
    case FailureKind::Other:
        reason = "failed";
        break;
    }
    std::string line = (failure->path.empty() ? "" : failure->path + ": ") + reason;
    if (failure->systemCode != 0) {
        line += " (system error " + std::to_string(failure->systemCode) + ")";
    }
    if (!failure->undone) {
        line += "; an undo could not finish, the journal stays in the game folder";
    }
    return line;
}

UpdateRun::UpdateRun(RunState state, TextArea& text, const LanguageState& lang, FileSystem& files,
                     MessageLoop& loop, RunFrontEnd& frontEnd)
    : state_(state), text_(text), lang_(lang), files_(files), loop_(loop), frontEnd_(frontEnd) {}

void UpdateRun::Line(const std::string& text) {
    StandAloneStep([&] { text_.Tekst(text); });
}

void UpdateRun::Run() {
    frontEnd_.logEvent("run: started");
    Line(" ");
    if (state_.status == 1) {
        StandAloneStep([&] { CopyStep(false); });
    }
    if (state_.status == 0) {
        GameNotFound();
    }
    if (state_.status == 2) {
        StandAloneStep([&] { AskForFolder(); });
    }
}

void UpdateRun::GameNotFound() {
    outcome_ = RunOutcome::GameNotFound;
    StandAloneStep([&] { ShowMessageLines(lang_, text_, "neg"); });
}

void UpdateRun::CopyStep(bool blankLineFirst) {
    StandAloneStep([&] { frontEnd_.copyStarting(); });
    if (blankLineFirst) {
        Line(" ");
    }
    StandAloneStep([&] { frontEnd_.updateFiles(); });
    outcome_ = OutcomeOfCopy(state_.ErrorCode);
    const std::optional<CopyFailure> failure = frontEnd_.lastCopyFailure();
    if (frontEnd_.refusedGameVersion()) {
        outcome_ = RunOutcome::VersionMismatch;
        frontEnd_.logEvent("copy refused: the game is not the version the patch is for");
        return;
    }
    if (failure && !failure->undone) {
        // The run's own undo, or the recovery of an earlier one, could not finish.
        outcome_ = RunOutcome::RecoveryFailed;
    }
    if (state_.ErrorCode >= 0) {
        StandAloneStep([&] { ShowMessageLines(lang_, text_, "poz"); });
    }
    if (state_.ErrorCode == -1) {
        frontEnd_.logEvent("copy failed: " + DescribeCopyFailure(failure));
        StandAloneStep([&] { frontEnd_.showFailure(); });
    }
    if (state_.ErrorCode == -2) {
        Line(lang_.LangText("brak miejsca"));
    }
}

void UpdateRun::AskForFolder() {
    Line(lang_.LangText("nie moge znalezc"));
    if (!frontEnd_.canAskForFolder()) {
        // Nobody to ask: the run ends as if the user had cancelled the browser.
        frontEnd_.logEvent("game folder: not asked for, the run is unattended");
        state_.status = 0;
        Line(" ");
        GameNotFound();
        return;
    }
    Line(lang_.LangText("podaj folder"));
    StandAloneStep([&] { Wait(loop_, 1000); });
    state_.DestPatch.clear();
    // A folder without the game is refused without a word: the browser opens again.
    while (state_.DestPatch.empty() && !frontEnd_.closed()) {
        state_.DestPatch = frontEnd_.askForFolder();
        if (state_.DestPatch.empty()) {
            frontEnd_.logEvent("game folder: the user cancelled the folder browser");
            state_.etap = 1;
            state_.status = 0;
            Line(" ");
            GameNotFound();
            break;
        }
        // A drive root comes back with its separator; the copy adds one of its own.
        if (state_.DestPatch.back() == '\\' || state_.DestPatch.back() == '/') {
            state_.DestPatch.pop_back();
        }
        if (!HoldsGame(files_, state_.DestPatch)) {
            frontEnd_.logEvent("game folder: " + state_.DestPatch +
                               " (folder browser) refused, no main.exe in it");
            state_.DestPatch.clear();
        } else {
            frontEnd_.logEvent(
                DescribeGameLocation({state_.DestPatch, 1, GameSource::Browser, ""}));
            StandAloneStep([&] { frontEnd_.recoverInterruptedRun(); });
            CopyStep(true);
        }
    }
}

} // namespace qly
