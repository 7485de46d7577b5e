// What the plain questions (AttributesOf, FileExists, Exists) answer through the real Windows
// API, for every kind of entry the program meets: the answer is the entry's own, and a lookup
// that fails (a name Windows refuses included) is "nothing there", never an exception.
#include "platform/file_system.h"
#include "platform/win32/win32_file_system.h"
#include "win32_test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace qly::win32 {
namespace {

struct QueryCase {
    const char* what;
    std::string path;    // relative to its folder
    uint32_t attributes; // of the bits below, or kInvalidAttributes
    bool fileExists;
};

// The bits the program acts on; Windows adds others (archive, normal) as it likes.
constexpr uint32_t kShown =
    kAttrDirectory | kAttrHidden | kAttrSystem | kAttrReadOnly | kAttrReparsePoint;

void expectAnswers(FileSystem& fs, const std::string& folder, const QueryCase& c) {
    SCOPED_TRACE(c.what);
    const std::string path = folder + c.path;
    const uint32_t attrs = AttributesOf(fs, path);
    EXPECT_EQ(attrs == kInvalidAttributes ? attrs : attrs & kShown, c.attributes);
    EXPECT_EQ(FileExists(fs, path), c.fileExists);
    EXPECT_EQ(Exists(fs, path), c.attributes != kInvalidAttributes);
}

TEST(Win32FileQueries, AnswerFromTheEntryItselfAndNeverThrow) {
    test::TempFolder folder;
    test::writeFile(folder.file("plain.txt"), "abc");
    for (const auto& [name, attrs] : {std::pair{"hidden.txt", DWORD{FILE_ATTRIBUTE_HIDDEN}},
                                      std::pair{"system.txt", DWORD{FILE_ATTRIBUTE_SYSTEM}},
                                      std::pair{"readonly.txt", DWORD{FILE_ATTRIBUTE_READONLY}}}) {
        test::writeFile(folder.file(name), "x");
        ASSERT_TRUE(SetFileAttributesW(toWide(folder.file(name)).c_str(), attrs)) << name;
    }
    std::filesystem::create_directories(folder.path / L"sub");
    test::writeFile(folder.file("sub\\inner.txt"), "inner");

    const QueryCase cases[] = {
        {"plain file", "plain.txt", 0, true},
        {"hidden file", "hidden.txt", kAttrHidden, false},
        {"system file", "system.txt", kAttrSystem, false},
        {"read-only file", "readonly.txt", kAttrReadOnly, true},
        {"folder", "sub", kAttrDirectory, false},
        {"folder, with its separator", "sub\\", kAttrDirectory, false},
        {"file in a folder", "sub\\inner.txt", 0, true},
        {"missing path", "missing.txt", kInvalidAttributes, false},
        {"missing folder on the way", "missing\\inner.txt", kInvalidAttributes, false},
        {"path through a file", "plain.txt\\inner.txt", kInvalidAttributes, false},
        {"name Windows refuses", "bad<name>.txt", kInvalidAttributes, false},
    };
    Win32FileSystem fs;
    for (const QueryCase& c : cases) {
        expectAnswers(fs, folder.file(""), c);
    }
    SetFileAttributesW(toWide(folder.file("readonly.txt")).c_str(), FILE_ATTRIBUTE_NORMAL);

    // Wine makes no links from Win32; tests/win32/run.sh plants Unix ones in a folder of
    // their own. Wine shows a link to a folder as a reparse point, a link to a file as the
    // file, and a dangling link as nothing.
    const char* planted = std::getenv("QLY_QUERY_LINK_FOLDER");
    if (planted == nullptr) {
        GTEST_SKIP() << "no links planted by the test script";
    }
    const QueryCase links[] = {
        {"link to a folder", "folder-link", kAttrDirectory | kAttrReparsePoint, false},
        {"file through a folder link", "folder-link\\inner.txt", 0, true},
        {"link to a file", "file-link", 0, true},
        {"dangling link", "dangling", kInvalidAttributes, false},
    };
    for (const QueryCase& c : links) {
        expectAnswers(fs, std::string(planted) + "\\", c);
    }
}

} // namespace
} // namespace qly::win32
