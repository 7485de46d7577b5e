// The update run with nobody at a window (/VERYSILENT, the Linux program): the start-up the
// window goes through, without one; what the run says goes to a text area (the support log's,
// the terminal's), and a message loop whose message boxes go to the log instead of waiting
// for a click (/SILENT and /VERYSILENT).
#pragma once

#include "platform/message_loop.h"
#include "platform/shell.h"
#include "textscroll/text_area.h"
#include "update/update_run.h"

#include <functional>
#include <string>
#include <utility>

namespace qly {

using LogWriter = std::function<void(const std::string& line)>;

class UnattendedRun final : private RunFrontEnd {
public:
    // text shows the run's lines and progress; shell asks for the game folder (unless
    // options.unattended) and finds the Favorites folder; log may be empty.
    UnattendedRun(const RunServices& services, Shell& shell, TextArea& text, RunOptions options,
                  LogWriter log);

    // The window's start-up without it: working folder, the skin's presence (a bundle without
    // it is incomplete: the message box says so and false is returned), the engine, the start
    // language, the game folder and the recovery of an interrupted run.
    bool Start();
    // The update run.
    void Run() { run_.Run(); }
    // What the window's unload does: the Favorites shortcut, and a copy in progress stopped.
    // Runs once.
    void Finish();

    const UpdateRun& run() const { return run_; }
    // The caption a window would show now.
    const std::string& caption() const { return caption_; }

private:
    void showLine(const std::string& text) override { text_.Tekst(text); }
    void clear() override { text_.Cls(); }
    void setBar(int16_t percent) override;
    std::string askForFolder(const std::string& prompt, int32_t charset,
                             BrowseStart start) override {
        return shell_.browseForFolder(prompt, charset, start);
    }
    void lockInput(const std::string&, int32_t) override {}
    void unlockInput(bool) override {}
    void log(const std::string& line) override;
    // Switches to catalogue entry i and shows what fits, as the selector would.
    void SwitchLanguage(int16_t i);

    RunServices services_;
    Shell& shell_;
    TextArea& text_;
    LogWriter log_;
    UpdateRun run_;
    std::string caption_;
    std::string linkfavorites_;
    std::string titlefavorites_;
    bool finished_ = false;
};

// The inner loop's services, with every message box written to the log instead of shown.
class LoggingMessageLoop : public MessageLoop {
public:
    LoggingMessageLoop(MessageLoop& inner, LogWriter log) : inner_(inner), log_(std::move(log)) {}
    void yield() override { inner_.yield(); }
    uint32_t tickCount() override { return inner_.tickCount(); }
    void sleep(int ms) override { inner_.sleep(ms); }
    void messageBox(const std::string& text) override { log_("message box: " + text); }

private:
    MessageLoop& inner_;
    LogWriter log_;
};

} // namespace qly
