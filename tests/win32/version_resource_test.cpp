#include "platform/win32/wide_string.h"
#include "platform/win32/win32_version_resource.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qly::win32 {
namespace {

std::string ownPath() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return fromWide(path);
}

TEST(Win32VersionResource, ReadsTheFourFileVersionWords) {
    // The test program carries FILEVERSION 6,4,9,1133.
    auto version = Win32VersionResource().fileVersion(ownPath());
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(*version, (std::array<uint16_t, 4>{6, 4, 9, 1133}));
}

TEST(Win32VersionResource, HasNothingForFilesWithoutAResource) {
    test::TempFolder folder;
    test::writeFile(folder.file("msdxm.ocx"), "not a program");
    Win32VersionResource versions;
    EXPECT_EQ(versions.fileVersion(folder.file("msdxm.ocx")), std::nullopt);
    EXPECT_EQ(versions.fileVersion(folder.file("missing.ocx")), std::nullopt);
}

TEST(Win32VersionResource, SystemFolderIsTheOneA32BitProgramSees) {
    const std::string folder = Win32VersionResource().systemFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    DWORD attributes = GetFileAttributesW(toWide(folder).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (sizeof(void*) == 8) {
        // A 64-bit program on 64-bit Windows must not look in its own System32.
        std::string lower = folder;
        for (char& c : lower) {
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_NE(lower.find("syswow64"), std::string::npos) << folder;
    }
}

} // namespace
} // namespace qly::win32
