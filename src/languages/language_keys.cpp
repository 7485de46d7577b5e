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
    // Why a file of the patch could not be installed, after the file's name.
    LanguageKey{"w uzyciu", "is in use by another program. Close the game and its launcher, then try again."},
    LanguageKey{"brak dostepu", "cannot be written: access denied."},
    LanguageKey{"tylko odczyt", "is read-only."},
    LanguageKey{"brak pliku", "is missing from the patch. Please download the patch again."},
    LanguageKey{"przeszkoda", "is blocked by a file or folder of the same name."},
    LanguageKey{"blad zapisu", "could not be written."},
    // An update that a crash or a power cut interrupted, found at the next start.
    LanguageKey{"cofnieto", "An interrupted update was undone. The game is as it was before it."},
    LanguageKey{"nie cofnieto", "An interrupted update could not be undone. The game folder needs attention: start the installer again, or reinstall the game."},
    // The Linux program: the question before the game is changed, and a run stopped by Ctrl+C.
    LanguageKey{"pytanie", "Install the patch into this folder? [y/N]"},
    LanguageKey{"przerwano", "Stopped: the update was undone. The game is as it was before."},
    LanguageKey{"uszkodzony", "The downloaded patch is damaged or incomplete. Nothing has been changed. "
                              "Please download the patch again."},
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
