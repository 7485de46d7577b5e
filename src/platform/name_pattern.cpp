#include "platform/name_pattern.h"

#include "common/ascii_case.h"

#include <cstddef>

namespace qly {

namespace {

// UTF-8 sequence length from its lead byte (1 for stray bytes).
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

} // namespace

bool matchesPattern(const std::string& name, const std::string& pattern) {
    if (pattern == "*" || pattern == "*.*") {
        return true;
    }
    // Greedy matching with one backtrack point: the last "*" seen.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::string::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            n += sequenceLength(static_cast<unsigned char>(name[n]));
            ++p;
        } else if (p < pattern.size() && AsciiLower(pattern[p]) == AsciiLower(name[n])) {
            ++n;
            ++p;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size() && n == name.size();
}

} // namespace qly
