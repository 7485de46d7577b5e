#include "tools/finding.h"

#include <algorithm>
#include <cstdio>

namespace qly::tools {
namespace {

// Text as a JSON string; bytes that are not valid UTF-8 pass unchanged, since file names and
// language texts are shown as they are.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

constexpr WarningKindName kKinds[] = {
    {WarningKind::Number, "number", "a layout value that is not a whole number"},
    {WarningKind::Link, "link", "a link area that opens nothing"},
    {WarningKind::Corner, "corner", "a control or drawing the rounded corners cut off"},
    {WarningKind::Repeated, "repeated",
     "a section, key or language code given twice, of which only the first is read"},
    {WarningKind::Screen, "screen", "a skin larger than a 1024 x 768 screen"},
    {WarningKind::Encoded, "encoded", "a run-length encoded skin, which cannot be checked"},
    {WarningKind::Wrap, "wrap", "a word the text area breaks inside itself"},
    {WarningKind::Tall, "tall", "a message series taller than the text area"},
    {WarningKind::Header, "header", "a language code that is not three capital letters"},
    {WarningKind::UnknownKey, "unknown-key", "a language key the installer does not read"},
    {WarningKind::MissingKey, "missing-key",
     "a language key missing in a file (English shown, or present in the others)"},
    {WarningKind::Charset, "charset", "a charset that shows the letters wrongly"},
    {WarningKind::EmptyTree, "empty-tree", "a patch tree with no files"},
    {WarningKind::Product, "product",
     "[product] keys left out, so the installer's own texts stay in the packed exe"},
    {WarningKind::Caption, "caption", "a [game] caption without %1: no percentage while copying"},
    {WarningKind::Other, "other", "any other warning"},
};

} // namespace

std::span<const WarningKindName> WarningKinds() {
    return kKinds;
}

std::optional<WarningKind> WarningKindNamed(std::string_view name) {
    for (const WarningKindName& k : kKinds) {
        if (name == k.name) {
            return k.kind;
        }
    }
    return std::nullopt;
}

std::string FormatFinding(const Finding& finding) {
    std::string out = finding.file;
    if (finding.line > 0) {
        out += ":" + std::to_string(finding.line);
    }
    out += finding.severity == Severity::Error ? ": error: " : ": warning: ";
    return out + finding.text;
}

std::string FindingsToJson(const std::vector<Finding>& findings) {
    const auto errors = std::ranges::count(findings, Severity::Error, &Finding::severity);
    std::string out = "{\"errors\": " + std::to_string(errors) +
                      ", \"warnings\": " + std::to_string(findings.size() - errors) +
                      ", \"findings\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"file\": " + jsonString(f.file) +
               ", \"line\": " + (f.line > 0 ? std::to_string(f.line) : "null") +
               ", \"severity\": " + (f.severity == Severity::Error ? "\"error\"" : "\"warning\"") +
               ", \"text\": " + jsonString(f.text) + "}";
    }
    return out + (findings.empty() ? "]}\n" : "\n]}\n");
}

int32_t LineOfOffset(const std::string& text, size_t offset) {
    int32_t line = 1;
    const size_t end = std::min(offset, text.size());
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++line;
        }
    }
    return line;
}

} // namespace qly::tools
