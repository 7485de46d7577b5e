#include "common/error.h"
#include "platform/name_pattern.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

TEST(NamePattern, MatchesLikeWindowsIgnoringLetterCase) {
    EXPECT_TRUE(matchesPattern("noextension", "*.*"));
    EXPECT_TRUE(matchesPattern("README.TXT", "*.txt"));
    EXPECT_FALSE(matchesPattern("readme.txt.bak", "*.txt"));
    EXPECT_FALSE(matchesPattern("a1b22", "a*b*c"));
    EXPECT_TRUE(matchesPattern("\xC5\x82.txt", "?.TXT")); // one non-ASCII character
}

class PosixFileSystemTest : public ::testing::Test {
protected:
    std::string at(const std::string& rel) const { return dir.winPath() + rel; }

    TempFolder dir;
    posix::PosixFileSystem fs;
};

TEST_F(PosixFileSystemTest, ListingsAndLookupsGiveWindowsAttributesAndSixtyFourBitSizes) {
    dir.write("plain.txt", "abc");
    dir.write(".hidden", "");
    dir.write("readonly.txt", "r");
    stdfs::permissions(dir.file("readonly.txt"), stdfs::perms::owner_read);
    dir.write("huge.bin", "");
    stdfs::resize_file(dir.file("huge.bin"), int64_t{3} << 31);
    dir.makeFolder("sub");
    stdfs::create_directory_symlink(dir.file("sub"), dir.file("link"));

    std::map<std::string, DirEntry> all;
    auto listing = fs.list(dir.winPath(), "*");
    for (DirEntry entry; listing && listing->next(entry);) {
        all[entry.name] = entry;
    }
    EXPECT_EQ(all.at(".hidden").attributes, kAttrHidden);
    EXPECT_EQ(all.at("readonly.txt").attributes, kAttrReadOnly);
    EXPECT_EQ(all.at("huge.bin").size, int64_t{3} << 31);
    EXPECT_EQ(all.at("sub").attributes, kAttrDirectory);
    EXPECT_EQ(all.at("link").attributes, kAttrDirectory | kAttrReparsePoint);
    // Nothing matching is an empty listing; a folder that is not there is a failure.
    EXPECT_EQ(fs.list(dir.winPath(), "*.none"), nullptr);
    EXPECT_THROW(fs.list(at("missing\\"), "*"), Error);
}

TEST_F(PosixFileSystemTest, FilesTransferInStepsReplaceEvenReadOnlyOnesAndFailuresAreErrors) {
    const std::string data = std::string(50000, 'a') + std::string(50000, 'b');
    dir.write("src.bin", data);
    {
        auto in = fs.open(at("src.bin"), OpenMode::Read);
        auto out = fs.open(at("dst.bin"), OpenMode::CreateAlways);
        std::string buffer;
        EXPECT_EQ(out->transferFrom(*in, 62000, buffer), 62000u);
        EXPECT_EQ(out->transferFrom(*in, 62000, buffer), 38000u);
        EXPECT_EQ(out->transferFrom(*in, 62000, buffer), 0u);
        EXPECT_EQ(out->length(), 100000);
    }
    dir.write("old.txt", "old contents, longer");
    stdfs::permissions(dir.file("old.txt"), stdfs::perms::owner_read);
    fs.replaceFile(at("dst.bin"), at("old.txt"));
    EXPECT_TRUE(dir.read("old.txt") == data);
    EXPECT_FALSE(dir.exists("dst.bin"));

    dir.makeFolder("folder");
    EXPECT_THROW(fs.open(at("folder"), OpenMode::Read), Error);
    EXPECT_THROW(fs.open(at("missing"), OpenMode::Read), Error);
    EXPECT_THROW(fs.createFolder(at("folder")), Error);
    EXPECT_THROW(fs.createFolder(at("no\\such\\parent")), Error);
    EXPECT_THROW(fs.deleteFile(at("missing")), Error);
}

TEST_F(PosixFileSystemTest, FreeBytesAreThoseOfTheVolumeHoldingAPathNotYetCreated) {
    const auto here = fs.freeBytes(dir.winPath());
    const auto below = fs.freeBytes(at("not\\yet\\there\\"));
    ASSERT_TRUE(here && below && *here > 0);
    EXPECT_LT(std::abs(*below - *here), int64_t{64} << 20); // others may write in between
}

// The moves and lookups of the update transaction, on a real folder.
TEST_F(PosixFileSystemTest, ReplaceWithBackupKeepsTheOldFileAndItsPermissions) {
    dir.write("game.exe", "old");
    stdfs::permissions(dir.file("game.exe"), stdfs::perms::owner_read | stdfs::perms::owner_write |
                                                 stdfs::perms::owner_exec);
    dir.write("game.exe.qlytmp", "new");
    dir.write("game.exe.qlybak", "stale");
    fs.replaceWithBackup(at("game.exe.qlytmp"), at("game.exe"), at("game.exe.qlybak"));
    EXPECT_EQ(dir.read("game.exe"), "new");
    EXPECT_EQ(dir.read("game.exe.qlybak"), "old");
    EXPECT_FALSE(stdfs::exists(dir.file("game.exe.qlytmp")));
    EXPECT_EQ(stdfs::status(dir.file("game.exe")).permissions(),
              stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::owner_exec);
    // Undo: the backup goes back in one step.
    fs.replaceFile(at("game.exe.qlybak"), at("game.exe"));
    EXPECT_EQ(dir.read("game.exe"), "old");

    EXPECT_EQ(fs.statusOf(at("missing\\deeper")), std::nullopt);
    EXPECT_EQ(fs.statusOf(at("game.exe")), 0u);
    dir.makeFolder("full");
    dir.write("full/x", "");
    EXPECT_FALSE(fs.removeFolder(at("full")));
    stdfs::remove(dir.file("full/x"));
    EXPECT_TRUE(fs.removeFolder(at("full")));
    EXPECT_TRUE(fs.syncVolume(dir.winPath()));
}

TEST_F(PosixFileSystemTest, FailuresSayWhyAndWhere) {
    const auto kindOf = [](auto&& call) {
        try {
            call();
        } catch (const Error& e) {
            return std::pair(e.kind(), e.systemCode() != 0);
        }
        return std::pair(FailureKind::Other, false);
    };
    dir.write("readonly.txt", "r");
    stdfs::permissions(dir.file("readonly.txt"), stdfs::perms::owner_read);
    dir.makeFolder("folder");
    EXPECT_EQ(kindOf([&] { fs.checkReplaceable(at("readonly.txt")); }).first,
              FailureKind::ReadOnly);
    EXPECT_EQ(kindOf([&] { fs.checkReplaceable(at("folder")); }).first, FailureKind::InTheWay);
    EXPECT_NO_THROW(fs.checkReplaceable(at("nothing-here.txt")));
    EXPECT_EQ(kindOf([&] { fs.open(at("gone.txt"), OpenMode::Read); }),
              std::pair(FailureKind::Vanished, true));
    try {
        fs.deleteFile(at("gone.txt"));
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.path(), dir.file("gone.txt"));
    }
}

} // namespace
} // namespace qly::test
