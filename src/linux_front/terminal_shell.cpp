#include "linux_front/terminal_shell.h"

namespace qly {

std::string FolderOfAnswer(const PrefixPaths& paths, std::string answer,
                           const std::string& startFolder) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!answer.empty() && blank(answer.back())) {
        answer.pop_back();
    }
    std::size_t first = 0;
    while (first < answer.size() && blank(answer[first])) {
        ++first;
    }
    answer.erase(0, first);
    if (IsWindowsPath(answer)) {
        return paths.linuxPath(answer).value_or(answer);
    }
    if (answer.empty()) {
        return answer;
    }
    return NormalLinuxPath(answer.front() == '/' ? answer : startFolder + "/" + answer);
}

std::string TerminalShell::browseForFolder(const std::string& title, int32_t titleCharset,
                                           BrowseStart /*a typed path starts nowhere*/) {
    terminal_.write(toUtf8_(title, titleCharset) + "\n> ");
    const std::optional<std::string> answer = terminal_.readLine();
    if (!answer) {
        terminal_.write("\n");
        return {};
    }
    std::string folder = FolderOfAnswer(paths_, *answer, startFolder_);
    if (!folder.empty()) {
        // Where a Windows or relative answer leads is what the patch goes into: said once.
        terminal_.write(folder + "\n");
    }
    return folder;
}

} // namespace qly
