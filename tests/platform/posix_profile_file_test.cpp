#include "platform/posix/posix_profile_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>

namespace qly::posix {
namespace {

class PosixProfileFileTest : public ::testing::Test {
protected:
    // The value of section/key in a file holding contents, read with the layout file's buffer.
    std::string read(const std::string& contents, const std::string& section,
                     const std::string& key, const std::string& defaultValue = "<none>",
                     std::size_t bufferSize = 255) {
        folder.write("test.ini", contents);
        return profile.getString(folder.winPath() + "test.ini", section, key, defaultValue,
                                 bufferSize);
    }

    test::TempFolder folder;
    PosixProfileFile profile;
};

TEST_F(PosixProfileFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(profile.getString(folder.path() + "absent.ini", "a", "b", "default", 255), "default");
    EXPECT_EQ(profile.getString(folder.path(), "a", "b", "dflt", 255), "dflt");
    EXPECT_EQ(read("[a]\nb=1\n", "c", "b"), "<none>");
    EXPECT_EQ(read("[a]\nb=1\n", "a", "c"), "<none>");
    EXPECT_EQ(read("", "a", "b"), "<none>");
}

TEST_F(PosixProfileFileTest, MatchesSectionsAndKeysWithoutRegardToCase) {
    const std::string file = "[TextScroll]\nSZER=194\n[button]\nWys=30\n";
    EXPECT_EQ(read(file, "textscroll", "szer"), "194");
    EXPECT_EQ(read(file, "BUTTON", "wYS"), "30");
}

TEST_F(PosixProfileFileTest, TrimsNamesAndValuesAndKeepsLaterEqualsSigns) {
    const std::string file = "  [ select ]  \n\t x \t=\t 12 px \t\nlink=https://q.example/?a=1\n"
                             "empty=\nblank=   \r\n";
    EXPECT_EQ(read(file, "select", "x"), "12 px");
    EXPECT_EQ(read(file, "select", "link"), "https://q.example/?a=1");
    EXPECT_EQ(read(file, "select", "empty", "default"), "");
    EXPECT_EQ(read(file, "select", "blank", "default"), "");
}

TEST_F(PosixProfileFileTest, ReadsCrLfAndLfFilesAlikeAndSkipsAByteOrderMark) {
    EXPECT_EQ(read("[a]\r\nb=one\r\nc=two\r\n", "a", "c"), "two");
    EXPECT_EQ(read("[a]\nb=one\nc=two", "a", "c"), "two");
    EXPECT_EQ(read("\xEF\xBB\xBF[a]\r\nb=one\r\n", "a", "b"), "one");
}

TEST_F(PosixProfileFileTest, RemovesOnePairOfMatchingQuotes) {
    const std::string file = "[q]\nd=\"Quillory Online\"\ns='single'\nn=\"\"a\"\"\nm=\"mixed'\n"
                             "o=\"open\np=\"\ne=\"\"\nk= \" padded \" \n";
    EXPECT_EQ(read(file, "q", "d"), "Quillory Online");
    EXPECT_EQ(read(file, "q", "s"), "single");
    EXPECT_EQ(read(file, "q", "n"), "\"a\"");
    EXPECT_EQ(read(file, "q", "m"), "\"mixed'");
    EXPECT_EQ(read(file, "q", "o"), "\"open");
    EXPECT_EQ(read(file, "q", "p"), "\"");
    EXPECT_EQ(read(file, "q", "e"), "");
    EXPECT_EQ(read(file, "q", "k"), " padded ");
}

TEST_F(PosixProfileFileTest, CutsValuesAndDefaultsToOneLessThanTheBuffer) {
    const std::string file = "[a]\nlong=" + std::string(300, 'x') + "\nshort=abc\n";
    EXPECT_EQ(read(file, "a", "long"), std::string(254, 'x'));
    EXPECT_EQ(read(file, "a", "short", "", 3), "ab");
    EXPECT_EQ(read(file, "a", "short", "", 1), "");
    EXPECT_EQ(read(file, "a", "short", "", 0), "");
    EXPECT_EQ(read(file, "a", "absent", "default", 4), "def");
}

TEST_F(PosixProfileFileTest, NeverCutsInsideAUtf8Character) {
    // Four two-byte characters; a cut to three characters keeps six bytes.
    const std::string file = "[a]\nname=\xC5\x81\xC3\xB3\xC5\xBA\xC4\x87\n";
    EXPECT_EQ(read(file, "a", "name", "", 4), "\xC5\x81\xC3\xB3\xC5\xBA");
    EXPECT_EQ(read(file, "a", "name", "", 255), "\xC5\x81\xC3\xB3\xC5\xBA\xC4\x87");
}

TEST_F(PosixProfileFileTest, FirstSectionAndFirstKeyWin) {
    const std::string file = "[a]\nk=first\nk=second\n[b]\nk=other\n[A]\nk=third\nj=late\n";
    EXPECT_EQ(read(file, "a", "k"), "first");
    EXPECT_EQ(read(file, "b", "k"), "other");
    EXPECT_EQ(read(file, "a", "j"), "<none>");
}

TEST_F(PosixProfileFileTest, IgnoresCommentsAndStrayLinesAndKeepsEntriesAboveTheFirstHeader) {
    const std::string file = "k=orphan\n[a]\n;k=comment\nno equals sign\n[broken\nk=value\n"
                             "=nameless\n";
    EXPECT_EQ(read(file, "a", "k"), "value");
    EXPECT_EQ(read(file, "", "k"), "orphan");
    EXPECT_EQ(read(file, "", "j"), "<none>");
    EXPECT_EQ(read(file, "a", ""), "nameless");
}

} // namespace
} // namespace qly::posix
