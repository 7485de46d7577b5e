// "Update Now!": the window's side of the update run, and the progress display.
#include "languages/language_keys.h"
#include "update/command_switches.h"
#include "update/elevation_step.h"
#include "update/failure_text.h"
#include "update/game_folder.h"
#include "update/game_folder_lock.h"
#include "update/update_run.h"
#include "window/form1.h"

namespace qly {

void Form1::Command1_Click() {
    if (unloaded_ || busy != 0) {
        return;
    }
    busy = -1;
    if (etap == 1) {
        // After the run the button is the exit button. busy stays set: the window is gone.
        UnloadWindow();
        return;
    }
    RunUpdate();
    busy = 0;
}

void Form1::RunUpdate() {
    StandAlone([&] { Command1.setEnabled(false); });
    // The selector stays off for the whole run: a switch in its middle would clear the area
    // and show the message of a finished run before anything was copied.
    StandAlone([&] { Combo1.setEnabled(false); });
    etap = 1;
    UpdateRun run(RunState{DestPatch, status, etap, ErrorCode}, TextScroll1, lang_, files_, loop_,
                  *this);
    run.Run();
    // The run's changes are done (or undone): the folder is free for another run.
    ReleaseGameFolder();
    outcome_ = run.outcome();
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Combo1.setEnabled(true); });
    StandAlone([&] { Command1.setCaption(lang_.LangText("wyjdz")); });
    StandAlone([&] { Command1.setFocus(); });
}

bool Form1::canAskForFolder() const {
    return !options_.unattended;
}

std::string Form1::askForFolder() {
    return BrowseFolder(shell_, lang_);
}

void Form1::copyStarting() {
    Combo1.setEnabled(false);
}

void Form1::updateFiles() {
    UpdateFiles();
}

bool Form1::recoverInterruptedRun() {
    return RecoverGameFolder();
}

std::optional<CopyFailure> Form1::lastCopyFailure() const {
    return lastFailure_;
}

void Form1::showFailure() {
    ShowFailure();
}

void Form1::ShowFailure() {
    if (versionRefused_) {
        StandAlone([&] { RefusedGameVersion(); });
        return;
    }
    StandAlone([&] { TextScroll1.Tekst(lang_.LangText("error")); });
    StandAlone([&] {
        if (lastFailure_) {
            const std::string line = FailureLine(lang_, locale_, *lastFailure_);
            if (!line.empty()) {
                TextScroll1.Tekst(line);
            }
        }
    });
}

bool Form1::EnsureRights() {
    if (elevation_ == nullptr || DestPatch.empty()) {
        return true;
    }
    const std::string langCode = LastLangIndex > 0 ? lang_.LangCodes[LastLangIndex - 1] : "";
    const ElevationResult result = EnsureRightsFor(
        *elevation_, DestPatch, ElevatedArguments(process_.commandLine(), DestPatch, langCode),
        [this](const std::string& line) { logEvent(line); });
    switch (result.kind) {
    case ElevationResult::Kind::NotNeeded:
        return true;
    case ElevationResult::Kind::HandedOver:
        handedOverExit_ = result.exitCode;
        return false;
    case ElevationResult::Kind::Refused:
        rightsRefused_ = true;
        outcome_ = RunOutcome::CouldNotStart;
        StandAlone([&] {
            TextScroll1.Tekst(LangTextWithArguments(lang_, "brak uprawnien", {DestPatch}));
        });
        return false;
    }
    return false;
}

bool Form1::LockGameFolder() {
    if (rightsRefused_ || handedOverExit_) {
        return false;
    }
    if (folderLock_ && lockedFolder_ == DestPatch) {
        return true;
    }
    // A folder without the game is never changed (the run asks for another one, or ends):
    // nothing to guard, and no rights to ask for.
    if (!HoldsGame(files_, DestPatch)) {
        return true;
    }
    if (!EnsureRights()) {
        return false;
    }
    if (folderLocks_ == nullptr) {
        return true;
    }
    folderLock_.reset();
    std::string refusal = "lock: another update of " + DestPatch + " is running";
    try {
        folderLock_ = WaitForFolderLock(*folderLocks_, loop_, DestPatch);
    } catch (const std::exception& e) {
        refusal = std::string("lock: ") + e.what();
    }
    lockRefused_ = !folderLock_;
    if (lockRefused_) {
        outcome_ = RunOutcome::CouldNotStart; // also when the window is closed after this
        logEvent(refusal + "; nothing was changed");
        StandAlone([&] { TextScroll1.Tekst(LangTextOrBuiltIn(lang_, "inna aktualizacja")); });
        return false;
    }
    lockedFolder_ = DestPatch;
    logEvent("lock: " + DestPatch + " is this run's until it has changed it");
    return true;
}

bool Form1::RecoverGameFolder() {
    if (DestPatch.empty()) {
        return true;
    }
    if (!LockGameFolder()) {
        return false;
    }
    const std::string journal = DestPatch + "\\" + std::string(kJournalName);
    if (options_.confirmRecovery &&
        (files_.exists(journal) || files_.exists(journal + std::string(kStagedSuffix))) &&
        !options_.confirmRecovery()) {
        recoveryDeclined_ = true;
        logEvent("recovery: the user declined; the game folder was left as it is");
        return false;
    }
    const RecoveryResult result = RecoverInterruptedRun(files_, DestPatch + "\\");
    logEvent(DescribeRecovery(result));
    const std::string line = RecoveryLine(lang_, result);
    if (!line.empty()) {
        TextScroll1.Tekst(line);
    }
    // Until the update starts nothing changes here: the folder keeps nothing of ours meanwhile.
    ReleaseGameFolder();
    return true;
}

void Form1::ReleaseGameFolder() {
    if (folderLock_) {
        folderLock_.reset();
        logEvent("lock: " + lockedFolder_ + " released");
        lockedFolder_.clear();
    }
}

bool Form1::closed() const {
    return unloaded_;
}

void Form1::logEvent(const std::string& line) {
    if (options_.log) {
        StandAlone([&] { options_.log(line); });
    }
}

void Form1::CopySys_CopyState(int16_t procent, int64_t& /*TotalBytes*/,
                              int64_t& /*TotalCopyBytes*/) {
    if (unloaded_) {
        return;
    }
    StandAlone([&] {
        if (HidesProgress(process_.commandLine())) {
            return;
        }
        StandAlone([&] { TextScroll1.Bar(procent); });
        StandAlone([&] {
            const std::string number = std::to_string(procent);
            window.setCaption((procent < 0 ? "" : " ") + number + "% QLY!");
        });
        StandAlone([&] { window.setTaskbarProgress(procent); });
    });
}

} // namespace qly
