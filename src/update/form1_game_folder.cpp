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
    StandAlone([&] { found = LocateGame(registry_, options_.dir); });
    DestPatch = found.folder;
    const auto testFolder = [&] {
        status = found.source == GameSource::None ? 0 : (HoldsGame(files_, DestPatch) ? 1 : 2);
        found.status = status;
        logEvent(DescribeGameLocation(found));
    };
    if (found.source == GameSource::FullEdition || found.source == GameSource::DirSwitch) {
        testFolder();
        // Only a folder that holds the game picks its language the safe way.
        if (status == 1) {
            StandAlone([&] { PickDefaultLangSafe(); });
        } else {
            StandAlone([&] { PickDefaultLang(); });
        }
    } else {
        // The DEMO edition picks its language before the game test, and never the safe way.
        StandAlone([&] { PickDefaultLang(); });
        testFolder();
    }
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Command1.setFocus(); });
}

} // namespace qly
