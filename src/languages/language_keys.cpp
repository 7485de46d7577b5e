#include "languages/language_keys.h"

#include "languages/language_state.h"

#include <array>

namespace qly {

namespace {

// clang-format off
constexpr std::array kKeys{
    LanguageKey{"#jezyk", ""},
    LanguageKey{"#skrypt", ""},
    LanguageKey{"instaluj", ""},
    LanguageKey{"wyjdz", ""},
    LanguageKey{"przed1", ""},
    LanguageKey{"poz1", ""},
    LanguageKey{"neg1", ""},
    LanguageKey{"error", ""},
    LanguageKey{"brak miejsca", ""},
    LanguageKey{"nie moge znalezc", ""},
    LanguageKey{"podaj folder", ""},
    LanguageKey{"uszkodzony", "The downloaded patch is damaged or incomplete. Nothing has been changed. "
                              "Please download the patch again."},
};
// clang-format on

} // namespace

std::span<const LanguageKey> LanguageKeys() { return kKeys; }

std::string LangTextOrBuiltIn(const LanguageState& lang, std::string_view key) {
    std::string text = lang.LangText(std::string(key));
    if (!text.empty()) {
        return text;
    }
    for (const LanguageKey& k : kKeys) {
        if (k.key == key) {
            return std::string(k.builtInEnglish);
        }
    }
    return text;
}

} // namespace qly
