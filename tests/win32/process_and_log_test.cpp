#include "common/error.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_process.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

namespace qly::win32 {
namespace {

std::string currentFolder() {
    std::wstring folder(MAX_PATH * 4, L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return fromWide(folder);
}

TEST(Win32Process, ProgramFolderHoldsTheProgramWithoutATrailingSeparator) {
    const std::string folder = Win32Process().programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    std::wstring exe(MAX_PATH * 4, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    EXPECT_EQ(fromWide(exe).rfind(folder + "\\", 0), 0u);
}

TEST(Win32Process, SetWorkingFolderChangesItOrThrows) {
    test::TempFolder folder;
    const std::string before = currentFolder();
    Win32Process process;
    process.setWorkingFolder(folder.path());
    EXPECT_EQ(currentFolder(), folder.path());
    EXPECT_THROW(process.setWorkingFolder(folder.file("no such folder")), Error);
    EXPECT_EQ(currentFolder(), folder.path());
    process.setWorkingFolder(before);
}

TEST(Win32LogFile, AppendsWholeLinesAcrossOpenings) {
    test::TempFolder folder;
    const std::string path = folder.file("support \xC5\x82og.txt");
    {
        Win32LogFile log(path);
        log.appendLine("first");
        // Readable while the program still writes it.
        EXPECT_EQ(test::readFile(path), "first\r\n");
    }
    Win32LogFile again(path);
    again.appendLine("text: Zażółć");
    EXPECT_EQ(test::readFile(path), "first\r\ntext: Zażółć\r\n");
    EXPECT_THROW(Win32LogFile(folder.file("missing\\log.txt")), Error);
}

TEST(EnvironmentVariable, IsNothingWhenUnsetOrEmpty) {
    SetEnvironmentVariableW(L"QLYPATCH_TEST_VAR", L"C:\\logs\\q.log");
    EXPECT_EQ(environmentVariable("QLYPATCH_TEST_VAR"), "C:\\logs\\q.log");
    SetEnvironmentVariableW(L"QLYPATCH_TEST_VAR", L"");
    EXPECT_EQ(environmentVariable("QLYPATCH_TEST_VAR"), std::nullopt);
    SetEnvironmentVariableW(L"QLYPATCH_TEST_VAR", nullptr);
    EXPECT_EQ(environmentVariable("QLYPATCH_TEST_VAR"), std::nullopt);
}

} // namespace
} // namespace qly::win32
