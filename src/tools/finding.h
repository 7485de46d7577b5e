// One thing the bundle check found: where, how bad, and what.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qly::tools {

enum class Severity { Warning, Error };

struct Finding {
    std::string file; // relative to the bundle, "/" separators, e.g. "lang/pol.lng"
    int32_t line = 0; // 1-based; 0 when no line applies
    Severity severity = Severity::Error;
    std::string text;
};

// "file:line: error: text" (no ":line" when line is 0).
std::string FormatFinding(const Finding& finding);

// The findings as a JSON document: {"errors": N, "warnings": N, "findings": [{"file": ...,
// "line": N or null, "severity": "error"|"warning", "text": ...}, ...]}.
std::string FindingsToJson(const std::vector<Finding>& findings);

// The 1-based line of the byte at offset in text (lines end at LF, or at a CR not before LF).
int32_t LineOfOffset(const std::string& text, size_t offset);

} // namespace qly::tools
