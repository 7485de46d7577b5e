#include "platform/posix/posix_locale.h"

#include "platform/posix/code_pages.h"

#include <cstdlib>
#include <string_view>

namespace qly::posix {

namespace {

struct Entry {
    std::string_view name; // language_TERRITORY; the first entry of a language is its default
    uint32_t id;
};

constexpr Entry kTable[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"pl_PL", 0x0415}, {"de_DE", 0x0407}, {"de_CH", 0x0807},
    {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A},
    {"es_AR", 0x2C0A}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"fr_LU", 0x140C}, {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813},
    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"cs_CZ", 0x0405}, {"sk_SK", 0x041B}, {"ru_RU", 0x0419},
    {"uk_UA", 0x0422}, {"be_BY", 0x0423}, {"sl_SI", 0x0424}, {"lt_LT", 0x0427},
};

} // namespace

uint32_t LocaleIdOf(const std::string& posixName) {
    // "pl_PL.UTF-8@euro" -> "pl_PL"
    const std::string_view name =
        std::string_view(posixName).substr(0, posixName.find_first_of(".@"));
    for (const Entry& e : kTable) {
        if (e.name == name) {
            return e.id;
        }
    }
    const std::string_view language = name.substr(0, name.find('_'));
    for (const Entry& e : kTable) {
        if (!language.empty() && e.name.substr(0, e.name.find('_')) == language) {
            return e.id;
        }
    }
    return 0x0409;
}

uint32_t PosixLocale::threadLocale() {
    for (const char* variable : {"LC_ALL", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return LocaleIdOf(value);
        }
    }
    return 0x0409;
}

} // namespace qly::posix

namespace qly::posix {

std::string PosixLocale::toCharsetText(const std::string& utf8, int32_t charset) {
    return utf8ToCodePage(utf8, codePageOfCharset(charset));
}

} // namespace qly::posix
