// Letter case of the ASCII letters only, for codes and switch names that are plain ASCII.
#pragma once

#include <string>
#include <string_view>

namespace qly {

// c lowered when it is one of A-Z, else c itself (whatever the C locale says).
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// text with a-z raised to A-Z; every other byte kept.
inline std::string AsciiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

// text with A-Z lowered to a-z; every other byte kept.
inline std::string AsciiLowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = AsciiLower(c);
    }
    return out;
}

} // namespace qly
