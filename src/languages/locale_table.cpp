#include "languages/locale_table.h"

#include "platform/locale.h"

namespace qly {

namespace {

struct LocaleRow {
    uint32_t id;
    const char* code;
};

// Whole identifiers only: a nonzero sort order in the high bits matches no row.
constexpr LocaleRow kLocales[] = {
    // Slovak shares the Czech file.
    {0x0405, "cze"},
    {0x041B, "cze"},
    {0x0407, "deu"},
    {0x0807, "deu"},
    {0x0C07, "deu"},
    {0x1007, "deu"},
    {0x1407, "deu"},
    {0x040C, "fra"},
    {0x080C, "fra"},
    {0x0C0C, "fra"},
    {0x100C, "fra"},
    {0x140C, "fra"},
    {0x180C, "fra"},
    {0x0410, "ita"},
    {0x0810, "ita"},
    {0x0413, "ned"},
    {0x0813, "ned"},
    {0x0415, "pol"},
    {0x0416, "por"},
    {0x0816, "por"},
    // Ukrainian, Belarusian, Slovenian and Lithuanian; Russian itself (0x0419) is not listed.
    {0x0422, "rus"},
    {0x0423, "rus"},
    {0x0424, "rus"},
    {0x0427, "rus"},
};

// The Spanish locales: language 0x0A with sublanguages 1 to 20.
bool isSpanish(uint32_t localeId) {
    const uint32_t sublanguage = localeId >> 10;
    return (localeId & 0x3FF) == 0x00A && sublanguage >= 1 && sublanguage <= 20;
}

} // namespace

std::string LocaleLangCode(uint32_t localeId) {
    if (isSpanish(localeId)) {
        return "esp";
    }
    for (const LocaleRow& row : kLocales) {
        if (row.id == localeId) {
            return row.code;
        }
    }
    return "eng";
}

std::string LocaleLangCode(Locale& locale) {
    return LocaleLangCode(locale.threadLocale());
}

} // namespace qly
