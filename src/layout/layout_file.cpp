#include "layout/layout_file.h"

#include "common/bundle_files.h"
#include "common/rounding.h"

#include <algorithm>
#include <limits>

namespace qly {

std::string LayoutFilePath(const std::string& programFolder) {
    if (!programFolder.empty() && (programFolder.back() == '\\' || programFolder.back() == '/')) {
        return programFolder + kLayoutFileName;
    }
    return programFolder + "\\" + kLayoutFileName;
}

namespace {

bool isIgnoredBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The sign and mantissa that text starts with, blanks left out: digits with at most one point.
// Reads from i on and leaves i on the first character that belongs to neither.
struct Mantissa {
    std::string digits;
    bool negative = false;
};
Mantissa readMantissa(std::string_view text, std::size_t& i) {
    Mantissa m;
    bool signAllowed = true;
    bool pointSeen = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isIgnoredBlank(c)) {
            continue;
        }
        if (signAllowed && (c == '+' || c == '-')) {
            m.negative = c == '-';
        } else if (isDigit(c) || (c == '.' && !pointSeen)) {
            m.digits += c;
            pointSeen = pointSeen || c == '.';
        } else {
            break;
        }
        signAllowed = false;
    }
    return m;
}

// The exponent after an E or D (either case) at i, blanks left out; 0 without one. Capped so
// that absurd exponents cannot overflow: far beyond any 32-bit number anyway.
int64_t readExponent(std::string_view text, std::size_t i) {
    constexpr int64_t kExponentCap = 100000;
    if (i >= text.size() || std::string_view("EeDd").find(text[i]) == std::string_view::npos) {
        return 0;
    }
    int64_t exponent = 0;
    bool negative = false;
    bool signAllowed = true;
    for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (isIgnoredBlank(c)) {
            continue;
        }
        if (signAllowed && (c == '+' || c == '-')) {
            negative = c == '-';
        } else if (isDigit(c)) {
            exponent = std::min(exponent * 10 + (c - '0'), kExponentCap);
        } else {
            break;
        }
        signAllowed = false;
    }
    return negative ? -exponent : exponent;
}

} // namespace

int32_t ParseIniNumber(std::string_view text) {
    std::size_t i = 0;
    const Mantissa mantissa = readMantissa(text, i);
    // Without a digit other than 0 the number is 0, whatever its exponent.
    if (mantissa.digits.find_first_of("123456789") == std::string::npos) {
        return 0;
    }
    const int64_t rounded =
        RoundDecimalHalfEven(mantissa.digits, readExponent(text, i), mantissa.negative);
    return static_cast<int32_t>(std::clamp<int64_t>(rounded, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::vector<std::string> LayoutFile::keys(const std::string& section) const {
    return profile_.keys(path_, section);
}

std::string LayoutFile::ReadIniString(const std::string& section, const std::string& key) const {
    return profile_.getString(path_, section, key, "", kBufferSize);
}

int32_t LayoutFile::ReadIniNumber(const std::string& section, const std::string& key) const {
    // "default" stands in for a missing entry and reads as 0, like any other text.
    return ParseIniNumber(profile_.getString(path_, section, key, "default", kBufferSize));
}

Rect ReadLayoutArea(const LayoutFile& layout, const std::string& section) {
    Rect r;
    r.top = layout.ReadIniNumber(section, "y");
    r.left = layout.ReadIniNumber(section, "x");
    r.width = std::max(0, layout.ReadIniNumber(section, "szer"));
    r.height = std::max(0, layout.ReadIniNumber(section, "wys"));
    return r;
}

} // namespace qly
