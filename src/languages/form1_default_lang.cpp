// The start language, from the thread's locale.
#include "languages/locale_table.h"
#include "window/form1.h"

#include <cctype>

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

void Form1::PickDefaultLang() {
    std::string wanted = LocaleLangCode(locale_);
    for (char& c : wanted) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    lang_.setLangCode(wanted);
    int16_t i = findCode(lang_, lang_.LangCode);
    if (i == lang_.LangCount) {
        lang_.setLangCode("ENG");
        i = findCode(lang_, lang_.LangCode);
    }
    if (i == lang_.LangCount) {
        if (lang_.LangCount == 0) {
            // Nothing to speak: every text reads as empty.
            lang_.LangBuffer.clear();
            lang_.LangCharset = 0;
            return;
        }
        // Neither the locale's language nor English: the first one catalogued.
        i = 0;
    }
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
