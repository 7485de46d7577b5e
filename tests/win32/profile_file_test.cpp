// The Linux profile reader's cases, asked of the real Windows reader.
#include "../support/profile_cases.h"
#include "platform/win32/win32_profile_file.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

namespace qly::win32 {
namespace {

TEST(Win32ProfileFile, AnswersTheCasesTheLinuxReaderIsHeldTo) {
    test::TempFolder folder;
    Win32ProfileFile profile;
    for (const qly::test::ProfileFileCases& file : qly::test::EditorProfileCases()) {
        test::writeFile(folder.file(file.name), file.text);
        for (const qly::test::ProfileCase& c : file.cases) {
            EXPECT_EQ(profile.getString(folder.file(file.name), c.section, c.key, "dflt", 255),
                      c.answer)
                << file.name << " [" << c.section << "] " << c.key;
        }
    }
}

TEST(Win32ProfileFile, ListsASectionsKeysAsTheLinuxReaderIsHeldTo) {
    test::TempFolder folder;
    Win32ProfileFile profile;
    for (const qly::test::ProfileKeysCase& c : qly::test::ProfileKeysCases()) {
        test::writeFile(folder.file(c.name), c.text);
        EXPECT_EQ(profile.keys(folder.file(c.name), c.section), c.keys) << c.name;
    }
}

} // namespace
} // namespace qly::win32
