// The Linux program's side of the update run: the very run of the Windows program, unattended,
// while the terminal shows its lines and progress, asks before anything changes, and turns
// Ctrl+C into a stop that undoes the run.
#pragma once

#include "platform/message_loop.h"
#include "platform/shell.h"
#include "platform/terminal.h"
#include "update/exit_codes.h"
#include "update/unattended_run.h"

#include <functional>
#include <string>

namespace qly {

// The run's services (its message loop is wrapped for the interrupt key), the shell that asks
// for the folder and the terminal.
struct PrefixRunServices {
    RunServices run;
    Shell& shell;
    Terminal& terminal;
};

struct PrefixRunOptions {
    RunOptions run;   // dir and lang; unattended is set from yes
    LogWriter log;    // may be empty
    bool yes = false; // change the game without asking (and never ask for the folder)
    std::function<std::string(const std::string& bytes, int32_t charset)> toUtf8;
};

// A message loop that stops the run once, at the first yield after the interrupt key.
class InterruptibleLoop final : public MessageLoop {
public:
    InterruptibleLoop(MessageLoop& inner, std::function<bool()> interrupted)
        : inner_(inner), interrupted_(std::move(interrupted)) {}
    // What a stop does; set once the run exists.
    void onStop(std::function<void()> stop) { stop_ = std::move(stop); }
    bool stopped() const { return stopped_; }

    void yield() override;
    uint32_t tickCount() override { return inner_.tickCount(); }
    void sleep(int ms) override { inner_.sleep(ms); }
    void messageBox(const std::string& text) override { inner_.messageBox(text); }

private:
    MessageLoop& inner_;
    std::function<bool()> interrupted_;
    std::function<void()> stop_;
    bool stopped_ = false;
};

// True for an answer that says yes in any of the demo languages ("y", "yes", "t", "tak",
// "j", "ja", "д", "да"; any letter case).
bool IsYes(const std::string& utf8Answer);

// Start-up, the question (unless yes), the update run and the unload, as the window goes
// through them; returns the run's exit code from the one table. An interrupt before the run
// changes anything, or one that stopped it, ends with ClosedBeforeInstalling.
ExitCode RunInPrefix(const PrefixRunServices& services, PrefixRunOptions options);

} // namespace qly
