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

} // namespace

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
