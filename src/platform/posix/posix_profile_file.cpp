#include "platform/posix/posix_profile_file.h"

#include "common/ascii_case.h"
#include "common/trimmed.h"
#include "platform/posix/posix_file_system.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace qly::posix {

namespace {

std::string_view trim(std::string_view s) {
    return Trimmed(s, " \t\r\n\v\f");
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// The file's bytes; nothing when it cannot be opened or read (a folder, a vanished file), which
// the caller answers with the default, as the Windows reader does.
std::optional<std::string> readWhole(const std::string& path) {
    try {
        std::ifstream in(nativePath(path), std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt;
    }
}

// Calls onKey(name, value) for each "name=value" line of the first section named section,
// names and values trimmed, until it answers true. Names are compared without regard to case
// and without the blanks around them.
template <typename OnKey>
void forEachKey(std::string_view text, std::string_view section, OnKey onKey) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.starts_with(kBom)) {
        text.remove_prefix(kBom.size());
    }
    section = trim(section);
    // Lines above the first header form a section whose name is empty.
    bool inSection = section.empty();
    bool sectionSeen = inSection;
    while (!text.empty()) {
        // A lone CR ends a line as LF does; CR LF gives an empty line, which reads as nothing.
        const auto end = text.find_first_of("\r\n");
        const std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.starts_with('[')) {
            const auto close = line.rfind(']');
            if (close == std::string_view::npos) {
                continue;
            }
            // Later sections of the same name are never searched: the first one wins.
            if (inSection) {
                return;
            }
            inSection =
                !sectionSeen && equalsIgnoringCase(trim(line.substr(1, close - 1)), section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        // A line starting with ";" is no comment to the Windows reader: it is read as a key.
        if (!inSection) {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        if (onKey(trim(line.substr(0, equals)), trim(line.substr(equals + 1)))) {
            return;
        }
    }
}

// The value of key in section, quotes not yet removed; nothing when either is missing.
std::optional<std::string_view> findValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    key = trim(key);
    std::optional<std::string_view> found;
    forEachKey(text, section, [&](std::string_view name, std::string_view value) {
        if (equalsIgnoringCase(name, key)) {
            found = value;
        }
        return found.has_value();
    });
    return found;
}

std::string_view stripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The first maxChars characters of s, a character being one UTF-8 sequence (a lead byte and
// the continuation bytes after it).
std::string_view cutToCharacters(std::string_view s, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
        if (!continuation || i == 0) {
            if (chars == maxChars) {
                return s.substr(0, i);
            }
            ++chars;
        }
    }
    return s;
}

} // namespace

std::string PosixProfileFile::getString(const std::string& path, const std::string& section,
                                        const std::string& key, const std::string& defaultValue,
                                        std::size_t bufferSize) {
    // A file that cannot be read answers like an empty one: with the default.
    const std::string text = readWhole(path).value_or(std::string());
    return ProfileString(text, section, key, defaultValue, bufferSize);
}

std::string ProfileString(std::string_view text, const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize) {
    const std::size_t maxChars = bufferSize == 0 ? 0 : bufferSize - 1;
    if (const auto value = findValue(text, section, key)) {
        return std::string(cutToCharacters(stripQuotes(*value), maxChars));
    }
    return std::string(cutToCharacters(defaultValue, maxChars));
}

std::vector<std::string> PosixProfileFile::keys(const std::string& path,
                                                const std::string& section) {
    return ProfileKeys(readWhole(path).value_or(std::string()), section);
}

std::vector<std::string> ProfileKeys(std::string_view text, const std::string& section) {
    std::vector<std::string> names;
    forEachKey(text, section, [&](std::string_view name, std::string_view) {
        names.emplace_back(name);
        return false;
    });
    return names;
}

} // namespace qly::posix
