// Finding the game folder at start-up.
#include "update/game_folder.h"
#include "update/update_run.h"
#include "window/form1.h"

namespace qly {

std::string RegReadString(Registry& registry, const std::string& subKey,
                          const std::string& valueName, const std::string& defaultValue) {
    try {
        return registry.readString(subKey, valueName).value_or(defaultValue);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

std::string BrowseFolder(Shell& shell, const LanguageState& lang) {
    try {
        return shell.browseForFolder(lang.LangText("podaj folder"), lang.LangCharset);
    } catch (const std::exception&) {
        return {};
    }
}

void Form1::FindGameFolder() {
    StandAlone([&] { Command1.setEnabled(false); });
    GameLocation found;
    StandAlone([&] { found = LocateGame(registry_, files_, options_.dir); });
    DestPatch = found.folder;
    status = found.status;
    logEvent(DescribeGameLocation(found));
    // Only a folder that holds the game, registered as the full edition or given by the
    // command line, picks its language the safe way; the DEMO edition never does.
    const bool safe = status == 1 && (found.source == GameSource::FullEdition ||
                                      found.source == GameSource::DirSwitch);
    if (safe) {
        StandAlone([&] { PickDefaultLangSafe(); });
    } else {
        StandAlone([&] { PickDefaultLang(); });
    }
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Command1.setFocus(); });
}

} // namespace qly
