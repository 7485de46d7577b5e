#include "platform/posix/posix_terminal.h"

#include "common/error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace qly::posix {

namespace {

// A signal handler may only set a flag of this type; it is the one piece of state shared
// with the handler, so it cannot live in an object.
volatile std::sig_atomic_t interruptSeen = 0;

extern "C" void onInterrupt(int) {
    interruptSeen = 1;
}

} // namespace

PosixTerminal::PosixTerminal() {
    interruptSeen = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a read waiting for an answer ends at Ctrl+C
    // Killed mid-copy, the program would leave its staged files and journal in the game
    // folder: an end asked for (kill, a closed terminal) is a stop like Ctrl+C.
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], &action, &previous_[i]);
    }
    // A reader of the output that went away (`| head`) must not end the run either: writes
    // then fail with EPIPE, and the run goes on.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previousPipe_);
}

PosixTerminal::~PosixTerminal() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], &previous_[i], nullptr);
    }
    sigaction(SIGPIPE, &previousPipe_, nullptr);
}

bool PosixTerminal::interactive() const {
    return isatty(STDOUT_FILENO) == 1;
}

int32_t PosixTerminal::width() const {
    struct winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

void PosixTerminal::write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::optional<std::string> PosixTerminal::readLine() {
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR && interruptSeen == 0) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt; // end of input, no input, or Ctrl+C
        }
        if (c == '\n') {
            break;
        }
        line += c;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

bool PosixTerminal::interrupted() const {
    return interruptSeen != 0;
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

std::string HomeFolder() {
    if (auto home = EnvironmentVariable("HOME"); home && !home->empty()) {
        return *home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::string UserName() {
    if (auto user = EnvironmentVariable("USER"); user && !user->empty()) {
        return *user;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) {
        return entry->pw_name;
    }
    return {};
}

std::optional<std::string> ReadLink(const std::string& path) {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

PosixPrivateFolder::PosixPrivateFolder() {
    std::string base = EnvironmentVariable("TMPDIR").value_or("/tmp");
    if (base.empty()) {
        base = "/tmp";
    }
    std::string pattern = base + "/qlypatch-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) { // mode 0700
        throw Error("cannot make a private folder under " + base, FailureKind::Other, errno, base);
    }
    path_ = pattern;
}

PosixPrivateFolder::~PosixPrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace qly::posix
