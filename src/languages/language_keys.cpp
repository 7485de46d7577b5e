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
    LanguageKey{"uszkodzona", "is damaged or does not belong to the patch. Nothing has been changed. Please download the patch again."},
    LanguageKey{"dowiazanie", "is a link or junction to another place. The update writes only inside the game folder, so nothing has been changed. Replace the link with a real folder, then try again."},
    // An update that a crash or a power cut interrupted, found at the next start.
    LanguageKey{"cofnieto", "An interrupted update was undone. The game is as it was before it."},
    LanguageKey{"nie cofnieto", "An interrupted update could not be undone. The game folder needs attention: start the installer again, or reinstall the game."},
    // Shown by Windows when a shutdown waits for the copy; names read by screen readers.
    LanguageKey{"instalacja", "Installing the Quillory patch"},
    LanguageKey{"zamknij", "Close"},
    LanguageKey{"minimalizuj", "Minimize"},
    LanguageKey{"otworz", "Open"},
    // %1: the version of the game's main.exe (or "bez wersji"), %2: the one the patch needs.
    LanguageKey{"zla wersja", "The game here is version %1, but this patch is for version %2 of "
                              "Quillory. Nothing has been changed."},
    LanguageKey{"bez wersji", "unknown (main.exe carries no version)"},
    // The Linux program: the question before the game is changed, and a run stopped by Ctrl+C.
    LanguageKey{"pytanie", "Install the patch into this folder? [y/N]"},
    LanguageKey{"przerwano", "Stopped: the update was undone. The game is as it was before."},
    LanguageKey{"przerwano bez cofniecia", "Stopped, but the update could not be undone. The game folder needs attention: "
                                           "start the installer again, or reinstall the game."},
    // The Linux program: the answer was no, so the run ends where it stands.
    LanguageKey{"bez zmian", "Nothing has been changed."},
    // The Linux program: the question before an interrupted run is recovered.
    LanguageKey{"odzyskanie", "An earlier update of this folder was interrupted. Before anything else it will be "
                              "finished or undone, as its journal says. Go on? [y/N]"},
    // One update per game folder at a time.
    LanguageKey{"inna aktualizacja", "Another update of this game folder is running. Wait until it has finished, "
                                     "then try again."},
    // %1: the game folder, which the user cannot change without administrator rights.
    LanguageKey{"brak uprawnien", "Administrator rights are needed to change the game folder %1. Nothing has been "
                                  "changed."},
    LanguageKey{"uszkodzony", "The downloaded patch is damaged or incomplete. Nothing has been changed. "
                              "Please download the patch again."},
    // A patch that rebuilds files from the game's own: the game has it already, or a file of
    // the game (%1) is not the one the patch starts from.
    LanguageKey{"aktualna", "The game is already up to date: this patch is installed. Nothing has been changed."},
    LanguageKey{"inna wersja pliku", "The file %1 is not the version this patch was made for: it was changed, or the "
                                     "game is another version. Nothing has been changed."},
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
