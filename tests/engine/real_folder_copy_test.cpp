// The engine on a real temporary folder through the POSIX file services.
#include "engine/class_copy_sys.h"
#include "platform/posix/posix_file_system.h"
#include "support/fake_message_loop.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

TEST(RealFolderCopy, CopiesNonAsciiAndHiddenFilesButNoFolderLinks) {
    TempFolder dir;
    const std::string polish = "Mapy gry/\xC5\x81\xC3\xB3"
                               "d\xC5\xBA.dat"; // "Mapy gry/Łódź.dat"
    dir.write("update/" + polish, std::string(62001, 'p'));
    dir.write("update/.hidden.cfg", "secret");
    dir.write("game/.hidden.cfg", "an older and much longer file");
    stdfs::create_directory_symlink(dir.file("update"), dir.file("update/Mapy gry/loop"));

    posix::PosixFileSystem fs;
    FakeMessageLoop loop;
    classCopySys engine(fs, loop);
    EXPECT_EQ(engine.QuickCopy(dir.winPath() + "update\\", dir.winPath() + "game\\"), 62001 + 6);
    EXPECT_TRUE(dir.read("game/" + polish) == std::string(62001, 'p'));
    EXPECT_EQ(dir.read("game/.hidden.cfg"), "secret");
    EXPECT_FALSE(dir.exists("game/Mapy gry/loop"));
}

TEST(RealFolderCopy, SubfolderWithoutReadPermissionFailsTheRunBeforeAnythingIsWritten) {
    TempFolder dir;
    dir.write("update/top.txt", "top");
    dir.write("update/locked/inner.txt", "inner");
    stdfs::permissions(dir.file("update/locked"),
                       stdfs::perms::owner_write | stdfs::perms::owner_exec);
    // Root (and some sandboxes) read any folder; there the fake file system covers this case.
    std::error_code probe;
    const bool bypassed =
        stdfs::directory_iterator(dir.file("update/locked"), probe) != stdfs::directory_iterator();
    if (bypassed || !probe) {
        stdfs::permissions(dir.file("update/locked"), stdfs::perms::owner_all);
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    }
    dir.makeFolder("game");

    posix::PosixFileSystem fs;
    FakeMessageLoop loop;
    classCopySys engine(fs, loop);
    EXPECT_EQ(engine.QuickCopy(dir.winPath() + "update\\", dir.winPath() + "game\\"), -1);
    stdfs::permissions(dir.file("update/locked"), stdfs::perms::owner_all);
    EXPECT_TRUE(stdfs::is_empty(dir.file("game")));
}

} // namespace
} // namespace qly::test
