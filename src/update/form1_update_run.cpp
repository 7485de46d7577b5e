// "Update Now!": the update run, the folder loop and the progress display.
#include "languages/message_lines.h"
#include "update/failure_text.h"
#include "update/game_folder.h"
#include "window/form1.h"
#include "window/wait.h"

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
    StandAlone([&] { TextScroll1.Tekst(" "); });
    if (status == 1) {
        StandAlone([&] { CopyStep(false); });
    }
    if (status == 0) {
        StandAlone([&] { ShowMessageLines(lang_, TextScroll1, "neg"); });
    }
    if (status == 2) {
        StandAlone([&] { AskForFolder(); });
    }
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Combo1.setEnabled(true); });
    StandAlone([&] { Command1.setCaption(lang_.LangText("wyjdz")); });
    StandAlone([&] { Command1.setFocus(); });
}

void Form1::CopyStep(bool blankLineFirst) {
    StandAlone([&] { Combo1.setEnabled(false); });
    if (blankLineFirst) {
        StandAlone([&] { TextScroll1.Tekst(" "); });
    }
    StandAlone([&] { UpdateFiles(); });
    if (ErrorCode >= 0) {
        StandAlone([&] { ShowMessageLines(lang_, TextScroll1, "poz"); });
    }
    if (ErrorCode == -1) {
        StandAlone([&] { ShowFailure(); });
    }
    if (ErrorCode == -2) {
        StandAlone([&] { TextScroll1.Tekst(lang_.LangText("brak miejsca")); });
    }
}

void Form1::AskForFolder() {
    StandAlone([&] { TextScroll1.Tekst(lang_.LangText("nie moge znalezc")); });
    StandAlone([&] { TextScroll1.Tekst(lang_.LangText("podaj folder")); });
    StandAlone([&] { Wait(loop_, 1000); });
    DestPatch.clear();
    // A folder without the game is refused without a word: the browser opens again.
    while (DestPatch.empty() && !unloaded_) {
        DestPatch = BrowseFolder(shell_, lang_);
        if (DestPatch.empty()) {
            etap = 1;
            status = 0;
            StandAlone([&] { TextScroll1.Tekst(" "); });
            StandAlone([&] { ShowMessageLines(lang_, TextScroll1, "neg"); });
            break;
        }
        // A drive root comes back with its separator; the copy adds one of its own.
        if (DestPatch.back() == '\\' || DestPatch.back() == '/') {
            DestPatch.pop_back();
        }
        if (!HoldsGame(DestPatch)) {
            DestPatch.clear();
        } else {
            StandAlone([&] { RecoverGameFolder(); });
            CopyStep(true);
        }
    }
}

void Form1::ShowFailure() {
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

void Form1::RecoverGameFolder() {
    if (DestPatch.empty()) {
        return;
    }
    const std::string line = RecoveryLine(lang_, RecoverInterruptedRun(files_, DestPatch + "\\"));
    if (!line.empty()) {
        TextScroll1.Tekst(line);
    }
}

void Form1::CopySys_CopyState(int16_t procent, int64_t& /*TotalBytes*/,
                              int64_t& /*TotalCopyBytes*/) {
    if (unloaded_) {
        return;
    }
    StandAlone([&] {
        // Exactly this one argument switches the display off.
        if (process_.commandLine() == "-reset") {
            return;
        }
        StandAlone([&] { TextScroll1.Bar(procent); });
        StandAlone([&] {
            const std::string number = std::to_string(procent);
            window.setCaption((procent < 0 ? "" : " ") + number + "% QLY!");
        });
    });
}

} // namespace qly
