#include "common/error.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;
using posix::matchesPattern;

std::map<std::string, DirEntry> listAll(FileSystem& fs, const std::string& folder,
                                        const std::string& pattern) {
    std::map<std::string, DirEntry> out;
    auto listing = fs.list(folder, pattern);
    if (!listing) {
        return out;
    }
    DirEntry entry;
    while (listing->next(entry)) {
        out[entry.name] = entry;
    }
    return out;
}

TEST(PosixPatternMatching, MatchesLikeWindowsIgnoringLetterCase) {
    EXPECT_TRUE(matchesPattern("noextension", "*.*"));
    EXPECT_TRUE(matchesPattern("README.TXT", "*.txt"));
    EXPECT_FALSE(matchesPattern("readme.txt.bak", "*.txt"));
    EXPECT_TRUE(matchesPattern("a1b22c", "a*b*c"));
    EXPECT_FALSE(matchesPattern("a1b22", "a*b*c"));
    EXPECT_TRUE(matchesPattern("\xC5\x82.txt", "?.TXT")); // one non-ASCII character
    EXPECT_FALSE(matchesPattern("ab.txt", "?.txt"));
}

class PosixFileSystemTest : public ::testing::Test {
protected:
    TempFolder dir;
    posix::PosixFileSystem fs;
};

TEST_F(PosixFileSystemTest, ListingReportsAttributesAndSixtyFourBitSizes) {
    dir.write("f/plain.txt", "abc");
    dir.write("f/.hidden", "");
    dir.write("f/readonly.txt", "r");
    stdfs::permissions(dir.file("f/readonly.txt"), stdfs::perms::owner_read);
    dir.makeFolder("f/sub");
    dir.write("f/huge.bin", "");
    stdfs::resize_file(dir.file("f/huge.bin"), int64_t{3} << 31);
    stdfs::create_directory_symlink(dir.file("f/sub"), dir.file("f/link"));

    const auto entries = listAll(fs, dir.winPath() + "f\\", "*");
    ASSERT_EQ(entries.size(), 8u); // ".", "..", and six entries
    EXPECT_EQ(entries.at("plain.txt").attributes, 0u);
    EXPECT_EQ(entries.at("plain.txt").size, 3);
    EXPECT_EQ(entries.at(".hidden").attributes, kAttrHidden);
    EXPECT_EQ(entries.at("readonly.txt").attributes, kAttrReadOnly);
    EXPECT_EQ(entries.at("sub").attributes, kAttrDirectory);
    EXPECT_EQ(entries.at("huge.bin").size, int64_t{3} << 31);
    EXPECT_EQ(entries.at("link").attributes, kAttrDirectory | kAttrReparsePoint);
    EXPECT_EQ(fs.attributes(dir.winPath() + "f\\link"), kAttrDirectory | kAttrReparsePoint);
    EXPECT_EQ(fs.attributes(dir.winPath() + "f\\.hidden"), kAttrHidden);
    EXPECT_EQ(fs.attributes(dir.winPath() + "f\\missing"), kInvalidAttributes);

    EXPECT_EQ(listAll(fs, dir.winPath() + "f\\", "*.TXT").size(), 2u);
    EXPECT_EQ(fs.list(dir.winPath() + "f\\", "*.none"), nullptr);
    EXPECT_EQ(fs.list(dir.winPath() + "missing\\", "*"), nullptr);
}

TEST_F(PosixFileSystemTest, PlainLookupSkipsHiddenFilesAndFoldersButExistsSeesThem) {
    dir.write("plain.txt", "x");
    dir.write(".hidden", "x");
    dir.makeFolder("folder");
    EXPECT_TRUE(fs.fileExists(dir.winPath() + "plain.txt"));
    EXPECT_FALSE(fs.fileExists(dir.winPath() + ".hidden"));
    EXPECT_FALSE(fs.fileExists(dir.winPath() + "folder"));
    EXPECT_FALSE(fs.fileExists(dir.winPath() + "missing"));
    EXPECT_TRUE(fs.exists(dir.winPath() + ".hidden"));
    EXPECT_TRUE(fs.exists(dir.winPath() + "folder\\"));
    EXPECT_FALSE(fs.exists(dir.winPath() + "missing"));
}

TEST_F(PosixFileSystemTest, FilesReadWriteTransferAndReplace) {
    dir.write("src.bin", std::string(100000, 's'));
    {
        auto in = fs.open(dir.winPath() + "src.bin", OpenMode::Read);
        auto out = fs.open(dir.winPath() + "dst.bin", OpenMode::CreateAlways);
        std::string buffer;
        EXPECT_EQ(out->transferFrom(*in, 62000, buffer), 62000u);
        EXPECT_EQ(out->transferFrom(*in, 62000, buffer), 38000u);
        EXPECT_EQ(out->transferFrom(*in, 62000, buffer), 0u);
        EXPECT_EQ(out->length(), 100000);
        out->write(std::string_view("tail"));
        EXPECT_EQ(out->length(), 100004);
    }
    EXPECT_EQ(dir.read("dst.bin"), std::string(100000, 's') + "tail");

    dir.write("old.txt", "old contents, longer");
    stdfs::permissions(dir.file("old.txt"), stdfs::perms::owner_read);
    fs.replaceFile(dir.winPath() + "dst.bin", dir.winPath() + "old.txt");
    EXPECT_EQ(dir.read("old.txt").size(), 100004u);
    EXPECT_FALSE(dir.exists("dst.bin"));

    EXPECT_THROW(fs.open(dir.winPath() + "missing", OpenMode::Read), Error);
    dir.makeFolder("folder");
    EXPECT_THROW(fs.open(dir.winPath() + "folder", OpenMode::Read), Error);
    EXPECT_THROW(fs.replaceFile(dir.winPath() + "missing", dir.winPath() + "x"), Error);
}

TEST_F(PosixFileSystemTest, FolderAndDeleteFailuresAreErrorsExceptQuietRemoval) {
    fs.createFolder(dir.winPath() + "new");
    EXPECT_TRUE(stdfs::is_directory(dir.file("new")));
    EXPECT_THROW(fs.createFolder(dir.winPath() + "new"), Error);
    EXPECT_THROW(fs.createFolder(dir.winPath() + "no\\such\\parent"), Error);
    EXPECT_THROW(fs.deleteFile(dir.winPath() + "missing"), Error);
    dir.write("gone.txt", "x");
    fs.deleteFile(dir.winPath() + "gone.txt");
    EXPECT_FALSE(dir.exists("gone.txt"));
    EXPECT_NO_THROW(fs.removeQuietly(dir.winPath() + "gone.txt"));
}

TEST_F(PosixFileSystemTest, FreeBytesAreThoseOfTheVolumeHoldingAPathNotYetCreated) {
    const auto here = fs.freeBytes(dir.winPath());
    ASSERT_TRUE(here.has_value());
    EXPECT_GT(*here, 0);
    const auto below = fs.freeBytes(dir.winPath() + "not\\yet\\there\\");
    ASSERT_TRUE(below.has_value());
    // Same volume; other processes may write in between, so allow some drift.
    EXPECT_LT(std::abs(*below - *here), int64_t{64} << 20);
}

} // namespace
} // namespace qly::test
