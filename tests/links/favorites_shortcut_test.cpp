// The link areas and the Favorites shortcut.
#include "links/favorites_shortcut.h"
#include "platform/posix/posix_file_system.h"
#include "support/fake_shell.h"
#include "support/form1_rig.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

constexpr const char* kShortcut = "[InternetShortcut]\r\nURL=http://q.example\r\n";

TEST(FavoritesShortcutTest, WritesOrReplacesTheShortcutInTheFavoritesFolder) {
    test::TempFolder fav;
    posix::PosixFileSystem disk;
    test::FakeShell shell;
    shell.favorites_ = fav.winPath(); // ends with "\": no second one
    fav.write("Quillory.URL", "old contents that are longer than the new ones, by far");
    MakeFavoritesShortcut(shell, disk, "Quillory", "http://q.example");
    EXPECT_EQ(fav.read("Quillory.URL"), kShortcut);

    shell.favorites_ = fav.winPath().substr(0, fav.winPath().size() - 1);
    MakeFavoritesShortcut(shell, disk, "", "http://q.example");
    EXPECT_EQ(fav.read(".URL"), kShortcut);
}

TEST(FavoritesShortcutTest, TitleNeverLeavesTheFavoritesFolder) {
    test::TempFolder root;
    root.makeFolder("fav");
    posix::PosixFileSystem disk;
    test::FakeShell shell;
    shell.favorites_ = root.winPath() + "fav";
    MakeFavoritesShortcut(shell, disk, "..\\..\\evil", "http://q.example");
    MakeFavoritesShortcut(shell, disk, "../x:y*?\"<>|", "http://q.example");
    EXPECT_EQ(root.read("fav/___.._evil.URL"), kShortcut);
    EXPECT_EQ(root.read("fav/___x_y______.URL"), kShortcut);
    EXPECT_FALSE(root.exists("evil.URL"));
    EXPECT_EQ(FavoritesFileTitle("Quillory v1.2"), "Quillory v1.2");
}

TEST(FavoritesShortcutTest, GivesUpSilentlyWithoutAFolder) {
    test::TempFolder root;
    posix::PosixFileSystem disk;
    test::FakeShell shell;
    MakeFavoritesShortcut(shell, disk, "Quillory", "http://q.example"); // no Favorites
    shell.favorites_ = root.winPath() + "missing";
    MakeFavoritesShortcut(shell, disk, "Quillory", "http://q.example");
    EXPECT_FALSE(root.exists("missing"));
}

TEST(LinkAreasTest, EachAreaOpensItsOwnLinkOnlyWhenSet) {
    test::PatternFileSystem fs;
    test::Form1Rig rig(fs, "C:\\Patch", false);
    rig.profile_.values_[{"linkleft", "link"}] = "http://left.example";
    ASSERT_TRUE(rig.load());
    rig.form().Image1_Click(); // linkright is empty
    rig.form().Image2_Click();
    EXPECT_EQ(rig.shell_.opened_, std::vector<std::string>{"http://left.example"});
}

} // namespace
} // namespace qly
