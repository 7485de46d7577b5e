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
    LanguageKey{"instalacja", "Installing the Quillory patch"},
    LanguageKey{"zamknij", "Close"},
    LanguageKey{"minimalizuj", "Minimize"},
    LanguageKey{"otworz", "Open"},
};
// clang-format on

} // namespace

std::span<const LanguageKey> LanguageKeys() {
    return kKeys;
}

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
