#include "update/unattended_run.h"

#include "common/stand_alone.h"
#include "layout/layout_file.h"
#include "links/favorites_shortcut.h"

namespace qly {

UnattendedRun::UnattendedRun(const RunServices& services, Shell& shell, TextArea& text,
                             RunOptions options, LogWriter log)
    : services_(services), shell_(shell), text_(text), log_(std::move(log)),
      run_(services, std::move(options), *this) {}

bool UnattendedRun::Start() {
    const std::string programFolder = run_.EnterProgramFolder();
    caption_ = run_.identity().title;
    bool skin = false;
    StandAloneStep([&] { skin = FileExists(services_.files, kSkinName); });
    if (!skin) {
        StandAloneStep([&] { services_.loop.messageBox(kSkinMissingText); });
        finished_ = true;
        return false;
    }
    StandAloneStep([&] {
        const LayoutFile layout(services_.profile, LayoutFilePath(programFolder));
        linkfavorites_ = layout.ReadIniString("favorites", "link");
        titlefavorites_ = layout.ReadIniString("favorites", "title");
    });
    StandAloneStep([&] { run_.CreateEngine(); });
    StandAloneStep([&] { run_.LoadLangList(); });
    StandAloneStep([&] { run_.FindGameFolder([this](int16_t i) { SwitchLanguage(i); }); });
    StandAloneStep([&] { run_.RecoverGameFolder(); });
    return true;
}

void UnattendedRun::SwitchLanguage(int16_t i) {
    run_.ReadLanguage(i);
    StandAloneStep([&] { text_.SetFontCharset(run_.language().LangCharset); });
    StandAloneStep([&] { text_.Cls(); });
    StandAloneStep([&] { run_.ShowState(); });
}

void UnattendedRun::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (!linkfavorites_.empty()) {
        MakeFavoritesShortcut(shell_, services_.files, titlefavorites_, linkfavorites_);
    }
    StandAloneStep([&] { run_.Stop(); });
}

void UnattendedRun::setBar(int16_t percent) {
    if (finished_) {
        return;
    }
    StandAloneStep([&] { text_.Bar(percent); });
    caption_ = run_.ProgressCaption(percent);
}

void UnattendedRun::log(const std::string& line) {
    if (log_) {
        StandAloneStep([&] { log_(line); });
    }
}

} // namespace qly
