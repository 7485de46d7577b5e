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

} // namespace

int32_t ParseIniNumber(std::string_view text) {
    // The numeric prefix is gathered without blanks into a plain decimal form: mantissa
    // digits with one point, then the exponent as a capped integer.
    std::string mantissa;
    bool negative = false;
    bool signAllowed = true;
    bool pointSeen = false;
    bool mantissaDigits = false;
    bool nonZeroDigit = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isIgnoredBlank(c)) {
            continue;
        }
        if (signAllowed && (c == '+' || c == '-')) {
            negative = c == '-';
            signAllowed = false;
        } else if (isDigit(c)) {
            mantissa += c;
            mantissaDigits = true;
            nonZeroDigit = nonZeroDigit || c != '0';
            signAllowed = false;
        } else if (c == '.' && !pointSeen) {
            mantissa += c;
            pointSeen = true;
            signAllowed = false;
        } else {
            break;
        }
    }
    if (!mantissaDigits) {
        return 0;
    }

    // Capped so that absurd exponents cannot overflow; far beyond any double anyway.
    constexpr int64_t kExponentCap = 100000;
    int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        bool exponentNegative = false;
        bool exponentSignAllowed = true;
        for (++i; i < text.size(); ++i) {
            const char c = text[i];
            if (isIgnoredBlank(c)) {
                continue;
            }
            if (exponentSignAllowed && (c == '+' || c == '-')) {
                exponentNegative = c == '-';
                exponentSignAllowed = false;
            } else if (isDigit(c)) {
                if (exponent < kExponentCap) {
                    exponent = exponent * 10 + (c - '0');
                }
                exponentSignAllowed = false;
            } else {
                break;
            }
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }
    if (!nonZeroDigit) {
        return 0;
    }

    const int64_t rounded = RoundDecimalHalfEven(mantissa, exponent, negative);
    return static_cast<int32_t>(std::clamp<int64_t>(rounded, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
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
