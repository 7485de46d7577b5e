// The update transaction's file services against the real Windows API: a replacement keeps the
// replaced file's attributes, and a file another program holds is reported as in use, by name.
#include "common/error.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_handles.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

namespace qly::win32::test {
namespace {

FailureKind kindOfReplaceCheck(Win32FileSystem& fs, const std::string& path) {
    try {
        fs.checkReplaceable(path);
    } catch (const Error& e) {
        EXPECT_EQ(e.path(), path);
        return e.kind();
    }
    return FailureKind::Other;
}

TEST(Win32Transaction, ReplaceWithBackupKeepsTheAttributesAndTheOldFile) {
    TempFolder dir;
    Win32FileSystem fs;
    const std::string game = dir.file("g\xC3\xA4me.dat");
    writeFile(game, "old");
    writeFile(game + ".qlytmp", "new");
    ASSERT_TRUE(
        SetFileAttributesW(toWide(game).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    fs.replaceWithBackup(game + ".qlytmp", game, game + ".qlybak");
    EXPECT_EQ(readFile(game), "new");
    EXPECT_EQ(readFile(game + ".qlybak"), "old");
    EXPECT_EQ(fs.statusOf(game + ".qlytmp"), std::nullopt);
    WIN32_FILE_ATTRIBUTE_DATA now{};
    ASSERT_TRUE(GetFileAttributesExW(toWide(game).c_str(), GetFileExInfoStandard, &now));
    EXPECT_NE(now.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    // The undo puts the backup back in one move.
    fs.replaceFile(game + ".qlybak", game);
    EXPECT_EQ(readFile(game), "old");
}

TEST(Win32Transaction, AFileHeldWithoutSharingIsInUseAndAReadOnlyOneIsReadOnly) {
    TempFolder dir;
    Win32FileSystem fs;
    const std::string held = dir.file("held.pak");
    const std::string readOnly = dir.file("readonly.pak");
    writeFile(held, "x");
    writeFile(readOnly, "r");
    ASSERT_TRUE(SetFileAttributesW(toWide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_NO_THROW(fs.checkReplaceable(held));
    EXPECT_NO_THROW(fs.checkReplaceable(dir.file("missing.pak")));
    {
        UniqueFile holder(CreateFileW(toWide(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(kindOfReplaceCheck(fs, held), FailureKind::InUse);
    }
    EXPECT_NO_THROW(fs.checkReplaceable(held)); // free again once its holder let go
    EXPECT_EQ(kindOfReplaceCheck(fs, readOnly), FailureKind::ReadOnly);
    SetFileAttributesW(toWide(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
    CreateDirectoryW(toWide(dir.file("folder")).c_str(), nullptr);
    EXPECT_EQ(kindOfReplaceCheck(fs, dir.file("folder")), FailureKind::InTheWay);
}

TEST(Win32Transaction, LookupsAndFolderRemovalTellMissingAndNotEmptyFromFailures) {
    TempFolder dir;
    Win32FileSystem fs;
    EXPECT_EQ(fs.statusOf(dir.file("no\\such\\file")), std::nullopt);
    fs.createFolder(dir.file("sub"));
    writeFile(dir.file("sub\\x"), "");
    EXPECT_FALSE(fs.removeFolder(dir.file("sub")));
    fs.deleteFile(dir.file("sub\\x"));
    EXPECT_TRUE(fs.removeFolder(dir.file("sub")));
    try {
        fs.open(dir.file("gone.txt"), OpenMode::Read);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), FailureKind::Vanished);
        EXPECT_EQ(e.systemCode(), ERROR_FILE_NOT_FOUND);
    }
    // Volume flushing may be refused (it needs an administrator); either answer is allowed,
    // but it must not throw for a folder that exists.
    EXPECT_NO_THROW(fs.syncVolume(dir.file("")));
}

} // namespace
} // namespace qly::win32::test
