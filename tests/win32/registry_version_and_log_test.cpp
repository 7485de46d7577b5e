#include "common/error.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_version_resource.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

namespace qly::win32 {
namespace {

// A key of its own under HKLM\SOFTWARE, in both registry views, deleted at the end.
struct ScratchKey {
    ~ScratchKey() {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, toWide(subKey).c_str(), view, 0);
        }
    }
    // Stores the characters of data as type, with a terminating NUL when terminated.
    void set(REGSAM view, const std::wstring& name, const std::wstring& data, DWORD type = REG_SZ,
             bool terminated = true) {
        HKEY raw = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, toWide(subKey).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | view, nullptr, &raw, nullptr);
        UniqueRegKey key(raw);
        ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>((data.size() + terminated) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    const std::string subKey = "SOFTWARE\\QlyPatchTests\\" + std::to_string(GetCurrentProcessId());
};

TEST(Win32Registry, PrefersThe32BitViewWhereA32BitGameRegistersThenTriesThe64BitOneAndTellsWhich) {
    ScratchKey key;
    key.set(KEY_WOW64_64KEY, L"Install Path", L"C:\\from64");
    key.set(KEY_WOW64_32KEY, L"Install Path", L"C:\\from32");
    key.set(KEY_WOW64_64KEY, L"Only64", L"D:\\from64");
    // The view that answered is told for the log; a miss forgets the last one.
    Win32Registry registry;
    EXPECT_EQ(registry.readString(key.subKey, "Install Path"), "C:\\from32");
    EXPECT_EQ(registry.lastView(), "32-bit");
    EXPECT_EQ(registry.readString(key.subKey, "Only64"), "D:\\from64");
    EXPECT_EQ(registry.lastView(), "64-bit");
    EXPECT_EQ(registry.readString(key.subKey, "Missing"), std::nullopt);
    EXPECT_EQ(registry.lastView(), "");
}

// A studio may register its game for the user alone.
TEST(Win32Registry, ReadsTheUsersKeysWhenAskedForThatRoot) {
    const std::string subKey =
        "Software\\QlyPatchTests\\User" + std::to_string(GetCurrentProcessId());
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, toWide(subKey).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    UniqueRegKey key(raw);
    const std::wstring data = L"D:\\Mine";
    RegSetValueExW(key.get(), L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    Win32Registry registry;
    EXPECT_EQ(registry.readString(RegistryRoot::CurrentUser, subKey, "InstallDir"), "D:\\Mine");
    EXPECT_EQ(registry.readString(subKey, "InstallDir"), std::nullopt); // not the machine's
    RegDeleteKeyW(HKEY_CURRENT_USER, toWide(subKey).c_str());
}

TEST(Win32Registry, ReadsOnlyStringValuesAndCutsThemAtTheFirstNul) {
    const struct {
        std::string name;
        std::wstring data;
        DWORD type;
        bool terminated;
        std::optional<std::string> expected;
    } rows[] = {
        {"Expand", L"%ProgramFiles%\\Quillory", REG_EXPAND_SZ, true, std::nullopt},
        {"Number", std::wstring(L"\x7\0", 2), REG_DWORD, false, std::nullopt}, // the DWORD 7
        {"TwoParts", std::wstring(L"C:\\first\0C:\\second", 18), REG_SZ, true, "C:\\first"},
        // Stored without its terminating NUL, as careless setup programs do.
        {"Bare", L"C:\\bare", REG_SZ, false, "C:\\bare"},
        {"Polish", L"C:\\Za\u017C\u00F3\u0142\u0107", REG_SZ, true,
         "C:\\Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87"},
    };
    ScratchKey key;
    for (const auto& row : rows) {
        key.set(KEY_WOW64_32KEY, toWide(row.name), row.data, row.type, row.terminated);
    }
    for (const auto& row : rows) {
        EXPECT_EQ(Win32Registry().readString(key.subKey, row.name), row.expected) << row.name;
    }
    EXPECT_EQ(Win32Registry().readString(key.subKey, "Missing"), std::nullopt);
    EXPECT_EQ(Win32Registry().readString(key.subKey + "\\NoSuchKey", "Bare"), std::nullopt);
}

TEST(Win32VersionResource, ReadsTheFourFileVersionWordsOrNothingWithoutAResource) {
    std::wstring self(MAX_PATH * 4, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    Win32VersionResource versions;
    // The test program carries FILEVERSION 6,4,9,1133.
    EXPECT_EQ(versions.fileVersion(fromWide(self)), (std::array<uint16_t, 4>{6, 4, 9, 1133}));
    test::TempFolder folder;
    test::writeFile(folder.file("msdxm.ocx"), "not a program");
    EXPECT_EQ(versions.fileVersion(folder.file("msdxm.ocx")), std::nullopt);
    EXPECT_EQ(versions.fileVersion(folder.file("missing.ocx")), std::nullopt);
}

TEST(Win32VersionResource, SystemFolderIsTheOneA32BitProgramSees) {
    const std::string folder = Win32VersionResource().systemFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(toWide(folder))) << folder;
    if (sizeof(void*) == 8) {
        // A 64-bit program on 64-bit Windows must not look in its own System32.
        EXPECT_EQ(_stricmp(folder.substr(folder.rfind('\\') + 1).c_str(), "SysWOW64"), 0);
    }
}

TEST(Win32LogFile, AppendsWholeLinesAcrossOpeningsAndIsReadableWhileOpen) {
    test::TempFolder folder;
    const std::string path = folder.file("support \xC5\x82og.txt");
    {
        Win32LogFile log(path);
        log.appendLine("first");
        EXPECT_EQ(test::readFile(path), "first\r\n");
    }
    Win32LogFile again(path);
    again.appendLine("text: Zażółć");
    EXPECT_EQ(test::readFile(path), "first\r\ntext: Zażółć\r\n");
    EXPECT_THROW(Win32LogFile(folder.file("missing\\log.txt")), Error);
}

} // namespace
} // namespace qly::win32
