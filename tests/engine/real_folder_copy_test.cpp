// The engine on real temporary folders through the POSIX file services.
#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "platform/posix/posix_file_system.h"
#include "support/fake_message_loop.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

class RealFolderCopy : public ::testing::Test {
protected:
    RealFolderCopy() {
        stdfs::create_directories(game.file("game"));
        source = src.winPath() + "update\\";
        dest = game.winPath() + "game\\";
    }

    static std::string pattern(std::size_t n) {
        std::string out(n, '\0');
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        }
        return out;
    }

    TempFolder src;
    TempFolder game;
    std::string source;
    std::string dest;
    posix::PosixFileSystem fs;
    FakeMessageLoop loop;
    classCopySys engine{fs, loop};
};

TEST_F(RealFolderCopy, CopiesATreeWithSpacesNonAsciiHiddenAndEmptyEntries) {
    // "Mapy gry/Łódź żółw.dat"
    const std::string polish = "Mapy gry/\xC5\x81\xC3\xB3"
                               "d\xC5\xBA \xC5\xBC\xC3\xB3\xC5\x82w.dat";
    src.write("update/readme.txt", "hello");
    src.write("update/" + polish, pattern(62001));
    src.write("update/.hidden.cfg", "secret");
    src.write("update/empty.bin", "");
    src.makeFolder("update/Puste folder");
    game.write("game/readme.txt", "an older and much longer readme");

    EXPECT_EQ(engine.QuickCopy(source, dest), 5 + 62001 + 6);
    EXPECT_EQ(game.read("game/readme.txt"), "hello");
    EXPECT_TRUE(game.read("game/" + polish) == pattern(62001));
    EXPECT_EQ(game.read("game/.hidden.cfg"), "secret");
    EXPECT_EQ(game.read("game/empty.bin"), "");
    EXPECT_TRUE(stdfs::is_directory(game.file("game/Puste folder")));
    EXPECT_TRUE(loop.messageBoxes().empty());
    for (const auto& entry : stdfs::recursive_directory_iterator(game.path())) {
        EXPECT_NE(entry.path().extension(), ".qlytmp") << entry.path();
    }
}

TEST_F(RealFolderCopy, FolderLinksAreNeitherFollowedNorRecreatedButFileLinksAreCopied) {
    src.write("update/sub/a.txt", "a");
    src.write("outside/b.txt", "bb");
    stdfs::create_directory_symlink(src.file("update"), src.file("update/sub/loop"));
    stdfs::create_directory_symlink(src.file("outside"), src.file("update/elsewhere"));
    stdfs::create_symlink(src.file("outside/b.txt"), src.file("update/b-link.txt"));

    EXPECT_EQ(engine.QuickCopy(source, dest), 1 + 2);
    EXPECT_EQ(game.read("game/sub/a.txt"), "a");
    EXPECT_EQ(game.read("game/b-link.txt"), "bb");
    EXPECT_FALSE(game.exists("game/sub/loop"));
    EXPECT_FALSE(game.exists("game/elsewhere"));
}

TEST_F(RealFolderCopy, StopKeepsTheOldFileOnDisk) {
    src.write("update/big.bin", pattern(300000));
    game.write("game/big.bin", "old");
    loop.at(2, [this] { engine.StopCopy(); });
    EXPECT_EQ(engine.QuickCopy(source, dest), 0);
    EXPECT_EQ(game.read("game/big.bin"), "old");
    EXPECT_FALSE(game.exists("game/big.bin.qlytmp"));
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_TRUE(game.read("game/big.bin") == pattern(300000));
}

TEST_F(RealFolderCopy, SizesAboveFourGibibytesAreCountedWhole) {
    src.write("update/small.txt", "x");
    stdfs::resize_file(src.file("update/small.txt"), (int64_t{5} << 30) + 3);
    EXPECT_EQ(engine.CopyINI(source), (int64_t{5} << 30) + 3);
    EXPECT_EQ(engine.CopyINI(src.winPath() + "update\\small.txt"), (int64_t{5} << 30) + 3);
}

TEST_F(RealFolderCopy, MissingSourcesAndFolderCreationFailuresAreReported) {
    EXPECT_EQ(engine.QuickCopy(src.winPath() + "nothing\\", dest), -1);
    EXPECT_THROW(engine.QuickCopy(src.winPath() + "nothing.txt", dest), Error);

    src.write("update/sub/a.txt", "a");
    game.write("game/sub", "a file where the folder should go");
    stdfs::create_directories(src.file("update/sub/deeper"));
    EXPECT_THROW(engine.QuickCopy(source, dest), Error);
    EXPECT_EQ(game.read("game/sub"), "a file where the folder should go");
}

} // namespace
} // namespace qly::test
