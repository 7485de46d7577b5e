// The start language, from the thread's locale.
#include "common/ascii_case.h"
#include "languages/locale_table.h"
#include "window/form1.h"

namespace qly {

namespace {

// Catalogue index of the first language coded exactly code, or LangCount.
int16_t findCode(const LanguageState& lang, const std::string& code) {
    int16_t i = 0;
    while (i < lang.LangCount && lang.LangCodes[i] != code) {
        ++i;
    }
    return i;
}

} // namespace

int16_t Form1::RequestedLangIndex() {
    if (!options_.lang) {
        return lang_.LangCount;
    }
    const std::string wanted = AsciiUpperCase(*options_.lang);
    int16_t i = 0;
    // The command line's letter case is the user's; headers are matched in capitals.
    while (i < lang_.LangCount && AsciiUpperCase(lang_.LangCodes[i]) != wanted) {
        ++i;
    }
    if (i == lang_.LangCount) {
        logEvent("language: no file for /LANG=" + *options_.lang + ", the usual choice follows");
    }
    return i;
}

void Form1::PickDefaultLang() {
    int16_t i = RequestedLangIndex();
    if (i < lang_.LangCount) {
        logEvent("language: " + lang_.LangCodes[i] + " (/LANG)");
        LoadLang(i);
        return;
    }
    lang_.setLangCode(AsciiUpperCase(LocaleLangCode(locale_)));
    const std::string localeCode = lang_.LangCode;
    i = findCode(lang_, lang_.LangCode);
    std::string why = "the system locale";
    if (i == lang_.LangCount) {
        lang_.setLangCode("ENG");
        i = findCode(lang_, lang_.LangCode);
        why = "no file for the system locale's " + localeCode;
    }
    if (i == lang_.LangCount) {
        if (lang_.LangCount == 0) {
            // Nothing to speak: every text reads as empty.
            logEvent("language: none, the bundle has no language file");
            lang_.LangBuffer.clear();
            lang_.LangCharset = 0;
            return;
        }
        // Neither the locale's language nor English: the first one catalogued.
        i = 0;
        why += ", no English file either: the first one";
    }
    logEvent("language: " + lang_.LangCodes[i] + " (" + why + ")");
    LoadLang(i);
}

void Form1::PickDefaultLangSafe() {
    try {
        PickDefaultLang();
    } catch (const std::exception&) {
        PickDefaultLang();
    }
}

} // namespace qly
