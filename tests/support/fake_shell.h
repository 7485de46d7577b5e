// A scripted shell: the folder browser gives the next of a list of answers (then cancels),
// the Favorites folder is whatever the test sets, and opened targets are recorded.
#pragma once

#include "platform/shell.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qly::test {

class FakeShell : public Shell {
public:
    std::string browseForFolder(const std::string& title) override;
    std::optional<std::string> favoritesFolder() override;
    void open(const std::string& target) override { opened_.push_back(target); }

    std::deque<std::string> answers_;      // browser answers still to give; empty = cancel
    std::optional<std::string> favorites_; // the Favorites folder, if any
    std::function<void()> onBrowse_;       // runs when the browser opens
    std::function<void()> onFavorites_;    // runs when the Favorites folder is asked for

    std::vector<std::string> browseTitles_; // one per opening of the browser
    std::vector<std::string> opened_;
    int favoritesAsked_ = 0;
};

} // namespace qly::test
