// "Update Now!": the window's side of the update run, and the progress display.
#include "window/form1.h"

namespace qly {

void Form1::FindGameFolder() {
    StandAlone([&] { Command1.setEnabled(false); });
    run_.FindGameFolder([this](int16_t i) { LoadLang(i); });
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Command1.setFocus(); });
}

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
    updating_ = true;
    run_.Run();
    updating_ = false;
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Combo1.setEnabled(true); });
    StandAlone([&] { Command1.setCaption(run_.language().LangText("wyjdz")); });
    StandAlone([&] { Command1.setFocus(); });
}

void Form1::showLine(const std::string& text) {
    TextScroll1.Tekst(text);
}

void Form1::clear() {
    TextScroll1.Cls();
}

void Form1::setBar(int16_t percent) {
    int64_t unused = 0;
    CopySys_CopyState(percent, unused, unused);
}

std::string Form1::askForFolder(const std::string& prompt, int32_t charset, BrowseStart start) {
    return shell_.browseForFolder(prompt, charset, start);
}

void Form1::lockInput(const std::string& reason, int32_t charset) {
    StandAlone([&] { Combo1.setEnabled(false); });
    changingFiles_.emplace(window, reason, charset, ErrorCode);
}

void Form1::unlockInput(bool /*failed: ErrorCode, which the scope reads itself*/) {
    changingFiles_.reset();
}

void Form1::log(const std::string& line) {
    if (options_.log) {
        StandAlone([&] { options_.log(line); });
    }
}

void Form1::CopySys_CopyState(int16_t procent, int64_t& /*TotalBytes*/,
                              int64_t& /*TotalCopyBytes*/) {
    if (unloaded_) {
        return;
    }
    StandAlone([&] { TextScroll1.Bar(procent); });
    StandAlone([&] { window.setCaption(run_.ProgressCaption(procent)); });
    StandAlone([&] { window.setTaskbarProgress(procent); });
}

} // namespace qly
