// The language files, alone and side by side.
#include "languages/language_state.h"
#include "platform/posix/code_pages.h"
#include "tools/bundle_checks.h"
#include "tools/language_file_check.h"

#include <map>
#include <set>

namespace qly::tools {
namespace {

// Letters of the scripts the single-byte code pages carry.
bool isLetter(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == 0xAA || c == 0xB5 ||
           c == 0xBA || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||
           (c >= 0x386 && c <= 0x3FF) || (c >= 0x400 && c <= 0x52F) || (c >= 0x5D0 && c <= 0x5EA) ||
           (c >= 0x620 && c <= 0x64A) || (c >= 0xE01 && c <= 0xE3A) || (c >= 0x1E00 && c <= 0x1EFF);
}

// Bytes a code page leaves undefined stand for control characters U+0080..U+009F.
bool undefinedIn(unsigned char byte, unsigned codePage) {
    const char32_t c = posix::toUnicode(byte, codePage);
    return c >= 0x80 && c <= 0x9F;
}

// The texts of the entries, one after another.
std::string entryTexts(const std::string& text) {
    std::string out;
    for (const LanguageEntry& entry : LanguageEntries(text)) {
        const size_t end = std::min(entry.textEnd, text.size());
        if (entry.textStart < end) {
            out += text.substr(entry.textStart, end - entry.textStart);
        }
    }
    return out;
}

// True for code pages whose upper half is a script of its own rather than accented Latin.
bool ownScript(unsigned codePage) {
    return codePage == 1251 || codePage == 1253 || codePage == 1255 || codePage == 1256 ||
           codePage == 874;
}

size_t nonLetters(const std::string& bytes, unsigned codePage) {
    size_t count = 0;
    for (const char b : bytes) {
        count += isLetter(posix::toUnicode(static_cast<unsigned char>(b), codePage)) ? 0 : 1;
    }
    return count;
}

// Warns when the charset shows the letters of the texts as symbols, or as another script than
// the one the texts are written in: Cyrillic words need their own code page, and accented
// Latin letters read as Cyrillic ones in it.
void checkScript(const BundleLanguage& lang, int32_t charset, int32_t line,
                 std::vector<Finding>& findings) {
    const unsigned codePage = posix::codePageOfCharset(charset);
    std::string high;
    size_t ascii = 0;
    for (const char c : entryTexts(lang.bytes)) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            high += c;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            ++ascii;
        }
    }
    const bool mostlyHigh = high.size() > ascii;
    const bool fewHigh = high.size() * 4 < ascii;
    // How badly a code page shows the texts: its symbols where letters should be, and every
    // byte when its script does not fit the texts. The charset given is kept on a tie.
    const auto misfit = [&](unsigned page) {
        const bool wrongScript = ownScript(page) ? fewHigh : mostlyHigh;
        return nonLetters(high, page) + (wrongScript ? high.size() : 0);
    };
    int32_t best = charset;
    size_t bestMisfit = misfit(codePage);
    for (const int32_t other : {238, 204, 0, 161, 162, 186}) {
        if (misfit(posix::codePageOfCharset(other)) < bestMisfit) {
            best = other;
            bestMisfit = misfit(posix::codePageOfCharset(other));
        }
    }
    if (high.empty() || best == charset) {
        return;
    }
    const std::string sample = high.substr(0, 12);
    const std::string message =
        "charset " + std::to_string(charset) + " shows the letters as \"" +
        posix::codePageToUtf8(sample, codePage) + "\"; charset " + std::to_string(best) +
        " would show \"" + posix::codePageToUtf8(sample, posix::codePageOfCharset(best)) + "\"";
    findings.push_back({lang.file, line, Severity::Warning, message, WarningKind::Charset});
}

void checkCodePage(const BundleLanguage& lang, std::vector<Finding>& findings) {
    const std::string& text = lang.bytes;
    const std::optional<int32_t> charset = LanguageCharset(text);
    const size_t skrypt = text.find("/#skrypt/");
    const int32_t skryptLine = skrypt == std::string::npos ? 0 : LineOfOffset(text, skrypt);
    if (!charset) {
        findings.push_back({lang.file, skryptLine, Severity::Error,
                            "\"#skrypt\" names no charset with a single-byte code page"});
        return;
    }
    const unsigned codePage = posix::codePageOfCharset(*charset);
    int reported = 0;
    for (size_t i = 0; i < text.size() && reported < 5; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80 && undefinedIn(byte, codePage)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", byte);
            findings.push_back({lang.file, LineOfOffset(text, i), Severity::Error,
                                std::string("byte ") + hex + " is no character of code page " +
                                    std::to_string(codePage) + " (charset " +
                                    std::to_string(*charset) + ")"});
            ++reported;
        }
    }
    checkScript(lang, *charset, skryptLine, findings);
}

unsigned codePageOf(const BundleLanguage& lang) {
    return posix::codePageOfCharset(LanguageCharset(lang.bytes).value_or(0));
}

} // namespace

void CheckLanguages(const std::vector<BundleLanguage>& languages, std::vector<Finding>& findings) {
    if (languages.empty()) {
        findings.push_back({"lang", 0, Severity::Error,
                            "no language files (lang/*.lng): the installer has no texts"});
        return;
    }
    if (languages.size() > LanguageState::kMaxLanguages) {
        findings.push_back({"lang", 0, Severity::Error,
                            std::to_string(languages.size()) + " language files; the installer "
                                                               "lists at most 21"});
    }
    std::map<std::string, std::string> codes; // code -> first file
    std::map<std::string, std::set<std::string>> keysOf;
    std::set<std::string> allKeys;
    for (const BundleLanguage& lang : languages) {
        for (Finding& f : CheckLanguageFile(lang.file, lang.bytes)) {
            findings.push_back(std::move(f));
        }
        if (std::optional<Finding> size = CheckLanguageFileSize(lang.file, lang.bytes.size())) {
            findings.push_back(std::move(*size));
        }
        checkCodePage(lang, findings);
        if (const std::optional<std::string> code = LanguageHeaderCode(lang.bytes)) {
            std::string used = code->substr(0, 3);
            used.resize(3, ' ');
            const auto [first, added] = codes.emplace(used, lang.file);
            if (!added) {
                findings.push_back(
                    {lang.file, LineOfOffset(lang.bytes, lang.bytes.find('[')), Severity::Warning,
                     "header code " + posix::codePageToUtf8(used, codePageOf(lang)) +
                         " is also used by " + first->second + ", which the installer prefers",
                     WarningKind::Repeated});
            }
        }
        for (const LanguageEntry& entry : LanguageEntries(lang.bytes)) {
            keysOf[lang.file].insert(entry.key);
            if (IsLanguageKeyRead(entry.key)) {
                allKeys.insert(entry.key);
            }
        }
    }
    if (!codes.contains("ENG")) {
        findings.push_back({"lang", 0, Severity::Error,
                            "no language file has the code ENG, which the installer falls back "
                            "to when the system's language has no file"});
    }
    for (const BundleLanguage& lang : languages) {
        for (const std::string& key : allKeys) {
            if (keysOf[lang.file].contains(key)) {
                continue;
            }
            std::string where;
            for (const BundleLanguage& other : languages) {
                if (keysOf[other.file].contains(key)) {
                    where = other.file;
                    break;
                }
            }
            findings.push_back({lang.file, 0, Severity::Warning,
                                "key \"" + posix::codePageToUtf8(key, codePageOf(lang)) +
                                    "\" is missing here but present in " + where,
                                WarningKind::MissingKey});
        }
    }
}

} // namespace qly::tools
