// A text file that lines are appended to, for the support log.
#pragma once

#include "platform/win32/win32_handles.h"

#include <optional>
#include <string>

namespace qly::win32 {

class Win32LogFile {
public:
    // Opens (or creates) the file at the UTF-8 path for appending; other programs may read it
    // meanwhile. Throws Error when it cannot be opened.
    explicit Win32LogFile(const std::string& path);

    // Appends line and CR LF at the end of the file, at once (no buffering, so the log is
    // complete up to the last line even if the program is killed). Failures are ignored.
    void appendLine(const std::string& line) noexcept;

private:
    UniqueFile file_;
};

// The value of an environment variable, UTF-8; nothing when it is not set or empty.
std::optional<std::string> environmentVariable(const std::string& name);

} // namespace qly::win32
