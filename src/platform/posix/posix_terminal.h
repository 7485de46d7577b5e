// The terminal of the native build: standard output and input, with Ctrl+C (SIGINT), a kill
// (SIGTERM) and a closed terminal (SIGHUP) caught for the lifetime of the object instead of
// ending the program, and a closed output pipe (SIGPIPE) ignored.
#pragma once

#include "platform/terminal.h"

#include <array>
#include <csignal>

namespace qly::posix {

class PosixTerminal final : public Terminal {
public:
    // Installs the handlers; the destructor puts the previous ones back. One at a time.
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
    static constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, kStopSignals.size()> previous_{};
    struct sigaction previousPipe_ {};
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
