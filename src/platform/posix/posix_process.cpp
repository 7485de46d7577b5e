#include "platform/posix/posix_process.h"

#include "common/error.h"
#include "platform/posix/posix_file_system.h"

#include <cerrno>
#include <cstring>
#include <limits.h>
#include <unistd.h>

namespace qly::posix {

PosixProcess::PosixProcess(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine_ += ' ';
        }
        commandLine_ += argv[i];
    }
}

std::string PosixProcess::programFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return ".";
    }
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void PosixProcess::setWorkingFolder(const std::string& folder) {
    if (chdir(nativePath(folder).c_str()) != 0) {
        throw Error("cannot enter " + folder + ": " + std::strerror(errno));
    }
}

} // namespace qly::posix
