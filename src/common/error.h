// The one exception type of the project: an error that "reaches the caller". A failure of a
// file service also says what kind of failure it was, the system's own error number and the
// path it concerned, so that the user can be told which file and why.
#pragma once

#include <cstdint>
#include <exception>
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
    Damaged,      // a file of the patch is not what the patch says it is (its update.sha256 or
                  // the packed index): the download is damaged
    Link,         // a link, junction or mount point below the game folder would take the run
                  // somewhere else; nothing was changed
};

// The message is a std::string of its own rather than std::runtime_error's: the library keeps
// that one in its old reference-counted string, whose code the Windows program would otherwise
// carry whole (the linker cannot drop unused functions that have unwind tables).
class Error : public std::exception {
public:
    explicit Error(std::string what) : what_(std::move(what)) {}
    explicit Error(const char* what) : what_(what) {}
    Error(std::string what, FailureKind kind, int64_t systemCode, std::string path)
        : what_(std::move(what)), kind_(kind), systemCode_(systemCode), path_(std::move(path)) {}

    const char* what() const noexcept override { return what_.c_str(); }

    FailureKind kind() const { return kind_; }
    // The system's error number (errno or GetLastError), 0 when none applies.
    int64_t systemCode() const { return systemCode_; }
    // The path the failure concerned, as the caller gave it; empty when none applies.
    const std::string& path() const { return path_; }

private:
    std::string what_;
    FailureKind kind_ = FailureKind::Other;
    int64_t systemCode_ = 0;
    std::string path_;
};

} // namespace qly
