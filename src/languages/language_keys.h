// The keys of a language file that the program reads, in one place. Keys added after the first
// language files were written carry a built-in English text, so that a file written for an
// older version still gives a sensible line where it lacks the key.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace qly {

class LanguageState;

struct LanguageKey {
    std::string_view key;
    // Empty for the original keys, whose absence reads as an empty text.
    std::string_view builtInEnglish;
};

// Every key the program reads; a message series ("przed", "poz", "neg") stands by its first key.
std::span<const LanguageKey> LanguageKeys();

// The text of key in the language in force, or the key's built-in English text when the
// language file lacks it (or has it empty). Texts are the raw bytes of the language file; the
// built-in ones are plain ASCII, so they read the same in every charset.
std::string LangTextOrBuiltIn(const LanguageState& lang, std::string_view key);

// LangTextOrBuiltIn with every "%1" replaced by the first of arguments, "%2" by the second,
// and so on up to "%9"; the arguments themselves are not searched for marks.
std::string LangTextWithArguments(const LanguageState& lang, std::string_view key,
                                  std::initializer_list<std::string> arguments);

} // namespace qly
