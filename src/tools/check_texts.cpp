// The message texts set in the text area as the installer wraps them.
#include "platform/posix/code_pages.h"
#include "tools/bundle_checks.h"
#include "tools/language_file_check.h"
#include "tools/offscreen_text_area.h"

namespace qly::tools {
namespace {

constexpr const char* kSeries[] = {"przed", "poz", "neg"};
constexpr const char* kSingleLines[] = {"error", "brak miejsca", "nie moge znalezc",
                                        "podaj folder"};

int32_t lineOfKey(const std::string& text, const std::string& key) {
    const size_t at = text.find("/" + key + "/");
    return at == std::string::npos ? 0 : LineOfOffset(text, at);
}

// Warns of each place where the wrap breaks a word inside itself.
void checkWraps(const BundleLanguage& lang, const std::string& key,
                const std::vector<std::string>& lines, unsigned codePage, int32_t width,
                std::vector<Finding>& findings) {
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& before = lines[i];
        const std::string& after = lines[i + 1];
        if (before.empty() || after.empty() || before.back() == ' ' || after.front() == ' ') {
            continue;
        }
        const size_t head = before.find_last_of(' ');
        const std::string start = before.substr(head == std::string::npos ? 0 : head + 1);
        const std::string end = after.substr(0, after.find(' '));
        findings.push_back({lang.file, lineOfKey(lang.bytes, key), Severity::Warning,
                            "\"" + key + "\": the word \"" +
                                posix::codePageToUtf8(start + end, codePage) +
                                "\" is broken after \"" + posix::codePageToUtf8(start, codePage) +
                                "\"; it is wider than the text area (" + std::to_string(width) +
                                " pixels less the margin)",
                            WarningKind::Wrap});
    }
}

} // namespace

void CheckTexts(const std::vector<BundleLanguage>& languages, const Rect& textArea,
                std::vector<Finding>& findings) {
    if (textArea.width <= 0 || textArea.height <= 0) {
        return; // the layout check reports it
    }
    for (const BundleLanguage& lang : languages) {
        const std::optional<int32_t> charset = LanguageCharset(lang.bytes);
        if (!charset) {
            continue; // the language check reports it
        }
        const unsigned codePage = posix::codePageOfCharset(*charset);
        OffscreenTextArea area(textArea, *charset);
        const int32_t rows = area.lineRows();
        for (const char* prefix : kSeries) {
            int32_t height = 0;
            for (int n = 1;; ++n) {
                const std::string key = prefix + std::to_string(n);
                const std::string text = LanguageText(lang.bytes, key);
                if (text.empty()) {
                    break;
                }
                const std::vector<std::string> lines = area.control().WrapLines(text);
                checkWraps(lang, key, lines, codePage, textArea.width, findings);
                height += rows * static_cast<int32_t>(lines.size());
            }
            if (height > textArea.height) {
                const std::string first = std::string(prefix) + "1";
                findings.push_back({lang.file, lineOfKey(lang.bytes, first), Severity::Warning,
                                    "the \"" + std::string(prefix) + "\" series is " +
                                        std::to_string(height) + " pixels tall, the text area " +
                                        std::to_string(textArea.height) +
                                        ": its first lines scroll out of sight",
                                    WarningKind::Tall});
            }
        }
        for (const char* key : kSingleLines) {
            const std::string text = LanguageText(lang.bytes, key);
            if (!text.empty()) {
                checkWraps(lang, key, area.control().WrapLines(text), codePage, textArea.width,
                           findings);
            }
        }
    }
}

} // namespace qly::tools
