// The shell of the native build: the Favorites folder is a plain folder given at
// construction, the folder browser gives prepared answers, and targets to open are only
// remembered (there is no desktop to hand them to).
#pragma once

#include "platform/shell.h"

#include <deque>
#include <string>
#include <vector>

namespace qly::posix {

class PosixShell final : public Shell {
public:
    // favorites: the Favorites folder, or nothing; answers: what the browser returns, one per
    // opening, then empty (a cancel).
    PosixShell(std::optional<std::string> favorites, std::deque<std::string> answers)
        : favorites_(std::move(favorites)), answers_(std::move(answers)) {}

    using Shell::browseForFolder;
    std::string browseForFolder(const std::string& title, int32_t titleCharset,
                                BrowseStart start) override;
    std::optional<std::string> favoritesFolder() override { return favorites_; }
    void open(const std::string& target) override { opened_.push_back(target); }

    const std::vector<std::string>& opened() const { return opened_; }

private:
    std::optional<std::string> favorites_;
    std::deque<std::string> answers_;
    std::vector<std::string> opened_;
};

} // namespace qly::posix
