// The services the installer needs to run from its own payload, against the real Windows API:
// reading its exe at chosen positions and the private folder (SHA-256 through CNG has its own
// test).
#include "common/error.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_private_folder.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_random_access_file.h"

#include <aclapi.h>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sddl.h>
#include <string>
#include <vector>

namespace qly::win32 {
namespace {

TEST(Win32PackedPayload, ReadsTheRunningExeAtAnyPositionButNotPastItsEnd) {
    Win32Process process;
    Win32RandomAccessFile exe(process.programPath()); // open by the loader at the same time
    ASSERT_GT(exe.size(), 1024);
    std::string head(2, '\0');
    exe.readAt(0, head);
    EXPECT_EQ(head, "MZ");
    std::string tail(16, '\0');
    exe.readAt(exe.size() - 16, tail);
    EXPECT_THROW(exe.readAt(exe.size() - 15, tail), Error);
    EXPECT_THROW(Win32RandomAccessFile("C:\\no such folder\\qlypatch.exe"), Error);
}

TEST(Win32PackedPayload, PrivateFolderIsTheUsersAloneAndGoesWithItsContents) {
    std::wstring path;
    {
        Win32PrivateFolder first;
        Win32PrivateFolder second;
        EXPECT_NE(first.path(), second.path());
        path = toWide(first.path());
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
        // The access list lets this user in and none of the groups every user belongs to
        // (the system account may hold an entry of its own).
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, &dacl, nullptr, &descriptor),
                  ERROR_SUCCESS);
        ASSERT_NE(dacl, nullptr);
        std::vector<std::string> trustees;
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            void* ace = nullptr;
            ASSERT_TRUE(GetAce(dacl, i, &ace));
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            LPWSTR text = nullptr;
            ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<PSID>(&allowed->SidStart), &text));
            trustees.push_back(fromWide(text));
            LocalFree(text);
        }
        for (const char* everyone : {"S-1-1-0", "S-1-5-11", "S-1-5-32-545", "S-1-5-4"}) {
            EXPECT_EQ(std::count(trustees.begin(), trustees.end(), everyone), 0) << everyone;
        }
        EXPECT_TRUE(std::any_of(trustees.begin(), trustees.end(), [](const std::string& sid) {
            return sid.starts_with("S-1-5-21-");
        }));
        LocalFree(descriptor);
        // Contents and the working folder do not keep it from going.
        CreateDirectoryW((path + L"\\lang").c_str(), nullptr);
        HANDLE file = CreateFileW((path + L"\\lang\\eng.lng").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
        CloseHandle(file);
        SetCurrentDirectoryW(path.c_str());
    }
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Writes a small file at path; false when it cannot.
bool writeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    WriteFile(file, "keep", 4, &written, nullptr);
    CloseHandle(file);
    return written == 4;
}

// Links to a folder and a file elsewhere, planted inside the private folder by another process
// of the same user: the removal takes the links themselves and leaves what they point to.
TEST(Win32PackedPayload, PrivateFolderRemovalNeverFollowsALinkPlantedInIt) {
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::wstring outside = temp + L"qlypatch-test-outside";
    CreateDirectoryW(outside.c_str(), nullptr);
    CreateDirectoryW((outside + L"\\inner").c_str(), nullptr);
    ASSERT_TRUE(writeFile(outside + L"\\inner\\victim.txt"));
    ASSERT_TRUE(writeFile(outside + L"\\victim.txt"));
    std::wstring path;
    bool linked = false;
    {
        Win32PrivateFolder folder;
        path = toWide(folder.path());
        CreateDirectoryW((path + L"\\lang").c_str(), nullptr);
        // Some Wine versions answer yes and make no link; the rest of the test needs real ones.
        linked =
            CreateSymbolicLinkW((path + L"\\lang\\folder-link").c_str(), outside.c_str(),
                                SYMBOLIC_LINK_FLAG_DIRECTORY) &&
            CreateSymbolicLinkW((path + L"\\file-link").c_str(),
                                (outside + L"\\victim.txt").c_str(), 0) &&
            (GetFileAttributesW((path + L"\\lang\\folder-link").c_str()) &
             FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
            GetFileAttributesW((path + L"\\lang\\folder-link").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    if (linked) {
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "links removed too";
        EXPECT_NE(GetFileAttributesW((outside + L"\\victim.txt").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(GetFileAttributesW((outside + L"\\inner\\victim.txt").c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
    DeleteFileW((outside + L"\\inner\\victim.txt").c_str());
    RemoveDirectoryW((outside + L"\\inner").c_str());
    DeleteFileW((outside + L"\\victim.txt").c_str());
    RemoveDirectoryW(outside.c_str());
    if (!linked) {
        GTEST_SKIP() << "this system makes no symbolic links";
    }
}

// Wine makes no symbolic links from Win32, but shows a Unix one to a folder inside its prefix
// as a reparse point: tests/win32/run.sh plants one (to a folder holding a marker file) in a
// folder and names the two here. Removing the folder never goes through the link: the marker
// stays, and so does everything in the folder but the link (Wine cannot remove the link itself
// without removing its target, so there it stays too).
TEST(Win32PackedPayload, TreeRemovalTakesAUnixLinkPlantedInItAndNotItsTarget) {
    const char* planted = std::getenv("QLY_PLANTED_LINK_FOLDER");
    const char* marker = std::getenv("QLY_PLANTED_LINK_MARKER");
    if (planted == nullptr || marker == nullptr) {
        GTEST_SKIP() << "no links planted by the test script";
    }
    const std::wstring folder = toWide(planted);
    ASSERT_NE(GetFileAttributesW((folder + L"\\sub\\folder-link").c_str()) &
                  FILE_ATTRIBUTE_REPARSE_POINT,
              0u)
        << "the planted link is not seen as a reparse point";
    ASSERT_NE(GetFileAttributesW(toWide(marker).c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveTreeWithoutFollowingLinks(planted);
    EXPECT_NE(GetFileAttributesW(toWide(marker).c_str()), INVALID_FILE_ATTRIBUTES)
        << "the removal went through a link";
    EXPECT_EQ(GetFileAttributesW((folder + L"\\plain.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a plain file beside the link stays";
}

} // namespace
} // namespace qly::win32
