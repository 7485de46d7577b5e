// The one exception type of the project: an error that "reaches the caller". A failure of a
// file service also says what kind of failure it was, the system's own error number and the
// path it concerned, so that the user can be told which file and why.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qly {

// Why a file operation failed, as far as the user needs to know.
enum class FailureKind {
    Other,        // no plainer reason known
    InUse,        // another program holds the file open
    AccessDenied, // the user or the system refuses the access
    ReadOnly,     // the file is marked read-only
    DiskFull,     // the volume has no room left
    Vanished,     // the file (or a folder on its way) is not there
    InTheWay,     // a folder stands where a file must go, or a file where a folder must go
    Damaged,      // the downloaded patch itself is damaged (a packed file fails its checksum)
};

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    Error(const std::string& what, FailureKind kind, int64_t systemCode, std::string path)
        : std::runtime_error(what), kind_(kind), systemCode_(systemCode), path_(std::move(path)) {}

    FailureKind kind() const { return kind_; }
    // The system's error number (errno or GetLastError), 0 when none applies.
    int64_t systemCode() const { return systemCode_; }
    // The path the failure concerned, as the caller gave it; empty when none applies.
    const std::string& path() const { return path_; }

private:
    FailureKind kind_ = FailureKind::Other;
    int64_t systemCode_ = 0;
    std::string path_;
};

} // namespace qly
