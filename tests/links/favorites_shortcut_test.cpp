// The Favorites shortcut written when the window closes.
#include "links/favorites_shortcut.h"
#include "platform/posix/posix_file_system.h"
#include "support/form1_rig.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

constexpr const char* kShortcut = "[InternetShortcut]\r\nURL=http://q.example\r\n";

TEST(FavoritesShortcutTest, ReplacesAWholeOldShortcutInItsFolderOrGivesUpSilently) {
    test::TempFolder root;
    posix::PosixFileSystem disk;
    test::FakeShell shell;
    MakeFavoritesShortcut(shell, disk, "Quillory", "http://q.example"); // no Favorites at all
    shell.favorites_ = root.winPath() + "missing";
    MakeFavoritesShortcut(shell, disk, "Quillory", "http://q.example");
    EXPECT_FALSE(root.exists("missing"));

    shell.favorites_ = root.winPath(); // ends with "\": no second one
    root.write("Quillory.URL", "old contents that are longer than the new ones, by far");
    MakeFavoritesShortcut(shell, disk, "Quillory", "http://q.example");
    EXPECT_EQ(root.read("Quillory.URL"), kShortcut);

    // The title never leaves the Favorites folder.
    root.makeFolder("fav");
    shell.favorites_ = root.winPath() + "fav"; // without a final "\": one is added
    MakeFavoritesShortcut(shell, disk, "..\\..\\evil", "http://q.example");
    MakeFavoritesShortcut(shell, disk, "../x:y*?\"<>|", "http://q.example");
    EXPECT_EQ(root.read("fav/___.._evil.URL"), kShortcut);
    EXPECT_EQ(root.read("fav/___x_y______.URL"), kShortcut);
    EXPECT_FALSE(root.exists("evil.URL"));
    EXPECT_EQ(FavoritesFileTitle("Quillory v1.2"), "Quillory v1.2");
}

} // namespace
} // namespace qly
