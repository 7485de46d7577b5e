#include "linux_front/prefix_run.h"

#include "app/support_log.h"
#include "app/unattended.h"
#include "languages/language_keys.h"
#include "linux_front/terminal_text_area.h"

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
            word += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
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

ExitCode RunInPrefix(const PrefixRunServices& services, PrefixRunOptions options) {
    const auto log = [&options](const std::string& line) {
        if (options.form.log) {
            options.form.log(line);
        }
    };
    options.form.unattended = options.yes;
    const Form1* asking = nullptr;
    if (!options.yes) {
        // Recovery changes the game folder too: it is said and asked for first.
        options.form.confirmRecovery = [&services, &options, &asking] {
            const LanguageState& lang = asking->language();
            services.terminal.write(
                "\n" + asking->DestPatch + "\n" +
                options.toUtf8(LangTextOrBuiltIn(lang, "odzyskanie"), lang.LangCharset) + " ");
            const std::optional<std::string> answer = services.terminal.readLine();
            if (!answer) {
                services.terminal.write("\n");
            }
            return answer && IsYes(*answer) && !services.terminal.interrupted();
        };
    }

    app::UnattendedWindow window(services.form.files);
    app::UnattendedButton command1;
    app::UnattendedButton command2;
    app::UnattendedButton command3;
    app::UnattendedComboBox combo1;
    app::UnattendedImageArea image1;
    app::UnattendedImageArea image2;

    const Form1* running = nullptr;
    TerminalTextArea shown(
        services.terminal, options.toUtf8,
        [&running]() -> std::optional<CopyProgress> {
            const classCopySys* engine = running ? running->copyEngine() : nullptr;
            if (engine == nullptr) {
                return std::nullopt;
            }
            return CopyProgress{engine->TotalCopy, engine->TotalLen.value_or(0)};
        },
        [&services] { return static_cast<int64_t>(services.form.loop.tickCount()); });
    app::LoggedTextArea logged(shown, log, options.toUtf8, nullptr);
    TextArea& textArea = options.form.log ? static_cast<TextArea&>(logged) : shown;

    InterruptibleLoop loop(services.form.loop,
                           [&services] { return services.terminal.interrupted(); });
    Form1 form(
        Form1Controls{window, command1, command2, command3, combo1, textArea, image1, image2},
        Form1Services{services.form.files, services.form.profile, services.form.registry,
                      services.form.shell, services.form.versions, services.form.locale, loop,
                      services.form.process, services.form.hashes, services.form.folderLocks},
        options.form);
    running = &form;
    asking = &form;
    // A stop is what closing the window during the run does: the copy stops and is undone,
    // and what the run says after it (its failure) is no longer shown.
    loop.onStop([&form, &shown] {
        shown.mute();
        form.Form_Unload();
    });

    const auto finish = [&](ExitCode code) {
        shown.endProgressLine();
        log(app::OutcomeLine(code, form.status, form.ErrorCode, window.caption()));
        return code;
    };
    const auto say = [&](const char* key) {
        const LanguageState& lang = form.language();
        shown.endProgressLine();
        services.terminal.write(options.toUtf8(LangTextOrBuiltIn(lang, key), lang.LangCharset) +
                                "\n");
    };

    if (!form.Form_Load()) {
        return finish(ExitCode::CouldNotStart);
    }
    if (form.gameFolderRefused()) {
        // Another run holds the folder (exit 1), or the user declined its recovery (exit 2).
        return finish(ExitCodeOf(form.outcome()));
    }
    if (services.terminal.interrupted()) {
        return finish(ExitCode::ClosedBeforeInstalling);
    }
    if (!options.yes && form.status == 1) {
        services.terminal.write("\n" + form.DestPatch + "\n");
        const LanguageState& lang = form.language();
        services.terminal.write(
            options.toUtf8(LangTextOrBuiltIn(lang, "pytanie"), lang.LangCharset) + " ");
        const std::optional<std::string> answer = services.terminal.readLine();
        if (!answer || !IsYes(*answer) || services.terminal.interrupted()) {
            if (!answer) {
                services.terminal.write("\n");
            }
            log("answer: no; nothing installed");
            return finish(ExitCode::ClosedBeforeInstalling);
        }
        log("answer: yes");
    }

    form.Command1_Click(); // the update run
    const RunOutcome outcome = form.outcome();
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
    form.Command1_Click(); // the exit button: the unload, as at the end of a window's run
    return finish(ExitCodeOf(outcome));
}

} // namespace qly
