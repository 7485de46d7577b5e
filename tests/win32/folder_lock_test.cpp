// The game folder's lock on Windows: byte-range locks belong to a handle, so two runs in one
// process see each other as two processes would; the holder's file goes with its lock.
#include "platform/win32/win32_folder_lock.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace qly {
namespace {

std::string tempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring folder =
        std::wstring(base) + L"qly-lock-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return std::string(folder.begin(), folder.end()); // ASCII: the temp path of the test
}

TEST(Win32FolderLockTest, SecondRunIsRefusedUntilTheFirstLetsGoAndLeavesNoFile) {
    const std::string folder = tempFolder();
    const std::string lockFile = folder + "\\qlypatch.lock";
    win32::Win32FolderLocks locks;
    {
        auto first = locks.tryLock(folder);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(locks.tryLock(folder), nullptr);
        EXPECT_NE(GetFileAttributesA(lockFile.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(GetFileAttributesA(lockFile.c_str()), INVALID_FILE_ATTRIBUTES);
    auto second = locks.tryLock(folder);
    EXPECT_NE(second, nullptr);
    second.reset();
    RemoveDirectoryA(folder.c_str());
}

} // namespace
} // namespace qly
