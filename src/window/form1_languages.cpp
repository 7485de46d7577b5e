// The language catalogue in the selector, the load of one language, and the switch.
#include "common/error.h"
#include "window/form1.h"

namespace qly {

void Form1::LoadLangList() {
    for (const LanguageEntry& entry : run_.LoadLangList()) {
        StandAlone([&] { Combo1.addItem(entry.name, entry.charset); });
    }
}

void Form1::LoadLang(int16_t i) {
    const LanguageState& lang = run_.language();
    if (i < 0 || i >= lang.LangCount) {
        throw Error("no language at index " + std::to_string(i));
    }
    const std::string name = lang.LangFiles[i];
    // Selecting by program raises no event: run the switch as a user's choice would. It does
    // nothing when i is already the language in force.
    Combo1.setSelectedIndex(i);
    Combo1_Click();
    if (LastLangIndex != i + 1) {
        throw Error("the language " + name + " could not be switched to");
    }
    run_.ReadLanguage(i);
    StandAlone([&] { TextScroll1.SetFontCharset(lang.LangCharset); });
    StandAlone([&] { Command1.setFontCharset(lang.LangCharset); });
    StandAlone([&] { Command1.setCaption(lang.LangText(etap == 0 ? "instaluj" : "wyjdz")); });
    StandAlone([&] { NameControls(); });
}

void Form1::Combo1_Click() {
    if (unloaded_) {
        return;
    }
    int32_t i = -1;
    try {
        i = Combo1.selectedIndex();
    } catch (const std::exception&) {
        return;
    }
    if (LastLangIndex - 1 == i || i < 0 || i >= run_.language().LangCount) {
        return;
    }
    const int16_t previous = LastLangIndex;
    // Whatever held busy before the switch (start-up) still holds it afterwards.
    const int16_t busyBefore = busy;
    LastLangIndex = static_cast<int16_t>(i + 1);
    busy = -1;
    StandAlone([&] { Combo1.setEnabled(false); });
    try {
        LoadLang(static_cast<int16_t>(i));
    } catch (const std::exception&) {
        // The file went away since the catalogue was built: stay with the language in force.
        LastLangIndex = previous;
        StandAlone([&] { Combo1.setSelectedIndex(previous - 1); });
        StandAlone([&] { Combo1.setEnabled(true); });
        busy = busyBefore;
        return;
    }
    if (busyBefore == 0) {
        log("language: " + run_.language().LangCodes[i] + " (chosen in the selector)");
    }
    StandAlone([&] { TextScroll1.Cls(); });
    StandAlone([&] { run_.ShowState(); });
    StandAlone([&] { Combo1.setEnabled(true); });
    busy = busyBefore;
}

} // namespace qly
