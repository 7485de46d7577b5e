// One thing the bundle check found: where, how bad, and what.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qly::tools {

enum class Severity { Warning, Error };

// What a warning is about, so that a patch maker can silence the kinds they accept.
enum class WarningKind {
    Other,
    Number,
    Link,
    Corner,
    Repeated,
    Screen,
    Encoded,
    Wrap,
    Tall,
    Header,
    UnknownKey,
    MissingKey,
    Charset,
    EmptyTree,
    Product,
    Caption,
};

struct WarningKindName {
    WarningKind kind;
    const char* name; // as --no-warn takes it
    const char* what; // for --help
};

// Every kind with its name, in the order --help lists them.
std::span<const WarningKindName> WarningKinds();
// The kind called name, or nothing.
std::optional<WarningKind> WarningKindNamed(std::string_view name);

struct Finding {
    std::string file; // relative to the bundle, "/" separators, e.g. "lang/pol.lng"
    int32_t line = 0; // 1-based; 0 when no line applies
    Severity severity = Severity::Error;
    std::string text;
    WarningKind kind = WarningKind::Other; // for warnings
};

// "file:line: error: text" (no ":line" when line is 0).
std::string FormatFinding(const Finding& finding);

// The findings as a JSON document: {"errors": N, "warnings": N, "findings": [{"file": ...,
// "line": N or null, "severity": "error"|"warning", "text": ...}, ...]}.
std::string FindingsToJson(const std::vector<Finding>& findings);

// The 1-based line of the byte at offset in text (lines end at LF, or at a CR not before LF).
int32_t LineOfOffset(const std::string& text, size_t offset);

} // namespace qly::tools
