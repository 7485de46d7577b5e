// Below the game folder nothing is reached through a link: a folder swapped for a link to a
// folder outside between the run's check and its use is refused at the use, by every change
// the transaction makes, and nothing outside changes. The game folder itself may be a link.
#include "common/error.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace qly {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

// The files below folder by their relative paths, with their contents; links not followed.
Tree treeOf(const std::string& folder) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            std::ostringstream contents;
            contents << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            tree[fs::relative(entry.path(), folder).string()] = contents.str();
        }
    }
    return tree;
}

class PosixConfinedFileSystemTest : public ::testing::Test {
protected:
    PosixConfinedFileSystemTest() {
        temp.write("/game/main.exe", "game");
        temp.write("/game/data/levels.dat", "old levels");
        temp.write("/game/data/deep/map.dat", "old map");
        temp.write("/game/stage/0.new", "staged");
        temp.write("/outside/levels.dat", "not the game's");
        temp.write("/outside/deep/map.dat", "not the game's either");
        files.confineBelow(game());
    }
    std::string game() const { return temp.winPath() + "\\game"; }
    // What the run checked is now another thing: data is a link to the folder outside.
    void swapDataForALink() const {
        fs::rename(temp.file("/game/data"), temp.file("/moved-data"));
        fs::create_directory_symlink(temp.file("/outside"), temp.file("/game/data"));
    }

    test::TempFolder temp;
    posix::PosixFileSystem files;
};

TEST_F(PosixConfinedFileSystemTest, AFolderSwappedForALinkIsNeverGoneThrough) {
    const std::string g = game() + "\\";
    const std::vector<std::pair<std::string, std::function<void()>>> uses{
        {"create a folder", [&] { files.createFolder(g + "data\\new"); }},
        {"create a file", [&] { files.open(g + "data\\levels.dat.x", OpenMode::CreateNew); }},
        {"truncate a file", [&] { files.open(g + "data\\levels.dat", OpenMode::CreateAlways); }},
        {"open to write", [&] { files.open(g + "data\\levels.dat", OpenMode::ReadWrite); }},
        {"delete", [&] { files.deleteFile(g + "data\\levels.dat"); }},
        {"delete deeper", [&] { files.deleteFile(g + "data\\deep\\map.dat"); }},
        {"remove a folder", [&] { files.removeFolder(g + "data\\deep"); }},
        {"move in", [&] { files.replaceFile(g + "stage\\0.new", g + "data\\levels.dat"); }},
        {"move out", [&] { files.replaceFile(g + "data\\levels.dat", g + "stage\\0.old"); }},
        {"move in durably",
         [&] { files.replaceFileDurably(g + "stage\\0.new", g + "data\\levels.dat"); }},
        {"replace with a backup",
         [&] {
             files.replaceWithBackup(g + "stage\\0.new", g + "data\\levels.dat", g + "stage\\b");
         }},
        {"keep a backup there",
         [&] { files.replaceWithBackup(g + "stage\\0.new", g + "main.exe", g + "data\\b"); }},
        {"hold the folder", [&] { files.holdFolder(g + "data\\deep"); }},
        {"identify", [&] { files.identityOf(g + "data\\levels.dat"); }},
    };
    swapDataForALink();
    const auto outside = treeOf(temp.file("/outside"));
    for (const auto& [what, use] : uses) {
        SCOPED_TRACE(what);
        try {
            use();
            ADD_FAILURE() << "went through the link";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), FailureKind::Link) << e.what();
        }
        EXPECT_EQ(treeOf(temp.file("/outside")), outside);
    }
    EXPECT_EQ(treeOf(temp.file("/game/stage")), (Tree{{"0.new", "staged"}}));
    // A path below a folder not made yet is simply not there; the link itself, the last part
    // of a path, is what the lookup answers about.
    EXPECT_FALSE(files.statusOf(g + "fresh\\deep\\a.txt"));
    EXPECT_FALSE(files.identityOf(g + "main.exe\\a.txt"));
    EXPECT_EQ(files.statusOf(g + "data").value_or(0) & kAttrReparsePoint, kAttrReparsePoint);
}

TEST_F(PosixConfinedFileSystemTest, TheGameFolderItselfMayBeALink) {
    fs::rename(temp.file("/game"), temp.file("/drive2-game"));
    fs::create_directory_symlink(temp.file("/drive2-game"), temp.file("/game"));
    const std::string g = game() + "\\";
    files.createFolder(g + "data\\fresh");
    files.open(g + "data\\fresh\\a.txt", OpenMode::CreateNew)->write(std::span("a", 1));
    files.replaceWithBackup(g + "stage\\0.new", g + "data\\levels.dat", g + "stage\\0.old");
    EXPECT_EQ(treeOf(temp.file("/drive2-game/data")),
              (Tree{{"deep/map.dat", "old map"}, {"fresh/a.txt", "a"}, {"levels.dat", "staged"}}));
    EXPECT_TRUE(files.removeFolder(g + "data\\deep") == false);
}

} // namespace
} // namespace qly
