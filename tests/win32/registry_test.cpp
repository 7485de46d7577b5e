#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>
#include <string>

namespace qly::win32 {
namespace {

// A key of its own under HKLM\SOFTWARE, in both registry views, deleted at the end.
class ScratchKey {
public:
    ScratchKey()
        : subKey_("SOFTWARE\\QlyPatchTests\\Key" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(counter_++)) {}
    ~ScratchKey() {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, toWide(subKey_).c_str(), view, 0);
        }
    }
    const std::string& subKey() const { return subKey_; }

    // Stores raw bytes as a value of type in the given view.
    void set(REGSAM view, const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, toWide(subKey_).c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | view, nullptr, &raw, nullptr),
                  ERROR_SUCCESS);
        UniqueRegKey key(raw);
        ASSERT_EQ(
            RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
    }
    void setString(REGSAM view, const std::wstring& name, const std::wstring& text,
                   DWORD type = REG_SZ) {
        set(view, name, type, text.c_str(),
            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    static inline int counter_ = 0;
    std::string subKey_;
};

TEST(Win32Registry, FindsAValueInEitherView) {
    ScratchKey only32;
    only32.setString(KEY_WOW64_32KEY, L"Install Path", L"C:\\Games\\Quillory");
    ScratchKey only64;
    only64.setString(KEY_WOW64_64KEY, L"Install Path", L"D:\\Spiele\\Quillory");

    Win32Registry registry;
    EXPECT_EQ(registry.readString(only32.subKey(), "Install Path"), "C:\\Games\\Quillory");
    EXPECT_EQ(registry.readString(only64.subKey(), "Install Path"), "D:\\Spiele\\Quillory");
}

TEST(Win32Registry, PrefersThe32BitViewWhereA32BitGameRegisters) {
    ScratchKey both;
    both.setString(KEY_WOW64_64KEY, L"Install Path", L"C:\\from64");
    both.setString(KEY_WOW64_32KEY, L"Install Path", L"C:\\from32");
    EXPECT_EQ(Win32Registry().readString(both.subKey(), "Install Path"), "C:\\from32");
}

TEST(Win32Registry, ReadsOnlyStringValuesAndCutsThemAtTheFirstNul) {
    ScratchKey key;
    key.setString(KEY_WOW64_32KEY, L"Expand", L"%ProgramFiles%\\Quillory", REG_EXPAND_SZ);
    const DWORD number = 7;
    key.set(KEY_WOW64_32KEY, L"Number", REG_DWORD, &number, sizeof(number));
    const wchar_t twoParts[] = L"C:\\first\0C:\\second";
    key.set(KEY_WOW64_32KEY, L"TwoParts", REG_SZ, twoParts, sizeof(twoParts));
    // Stored without its terminating NUL, as careless setup programs do.
    const std::wstring bare = L"C:\\bare";
    key.set(KEY_WOW64_32KEY, L"Bare", REG_SZ, bare.data(),
            static_cast<DWORD>(bare.size() * sizeof(wchar_t)));
    key.setString(KEY_WOW64_32KEY, L"Polish", L"C:\\Gry\\Zażółć");

    Win32Registry registry;
    EXPECT_EQ(registry.readString(key.subKey(), "Expand"), std::nullopt);
    EXPECT_EQ(registry.readString(key.subKey(), "Number"), std::nullopt);
    EXPECT_EQ(registry.readString(key.subKey(), "TwoParts"), "C:\\first");
    EXPECT_EQ(registry.readString(key.subKey(), "Bare"), "C:\\bare");
    EXPECT_EQ(registry.readString(key.subKey(), "Polish"),
              "C:\\Gry\\Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87");
    EXPECT_EQ(registry.readString(key.subKey(), "Missing"), std::nullopt);
    EXPECT_EQ(registry.readString(key.subKey() + "\\NoSuchKey", "Install Path"), std::nullopt);
}

} // namespace
} // namespace qly::win32
