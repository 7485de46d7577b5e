// Finding the game folder at start-up.
#include "update/game_folder.h"
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

bool Form1::HoldsGame(const std::string& folder) {
    try {
        return files_.fileExists(folder + kGameProgram);
    } catch (const std::exception&) {
        return false;
    }
}

void Form1::FindGameFolder() {
    StandAlone([&] { Command1.setEnabled(false); });
    DestPatch = RegReadString(registry_, kFullEditionKey, kInstallPathValue, "");
    if (DestPatch.empty()) {
        DestPatch = RegReadString(registry_, kDemoEditionKey, kInstallPathValue, "");
        if (!DestPatch.empty()) {
            // The DEMO edition picks its language before the game test, and never the safe way.
            DestPatch += kDemoSubfolder;
            StandAlone([&] { PickDefaultLang(); });
            status = HoldsGame(DestPatch) ? 1 : 2;
        } else {
            StandAlone([&] { PickDefaultLang(); });
            status = 0;
        }
    } else {
        status = HoldsGame(DestPatch) ? 1 : 2;
        if (status == 1) {
            StandAlone([&] { PickDefaultLangSafe(); });
        } else {
            StandAlone([&] { PickDefaultLang(); });
        }
    }
    StandAlone([&] { Command1.setEnabled(true); });
    StandAlone([&] { Command1.setFocus(); });
}

} // namespace qly
