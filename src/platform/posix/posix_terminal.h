// The terminal of the native build: standard output and input, with Ctrl+C (SIGINT) caught
// for the lifetime of the object instead of ending the program.
#pragma once

#include "platform/terminal.h"

#include <csignal>

namespace qly::posix {

class PosixTerminal final : public Terminal {
public:
    // Installs the SIGINT handler; the destructor puts the previous one back. One at a time.
    PosixTerminal();
    ~PosixTerminal() override;
    PosixTerminal(const PosixTerminal&) = delete;
    PosixTerminal& operator=(const PosixTerminal&) = delete;

    bool interactive() const override;
    int32_t width() const override;
    void write(std::string_view text) override;
    std::optional<std::string> readLine() override;
    bool interrupted() const override;

private:
    struct sigaction previous_ {};
};

// The value of an environment variable; nothing when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

// $HOME, else the password database's home folder of the user, else "/".
std::string HomeFolder();

// The login name ($USER, else the password database's), empty when unknown.
std::string UserName();

// The target of a symbolic link as written in it; nothing when path is not a link.
std::optional<std::string> ReadLink(const std::string& path);

// A new folder under the temporary folder that only this user may open, removed with all it
// holds by the destructor.
class PosixPrivateFolder {
public:
    // Throws Error when it cannot be made.
    PosixPrivateFolder();
    ~PosixPrivateFolder();
    PosixPrivateFolder(const PosixPrivateFolder&) = delete;
    PosixPrivateFolder& operator=(const PosixPrivateFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace qly::posix
