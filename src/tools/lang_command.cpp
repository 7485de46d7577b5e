// qlypatch-tool lang SOURCE.txt -o FILE.lng: a language file from its UTF-8 source, in the
// code page of its charset ("#skrypt"), with CR LF line ends.
#include "common/error.h"
#include "platform/posix/code_pages.h"
#include "tools/bundle.h"
#include "tools/language_file_check.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace qly::tools {
namespace {

// LF for CR LF and for a lone CR, then CR LF for every LF.
std::string crLfLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

// The name of the UTF-16 form text is in (a byte order mark, or zero bytes that UTF-8 text
// never holds), or nothing.
std::optional<std::string> utf16Form(const std::string& text) {
    if (text.starts_with("\xFF\xFE")) {
        return "UTF-16 (little-endian, with a byte order mark)";
    }
    if (text.starts_with("\xFE\xFF")) {
        return "UTF-16 (big-endian, with a byte order mark)";
    }
    const size_t zero = text.find('\0');
    if (zero == std::string::npos) {
        return std::nullopt;
    }
    return zero % 2 == 1 ? "UTF-16 (little-endian, without a byte order mark)"
                         : "UTF-16 (big-endian, without a byte order mark)";
}

} // namespace

int RunLang(std::span<const std::string> args, std::ostream& out) {
    const ToolArguments parsed = ParseToolArguments(args, {}, {"-o"}, 1, 1);
    const std::optional<std::string> target = parsed.option("-o");
    if (!target) {
        throw UsageError("-o FILE.lng is missing");
    }
    const std::string& source = parsed.positional[0];
    std::string text = ReadWhole(source);
    if (const std::optional<std::string> form = utf16Form(text)) {
        out << FormatFinding({source, 0, Severity::Error,
                              "the source is " + *form +
                                  ", not UTF-8: save it as UTF-8 (in Notepad: File, Save As, "
                                  "Encoding \"UTF-8\"; iconv -f UTF-16 -t UTF-8 converts it) "
                                  "and run again"})
            << "\n";
        return 1;
    }
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    text = crLfLines(text);

    std::vector<Finding> findings = CheckLanguageFile(source, text, true);
    const std::optional<int32_t> charset = LanguageCharset(text);
    std::string bytes;
    if (!charset) {
        findings.push_back({source, 0, Severity::Error,
                            "\"#skrypt\" names no charset with a single-byte code page"});
    } else {
        const unsigned codePage = posix::codePageOfCharset(*charset);
        const size_t missing = posix::firstCharacterMissing(text, codePage);
        if (missing != std::string::npos) {
            size_t length = 1;
            while (missing + length < text.size() &&
                   (static_cast<unsigned char>(text[missing + length]) & 0xC0) == 0x80) {
                ++length;
            }
            findings.push_back({source, LineOfOffset(text, missing), Severity::Error,
                                "code page " + std::to_string(codePage) + " (charset " +
                                    std::to_string(*charset) + ") has no \"" +
                                    text.substr(missing, length) + "\""});
        }
        bytes = posix::utf8ToCodePage(text, codePage);
        if (std::optional<Finding> size = CheckLanguageFileSize(source, bytes.size())) {
            findings.push_back(std::move(*size));
        }
    }
    bool failed = false;
    for (const Finding& f : findings) {
        out << FormatFinding(f) << "\n";
        failed = failed || f.severity == Severity::Error;
    }
    if (failed) {
        return 1;
    }
    std::ofstream file(*target, std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !file.flush()) {
        throw Error("cannot write " + *target);
    }
    out << source << " -> " << *target << " (code page " << posix::codePageOfCharset(*charset)
        << ", " << bytes.size() << " bytes)\n";
    return 0;
}

} // namespace qly::tools
