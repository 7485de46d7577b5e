// The folder question of the Linux program, answered on the terminal.
#include "linux_front/terminal_shell.h"
#include "platform/posix/code_pages.h"
#include "prefix/prefix_fixture.h"
#include "support/fake_terminal.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(TerminalShellTest, FolderAnswersAsLinuxOrWindowsPathsInsideThePrefix) {
    test::PrefixFixture f;
    test::FakeTerminal terminal;
    TerminalShell shell(
        terminal,
        [](const std::string& bytes, int32_t charset) {
            return posix::codePageToUtf8(bytes, posix::codePageOfCharset(charset));
        },
        f.paths, std::string("/fav"), "/home/anna");
    terminal.answers_ = {"  c:\\GAMES\\quillory\\ ", "/home/anna/Games/", "../bob/./x", ""};
    EXPECT_EQ(shell.browseForFolder("Wska\xBF folder", 238), f.drive() + "/games/QUILLORY");
    // The folder the answer leads to is shown, as the question before the copy shows it.
    EXPECT_EQ(terminal.written_, "Wska\xC5\xBC folder\n> " + f.drive() + "/games/QUILLORY\n");
    EXPECT_EQ(shell.browseForFolder("t", 0), "/home/anna/Games");
    EXPECT_EQ(shell.browseForFolder("t", 0), "/home/bob/x"); // from the starting folder
    EXPECT_EQ(shell.browseForFolder("t", 0), "");
    EXPECT_EQ(shell.browseForFolder("t", 0), ""); // the end of the input cancels
    EXPECT_EQ(shell.favoritesFolder(), "/fav");
}

} // namespace
} // namespace qly
