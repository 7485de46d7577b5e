// The language catalogue in the selector, the load of one language, and the switch.
#include "common/error.h"
#include "languages/message_lines.h"
#include "window/form1.h"
#include "window/layout_file.h"

namespace qly {

void Form1::LoadLangList() {
    int16_t count = 0;
    std::unique_ptr<DirListing> listing;
    StandAlone([&] { listing = files_.list("lang\\", "*.lng"); });
    DirEntry entry;
    // Files that cannot be read or have no complete "[code]" header are left out, so that the
    // list index of every entry still names its catalogued file.
    while (listing && count < LanguageState::kMaxLanguages) {
        try {
            if (!listing->next(entry)) {
                break;
            }
        } catch (const std::exception&) {
            break;
        }
        if ((entry.attributes & (kAttrDirectory | kAttrHidden | kAttrSystem)) != 0) {
            continue;
        }
        try {
            lang_.ReadLangFile(entry.name);
            const std::string& text = lang_.LangBuffer;
            const std::size_t open = text.find('[');
            const std::size_t close = open == std::string::npos ? open : text.find(']', open);
            if (close == std::string::npos) {
                continue;
            }
            lang_.setLangCode(text.substr(open + 1, close - open - 1));
            // Each name is shown in its own language's characters.
            const int32_t charset = ParseIniNumber(lang_.LangText("#skrypt"));
            Combo1.addItem(lang_.LangText("#jezyk"), charset);
            lang_.LangFiles[count] = entry.name;
            lang_.LangCodes[count] = lang_.LangCode;
            ++count;
        } catch (const std::exception&) {
            continue;
        }
    }
    lang_.LangCount = count;
}

void Form1::LoadLang(int16_t i) {
    if (i < 0 || i >= lang_.LangCount) {
        throw Error("no language at index " + std::to_string(i));
    }
    const std::string name = lang_.LangFiles[i];
    // Selecting by program raises no event: run the switch as a user's choice would. It does
    // nothing when i is already the language in force.
    Combo1.setSelectedIndex(i);
    Combo1_Click();
    if (LastLangIndex != i + 1) {
        throw Error("the language " + name + " could not be switched to");
    }
    lang_.ReadLangFile(name);
    lang_.LangCharset = ParseIniNumber(lang_.LangText("#skrypt"));
    StandAlone([&] { TextScroll1.SetFontCharset(lang_.LangCharset); });
    StandAlone([&] { Command1.setFontCharset(lang_.LangCharset); });
    StandAlone([&] { Command1.setCaption(lang_.LangText(etap == 0 ? "instaluj" : "wyjdz")); });
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
    if (LastLangIndex - 1 == i || i < 0 || i >= lang_.LangCount) {
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
        logEvent("language: " + lang_.LangCodes[i] + " (chosen in the selector)");
    }
    StandAlone([&] { TextScroll1.Cls(); });
    StandAlone([&] { ShowState(); });
    StandAlone([&] { Combo1.setEnabled(true); });
    busy = busyBefore;
}

// The messages that fit where the installer stands, in the language in force.
void Form1::ShowState() {
    if (ErrorCode < 0) {
        if (ErrorCode == -1) {
            ShowFailure();
        }
        if (ErrorCode == -2) {
            TextScroll1.Tekst(lang_.LangText("brak miejsca"));
        }
        return;
    }
    if (etap == 0) {
        ShowMessageLines(lang_, TextScroll1, "przed");
    } else if (status == 0) {
        ShowMessageLines(lang_, TextScroll1, "neg");
    } else if (status == 1 || status == 2) {
        ShowMessageLines(lang_, TextScroll1, "poz");
    }
}

} // namespace qly
