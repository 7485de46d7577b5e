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
    // %1: the version of the game's main.exe (or "bez wersji"), %2: the one the patch needs.
    LanguageKey{"zla wersja", "The game here is version %1, but this patch is for version %2 of "
                              "Quillory. Nothing has been changed."},
    LanguageKey{"bez wersji", "unknown (main.exe carries no version)"},
    // %1: the file of the patch that is damaged, missing or not part of it.
    LanguageKey{"uszkodzona", "The patch is damaged: %1 does not match it. Nothing has been "
                              "changed. Please download the patch again."},
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

std::string LangTextWithArguments(const LanguageState& lang, std::string_view key,
                                  std::initializer_list<std::string> arguments) {
    const std::string text = LangTextOrBuiltIn(lang, key);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto index = i + 1 < text.size() && text[i] == '%' ? text[i + 1] - '1' : -1;
        if (index >= 0 && index < static_cast<int>(arguments.size()) && index < 9) {
            out += *(arguments.begin() + index);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace qly
