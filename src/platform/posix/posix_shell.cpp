#include "platform/posix/posix_shell.h"

namespace qly::posix {

std::string PosixShell::browseForFolder(const std::string& /*title*/, int32_t /*titleCharset*/,
                                        BrowseStart /*start*/) {
    if (answers_.empty()) {
        return {};
    }
    std::string answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

} // namespace qly::posix
