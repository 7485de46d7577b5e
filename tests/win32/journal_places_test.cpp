// The journals of an elevated run under a folder for SYSTEM and the Administrators alone, one
// per game folder; a folder found there that others may write is refused.
#include "common/error.h"
#include "platform/win32/cng_hash_service.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_elevation.h"
#include "platform/win32/win32_journal_places.h"
#include "platform/win32/win32_private_folder.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <sddl.h>

namespace qly::win32 {
namespace {

class FixedElevation : public Elevation {
public:
    explicit FixedElevation(bool elevated) : elevated_(elevated) {}
    bool elevated() override { return elevated_; }
    bool canWriteIn(const std::string&) override { return true; }
    std::optional<int> runElevated(const std::string&) override { return std::nullopt; }

private:
    bool elevated_;
};

bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when the access list of folder, read back, still holds the entry ace it was made with.
bool keepsAccessLists(const std::string& folder, const std::wstring& ace) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    PACL dacl = nullptr;
    if (GetNamedSecurityInfoW(toWide(folder).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &raw) != ERROR_SUCCESS) {
        return false;
    }
    LPWSTR text = nullptr;
    const bool converted = ConvertSecurityDescriptorToStringSecurityDescriptorW(
        raw, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
    const std::wstring sddl = converted ? text : L"";
    LocalFree(text);
    LocalFree(raw);
    return sddl.find(ace) != std::wstring::npos;
}

TEST(Win32JournalPlaces, ElevatedRunGetsAnAdministratorsOnlyFolderPerGameFolder) {
    // Wine runs its programs as an elevated administrator, so the installer's runs take this
    // path under wine too.
    std::cout << "this process counts as elevated: " << Win32Elevation().elevated() << "\n";
    Win32PrivateFolder temp;
    CngHashService hashes;
    const std::string base = temp.path() + "\\places";
    FixedElevation user(false);
    EXPECT_FALSE(Win32JournalPlaces(user, hashes, base).placeFor("C:\\Games\\Q"));
    EXPECT_FALSE(folderExists(base));

    FixedElevation admin(true);
    Win32JournalPlaces places(admin, hashes, base);
    const std::optional<std::string> place = places.placeFor("C:\\Games\\Q");
    ASSERT_TRUE(place);
    EXPECT_EQ(place->rfind(base + "\\", 0), 0u);
    EXPECT_TRUE(folderExists(*place));
    EXPECT_NO_THROW(CheckAdministratorsOnly(base));
    EXPECT_NO_THROW(CheckAdministratorsOnly(*place));
    // One folder, however it is spelled; another folder has its own.
    EXPECT_EQ(places.placeFor("c:/games/q\\"), place);
    EXPECT_NE(places.placeFor("C:\\Games\\Q2"), place);
}

TEST(Win32JournalPlaces, FolderOthersMayWriteIsRefused) {
    Win32PrivateFolder temp;
    CngHashService hashes;
    FixedElevation admin(true);
    // Everyone, or the Users, with full access beside the Administrators.
    const wchar_t* const lists[] = {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)",
                                    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;BU)"};
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        const wchar_t* sddl = lists[i];
        SCOPED_TRACE(fromWide(sddl));
        const std::string base = temp.path() + "\\places-" + std::to_string(i);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                         &descriptor, nullptr));
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
        ASSERT_TRUE(CreateDirectoryW(toWide(base).c_str(), &attributes));
        LocalFree(descriptor);
        const std::wstring given = sddl;
        if (!keepsAccessLists(base, given.substr(given.rfind(L'(')))) {
            GTEST_SKIP() << "this system does not keep the access lists it is given (Wine on a "
                            "file system without extended attributes)";
        }
        EXPECT_THROW(Win32JournalPlaces(admin, hashes, base).placeFor("C:\\Games\\Q"), Error);
        EXPECT_THROW(CheckAdministratorsOnly(base), Error);
    }
}

} // namespace
} // namespace qly::win32
