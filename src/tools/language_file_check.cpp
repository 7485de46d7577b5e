#include "tools/language_file_check.h"

#include "languages/language_keys.h"
#include "languages/language_state.h"
#include "layout/layout_file.h"
#include "platform/posix/code_pages.h"
#include "platform/posix/posix_file_system.h"

#include <algorithm>

namespace qly::tools {
namespace {

// Positions in a language file are 16-bit to the installer: it must stay below this size.
constexpr size_t kSizeLimit = 32767;

bool isLineStart(const std::string& text, size_t at) {
    return at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r';
}

size_t lineEnd(const std::string& text, size_t from) {
    const size_t end = text.find_first_of("\r\n", from);
    return end == std::string::npos ? text.size() : end;
}

// The first characters of UTF-8 text, for a report.
std::string shown(const std::string& utf8) {
    constexpr size_t kShown = 40;
    size_t characters = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && characters++ == kShown) {
            return utf8.substr(0, i) + "...";
        }
    }
    return utf8;
}

} // namespace

bool IsLanguageKeyRead(const std::string& key) {
    for (const LanguageKey& known : LanguageKeys()) {
        if (known.key == key) {
            return true;
        }
        if (known.key.ends_with('1')) {
            const std::string_view prefix = known.key.substr(0, known.key.size() - 1);
            const std::string_view number =
                std::string_view(key).substr(std::min(prefix.size(), key.size()));
            if (key.starts_with(prefix) && !number.empty() && number.front() != '0' &&
                number.find_first_not_of("0123456789") == std::string_view::npos) {
                return true;
            }
        }
    }
    return false;
}

std::vector<LanguageEntry> LanguageEntries(const std::string& text) {
    std::vector<LanguageEntry> entries;
    for (size_t at = text.find('/'); at != std::string::npos; at = text.find('/', at + 1)) {
        if (!isLineStart(text, at)) {
            continue;
        }
        const size_t close = text.find_first_of("/\r\n", at + 1);
        if (close == std::string::npos || text[close] != '/' || close == at + 1) {
            continue;
        }
        LanguageEntry entry;
        entry.key = text.substr(at + 1, close - at - 1);
        entry.offset = at;
        entry.textStart = close + 3;
        entry.textEnd =
            entry.textStart <= text.size() ? text.find('\'', entry.textStart) : std::string::npos;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::string> LanguageHeaderCode(const std::string& text) {
    const size_t open = text.find('[');
    const size_t close = open == std::string::npos ? open : text.find(']', open);
    if (close == std::string::npos) {
        return std::nullopt;
    }
    return text.substr(open + 1, close - open - 1);
}

std::string LanguageText(const std::string& text, const std::string& key) {
    posix::PosixFileSystem unused;
    LanguageState lang(unused);
    lang.LangBuffer = text;
    return lang.LangText(key);
}

namespace {

// What to write instead of an apostrophe inside a text: the typographic one, where the code
// page has it.
std::string apostropheAdvice(unsigned codePage) {
    constexpr char32_t kTypographic = 0x2019;
    if (posix::fromUnicode(kTypographic, codePage) == '?') {
        return "; a text cannot hold an apostrophe, and code page " + std::to_string(codePage) +
               " has no typographic one: reword it";
    }
    return "; write the typographic apostrophe \xE2\x80\x99 (U+2019) instead";
}

} // namespace

std::optional<int32_t> LanguageCharset(const std::string& text) {
    const int32_t charset = ParseIniNumber(LanguageText(text, "#skrypt"));
    if (charset != 0 && posix::codePageOfCharset(charset) == posix::codePageOfCharset(0)) {
        return std::nullopt;
    }
    return charset;
}

std::optional<Finding> CheckLanguageFileSize(const std::string& file, size_t size) {
    if (size < kSizeLimit) {
        return std::nullopt;
    }
    return Finding{file, 0, Severity::Error,
                   std::to_string(size) + " bytes; language files must stay below " +
                       std::to_string(kSizeLimit)};
}

std::vector<Finding> CheckLanguageFile(const std::string& file, const std::string& text,
                                       bool textIsUtf8) {
    // Reports are UTF-8; a language file's bytes are characters of its charset's code page.
    const unsigned codePage = posix::codePageOfCharset(LanguageCharset(text).value_or(0));
    const auto readable = [&](const std::string& bytes) {
        return textIsUtf8 ? bytes : posix::codePageToUtf8(bytes, codePage);
    };
    std::vector<Finding> findings;
    const auto add = [&](size_t offset, Severity severity, std::string message,
                         WarningKind kind = WarningKind::Other) {
        findings.push_back({file, offset == std::string::npos ? 0 : LineOfOffset(text, offset),
                            severity, std::move(message), kind});
    };
    const std::optional<std::string> code = LanguageHeaderCode(text);
    if (!code) {
        add(std::string::npos, Severity::Error,
            "no header like [ENG]: the installer cannot list this language");
    } else {
        const size_t at = text.find('[');
        const bool capitals = code->size() == 3 && std::ranges::all_of(*code, [](char c) {
                                  return c >= 'A' && c <= 'Z';
                              });
        if (!capitals) {
            add(at, Severity::Warning,
                "header code \"" + readable(*code) +
                    "\" is not three capital letters: it is never chosen from the system locale",
                WarningKind::Header);
        }
    }

    posix::PosixFileSystem unused;
    LanguageState lang(unused);
    lang.LangBuffer = text;
    const std::vector<LanguageEntry> entries = LanguageEntries(text);
    for (size_t i = 0; i < entries.size(); ++i) {
        const LanguageEntry& entry = entries[i];
        const size_t firstNeedle = text.find("/" + entry.key + "/");
        if (firstNeedle != entry.offset) {
            add(entry.offset, Severity::Warning,
                "key \"" + readable(entry.key) + "\" is found first at line " +
                    std::to_string(LineOfOffset(text, firstNeedle)) + "; this entry is never read",
                WarningKind::Repeated);
            continue;
        }
        if (!IsLanguageKeyRead(entry.key)) {
            add(entry.offset, Severity::Warning,
                "key \"" + readable(entry.key) + "\" is not one the installer reads",
                WarningKind::UnknownKey);
        }
        const size_t next = i + 1 < entries.size() ? entries[i + 1].offset : text.size();
        if (entry.textEnd == std::string::npos || entry.textEnd > next) {
            add(entry.offset, Severity::Error,
                "entry \"" + readable(entry.key) + "\" has no closing apostrophe before " +
                    (i + 1 < entries.size() ? "the next entry" : "the end of the file"));
            continue;
        }
        const size_t end = lineEnd(text, entry.textEnd + 1);
        const std::string rest = text.substr(entry.textEnd + 1, end - entry.textEnd - 1);
        if (rest.find_first_not_of(" \t") != std::string::npos) {
            add(entry.textEnd, Severity::Error,
                "an apostrophe ends the text of \"" + readable(entry.key) +
                    "\" early: the installer shows \"" + shown(readable(lang.LangText(entry.key))) +
                    "\" and drops \"" + shown(readable(rest)) + "\"" + apostropheAdvice(codePage));
        }
    }
    for (const LanguageKey& key : LanguageKeys()) {
        if (!lang.LangText(std::string(key.key)).empty()) {
            continue;
        }
        if (key.builtInEnglish.empty()) {
            add(std::string::npos, Severity::Error,
                "key \"" + std::string(key.key) + "\" is missing or empty");
        } else {
            add(std::string::npos, Severity::Warning,
                "key \"" + std::string(key.key) +
                    "\" is missing: the built-in English text is shown",
                WarningKind::MissingKey);
        }
    }
    return findings;
}

} // namespace qly::tools
