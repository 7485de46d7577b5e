// Letter case of the ASCII letters only, for codes and switch names that are plain ASCII.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace qly {

// text with a-z raised to A-Z; every other byte kept.
inline std::string AsciiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace qly
