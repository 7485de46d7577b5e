// The shell of the Linux program: the folder browser becomes a question on the terminal
// (a Linux path, or a Windows path inside the prefix), the Favorites folder is the prefix
// user's, and links are not opened.
#pragma once

#include "platform/shell.h"
#include "platform/terminal.h"
#include "prefix/prefix_paths.h"

#include <functional>
#include <optional>
#include <string>

namespace qly {

class TerminalShell final : public Shell {
public:
    using ToUtf8 = std::function<std::string(const std::string& bytes, int32_t charset)>;

    // startFolder: the working folder the program was started in, for relative answers.
    TerminalShell(Terminal& terminal, ToUtf8 toUtf8, const PrefixPaths& paths,
                  std::optional<std::string> favorites, std::string startFolder)
        : terminal_(terminal), toUtf8_(std::move(toUtf8)), paths_(paths),
          favorites_(std::move(favorites)), startFolder_(std::move(startFolder)) {}

    // Shows title and reads one line, then shows the folder it names; an empty line, the end
    // of the input or Ctrl+C cancel.
    using Shell::browseForFolder;
    std::string browseForFolder(const std::string& title, int32_t titleCharset,
                                BrowseStart start) override;
    std::optional<std::string> favoritesFolder() override { return favorites_; }
    void open(const std::string&) override {}

private:
    Terminal& terminal_;
    ToUtf8 toUtf8_;
    const PrefixPaths& paths_;
    std::optional<std::string> favorites_;
    std::string startFolder_;
};

// The folder a user typed, blanks around it removed: a Windows path mapped into the prefix, a
// relative Linux path taken from startFolder, "." and ".." resolved; empty stays empty.
std::string FolderOfAnswer(const PrefixPaths& paths, std::string answer,
                           const std::string& startFolder);

} // namespace qly
