#include "linux_front/prefix_run.h"

#include "common/ascii_case.h"
#include "languages/language_keys.h"
#include "linux_front/terminal_text_area.h"
#include "update/support_log.h"
#include "update/unattended_run.h"

#include <memory>

namespace qly {

void InterruptibleLoop::yield() {
    inner_.yield();
    if (!stopped_ && interrupted_()) {
        stopped_ = true;
        if (stop_) {
            stop_();
        }
    }
}

bool IsYes(const std::string& utf8Answer) {
    std::string word;
    for (char c : utf8Answer) {
        if (c != ' ' && c != '\t') {
            word += AsciiLower(c);
        }
    }
    for (const char* yes : {"y", "yes", "t", "tak", "j", "ja", "\xD0\xB4", "\xD0\xB4\xD0\xB0",
                            "\xD0\x94", "\xD0\x94\xD0\xB0", "\xD0\x94\xD0\x90"}) {
        if (word == yes) {
            return true;
        }
    }
    return false;
}

namespace {

// Asks on the terminal, in the language in force, before the game in run.DestPatch changes;
// true for a yes (logged either way).
bool askedYes(Terminal& terminal, const UpdateRun& run, const PrefixRunOptions& options) {
    const LanguageState& lang = run.language();
    terminal.write("\n" + run.DestPatch + "\n");
    terminal.write(options.toUtf8(LangTextOrBuiltIn(lang, "pytanie"), lang.LangCharset) + " ");
    const std::optional<std::string> answer = terminal.readLine();
    const bool yes = answer && IsYes(*answer) && !terminal.interrupted();
    if (!answer) {
        terminal.write("\n");
    }
    if (!yes) {
        terminal.write(options.toUtf8(LangTextOrBuiltIn(lang, "bez zmian"), lang.LangCharset) +
                       "\n");
    }
    if (options.log) {
        options.log(yes ? "answer: yes" : "answer: no; nothing installed");
    }
    return yes;
}

} // namespace

ExitCode RunInPrefix(const PrefixRunServices& services, PrefixRunOptions options) {
    const auto log = [&options](const std::string& line) {
        if (options.log) {
            options.log(line);
        }
    };
    options.run.unattended = options.yes;
    const UnattendedRun* asking = nullptr;
    if (!options.yes) {
        // Recovery changes the game folder too: it is said and asked for first.
        options.run.confirmRecovery = [&services, &options, &asking] {
            const UpdateRun& run = asking->run();
            const LanguageState& lang = run.language();
            services.terminal.write(
                "\n" + run.DestPatch + "\n" +
                options.toUtf8(LangTextOrBuiltIn(lang, "odzyskanie"), lang.LangCharset) + " ");
            const std::optional<std::string> answer = services.terminal.readLine();
            if (!answer) {
                services.terminal.write("\n");
            }
            const bool yes = answer && IsYes(*answer) && !services.terminal.interrupted();
            if (!yes) {
                services.terminal.write(
                    options.toUtf8(LangTextOrBuiltIn(lang, "bez zmian"), lang.LangCharset) + "\n");
            }
            return yes;
        };
    }

    const UnattendedRun* running = nullptr;
    TerminalTextArea shown(
        services.terminal, options.toUtf8,
        [&running]() -> std::optional<CopyProgress> {
            const classCopySys* engine = running ? running->run().engine() : nullptr;
            if (engine == nullptr) {
                return std::nullopt;
            }
            return CopyProgress{engine->TotalCopy, engine->TotalLen.value_or(0)};
        },
        [&services] { return static_cast<int64_t>(services.run.loop.tickCount()); });
    LoggedTextArea logged(shown, log, options.toUtf8, nullptr);
    TextArea& textArea = options.log ? static_cast<TextArea&>(logged) : shown;

    InterruptibleLoop loop(services.run.loop,
                           [&services] { return services.terminal.interrupted(); });
    const RunServices& s = services.run;
    UnattendedRun unattended(RunServices{s.files, s.profile, s.registry, s.versions, s.locale, loop,
                                         s.process, s.hashes, s.folderLocks, s.elevation,
                                         s.journalPlaces, s.localPath},
                             services.shell, textArea, options.run, options.log);
    running = &unattended;
    asking = &unattended;
    const UpdateRun& run = unattended.run();
    // A stop is what closing the window during the run does: the copy stops and is undone,
    // and what the run says after it (its failure) is no longer shown.
    loop.onStop([&unattended, &shown] {
        shown.mute();
        unattended.Finish();
    });

    const auto finish = [&](ExitCode code) {
        shown.endProgressLine();
        log(OutcomeLine(code, run.bytesCopied()));
        return code;
    };
    const auto say = [&](const char* key) {
        const LanguageState& lang = run.language();
        shown.endProgressLine();
        services.terminal.write(options.toUtf8(LangTextOrBuiltIn(lang, key), lang.LangCharset) +
                                "\n");
    };

    if (!unattended.Start()) {
        return finish(ExitCode::CouldNotStart);
    }
    if (run.gameFolderRefused()) {
        // Another run holds the folder (exit 1), or the user declined its recovery (exit 2).
        return finish(ExitCodeOf(run.outcome()));
    }
    if (services.terminal.interrupted()) {
        return finish(ExitCode::ClosedBeforeInstalling);
    }
    if (!options.yes && run.status == 1 && !askedYes(services.terminal, run, options)) {
        return finish(ExitCode::ClosedBeforeInstalling);
    }
    if (options.yes && run.status == 1) {
        // Not asked, but still told where the patch goes.
        services.terminal.write("\n" + run.DestPatch + "\n");
    }

    unattended.Run();
    const RunOutcome outcome = run.outcome();
    if (loop.stopped() && outcome == RunOutcome::RecoveryFailed) {
        // The stop's undo could not finish: the game folder is not as before, whatever the key
        // meant, and the next start must finish the undo.
        log("stopped by the interrupt key; the undo could not finish");
        say("przerwano bez cofniecia");
        return finish(ExitCodeOf(outcome));
    }
    if (loop.stopped() && outcome != RunOutcome::Installed) {
        log("stopped by the interrupt key; the run was undone");
        say("przerwano");
        return finish(ExitCode::ClosedBeforeInstalling);
    }
    unattended.Finish(); // what the window's exit button does at the end of its run
    return finish(ExitCodeOf(outcome));
}

} // namespace qly
