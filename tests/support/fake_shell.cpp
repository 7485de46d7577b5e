#include "fake_shell.h"

namespace qly::test {

std::string FakeShell::browseForFolder(const std::string& title) {
    browseTitles_.push_back(title);
    if (onBrowse_) {
        onBrowse_();
    }
    if (answers_.empty()) {
        return {};
    }
    std::string answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> FakeShell::favoritesFolder() {
    ++favoritesAsked_;
    if (onFavorites_) {
        onFavorites_();
    }
    return favorites_;
}

} // namespace qly::test
