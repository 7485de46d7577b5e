#include "engine/path_case.h"

#include "common/utf8.h"

#include <cstdint>

namespace qly {

namespace {

char32_t lowerCodePoint(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 0x20;
    }
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs capitals with the next code point, except for three runs
        // that start on an odd one, and Y with diaeresis whose small form is in Latin-1.
        if (c == 0x178) {
            return 0xFF;
        }
        const bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F) {
            return c;
        }
        return (oddRun ? (c % 2 == 1) : (c % 2 == 0)) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
        return c + 0x20;
    }
    if (c >= 0x410 && c <= 0x42F) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    return c;
}

} // namespace

std::string lowerCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += (lead >= 'A' && lead <= 'Z') ? static_cast<char>(lead + 0x20) : text[i];
            ++i;
            continue;
        }
        // Two-byte sequences hold every letter lowered here; longer ones pass unchanged.
        if ((lead & 0xE0) == 0xC0 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = (static_cast<char32_t>(lead & 0x1F) << 6) |
                               (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            if (c >= 0x80) {
                AppendUtf8(out, lowerCodePoint(c));
                i += 2;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

} // namespace qly
