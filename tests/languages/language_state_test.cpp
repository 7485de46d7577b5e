#include "common/error.h"
#include "languages/language_state.h"
#include "support/fake_file_system.h"

#include <gtest/gtest.h>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qly {
namespace {

// A file system whose files claim a length other than their contents, as a file that changes
// between the length query and the read does.
class MisreportingFileSystem : public test::FakeFileSystem {
public:
    int64_t claimedLength = 0;

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        return std::make_unique<MisreportingFile>(FakeFileSystem::open(path, mode), claimedLength);
    }

private:
    class MisreportingFile : public File {
    public:
        MisreportingFile(std::unique_ptr<File> file, int64_t length)
            : file_(std::move(file)), length_(length) {}
        std::size_t read(std::span<char> out) override { return file_->read(out); }
        void write(std::span<const char> data) override { file_->write(data); }
        int64_t length() override { return length_; }

    private:
        std::unique_ptr<File> file_;
        int64_t length_;
    };
};

class LangTextTest : public ::testing::Test {
protected:
    // The language in force holds exactly text.
    std::string lookup(const std::string& text, const std::string& key) {
        lang.LangBuffer = text;
        return lang.LangText(key);
    }

    test::FakeFileSystem fs;
    LanguageState lang{fs};
};

TEST_F(LangTextTest, SkipsExactlyTwoCharactersAfterTheKey) {
    EXPECT_EQ(lookup("[ENG]\r\n/instaluj/= Update Now!'\r\n", "instaluj"), "Update Now!");
    EXPECT_EQ(lookup("/wyjdz/''Exit'", "wyjdz"), "Exit");
    EXPECT_EQ(lookup("/wyjdz/Exit'", "wyjdz"), "it");
    EXPECT_EQ(lookup("/wyjdz/= '", "wyjdz"), "");
    EXPECT_EQ(lookup("/wyjdz/='", "wyjdz"), "");
}

TEST_F(LangTextTest, KeepsLineBreaksAndBytesOfTheCodePage) {
    EXPECT_EQ(lookup("/przed1/= one\r\ntwo\nthree'", "przed1"), "one\r\ntwo\nthree");
    // cp1250 letters and a NUL byte come back as they stand.
    const std::string polish("Zako\xF1"
                             "czono \xB9\x9C\x9F\0end",
                             17);
    EXPECT_EQ(lookup("/poz1/= " + polish + "'", "poz1"), polish);
}

TEST_F(LangTextTest, MatchesKeysExactlyWithTheirSlashes) {
    const std::string text = "/Error/= capital'/neg10/= ten'/neg1/= one'/brak miejsca/= full'";
    EXPECT_EQ(lookup(text, "error"), "");
    EXPECT_EQ(lookup(text, "Error"), "capital");
    EXPECT_EQ(lookup(text, "neg1"), "one");
    EXPECT_EQ(lookup(text, "neg10"), "ten");
    EXPECT_EQ(lookup(text, "neg"), "");
    EXPECT_EQ(lookup(text, "brak miejsca"), "full");
    EXPECT_EQ(lookup(text, "brak"), "");
}

TEST_F(LangTextTest, FirstOccurrenceWinsEvenInsideAnEarlierText) {
    EXPECT_EQ(lookup("/error/= first'/error/= second'", "error"), "first");
    // The needle inside the text of przed1 is found before the entry of error.
    EXPECT_EQ(lookup("/przed1/= see /error/= x'/error/= real'", "error"), "x");
}

TEST_F(LangTextTest, MissingKeyOrEmptyBufferGivesEmptyText) {
    EXPECT_EQ(lookup("", "error"), "");
    EXPECT_EQ(lookup("[ENG]\r\n/error/= Failed.'", "poz1"), "");
    EXPECT_EQ(lookup("no entries at all", "error"), "");
    EXPECT_EQ(lang.LangBuffer, "no entries at all");
}

TEST_F(LangTextTest, TextWithoutClosingApostropheRunsToTheEndOfTheBuffer) {
    EXPECT_EQ(lookup("/error/= Failed.\r\n", "error"), "Failed.\r\n");
    EXPECT_EQ(lookup("/error/= F", "error"), "F");
}

TEST_F(LangTextTest, KeyAtTheVeryEndOfTheBufferGivesEmptyText) {
    EXPECT_EQ(lookup("/error/", "error"), "");
    EXPECT_EQ(lookup("/error/=", "error"), "");
    EXPECT_EQ(lookup("/error/= ", "error"), "");
    EXPECT_EQ(lookup("/error/= '", "error"), "");
}

TEST_F(LangTextTest, LooksUpInAFileJustBelowTheSizeLimit) {
    // The last entry starts and ends near the end of a 32,766-byte file.
    std::string text = "[ENG]\r\n/#jezyk/= English'\r\n";
    const std::string last = "/neg1/= last'";
    text += std::string(32766 - text.size() - last.size(), 'x') + last;
    ASSERT_EQ(text.size(), 32766u);
    EXPECT_EQ(lookup(text, "neg1"), "last");
    EXPECT_EQ(lookup(text, "#jezyk"), "English");
}

class ReadLangFileTest : public LangTextTest {};

TEST_F(ReadLangFileTest, ReadsTheWholeFileFromTheLangFolder) {
    const std::string text = "[POL]\r\n/wyjdz/= Wyj\x9C"
                             "cie'";
    fs.addFile("lang\\pol.lng", text);
    fs.addFile("pol.lng", "[XXX] not this one");
    lang.ReadLangFile("pol.lng");
    EXPECT_EQ(lang.LangBuffer, text);
    EXPECT_EQ(lang.LangText("wyjdz"), "Wyj\x9C"
                                      "cie");

    fs.addFile("lang\\empty.lng", "");
    lang.ReadLangFile("empty.lng");
    EXPECT_EQ(lang.LangBuffer, "");
    EXPECT_EQ(lang.LangText("wyjdz"), "");
}

TEST_F(ReadLangFileTest, FailureRaisesAnErrorAndKeepsTheLanguageInForce) {
    fs.addFile("lang\\eng.lng", "/error/= kept'");
    lang.ReadLangFile("eng.lng");
    EXPECT_THROW(lang.ReadLangFile("absent.lng"), Error);
    fs.failOn(test::FsOp::Read, 1);
    EXPECT_THROW(lang.ReadLangFile("eng.lng"), Error);
    fs.failOn(test::FsOp::Length, 1);
    EXPECT_THROW(lang.ReadLangFile("eng.lng"), Error);
    EXPECT_EQ(lang.LangText("error"), "kept");
}

TEST(ReadLangFile, FileShorterThanItsLengthLeavesBlanksAndHugeOneIsRefused) {
    MisreportingFileSystem fs;
    LanguageState lang(fs);
    fs.addFile("lang\\short.lng", "/a/= b'");
    fs.claimedLength = 10;
    lang.ReadLangFile("short.lng");
    EXPECT_EQ(lang.LangBuffer, "/a/= b'   ");

    fs.claimedLength = LanguageState::kMaxLangFileBytes + 1;
    EXPECT_THROW(lang.ReadLangFile("short.lng"), Error);
    fs.claimedLength = -1;
    EXPECT_THROW(lang.ReadLangFile("short.lng"), Error);
    EXPECT_EQ(lang.LangBuffer, "/a/= b'   ");
}

TEST(LangCode, IsAlwaysThreeCharacters) {
    test::FakeFileSystem fs;
    LanguageState lang(fs);
    EXPECT_EQ(lang.LangCode, "   ");
    lang.setLangCode("ENGL");
    EXPECT_EQ(lang.LangCode, "ENG");
    lang.setLangCode("PL");
    EXPECT_EQ(lang.LangCode, "PL ");
    lang.setLangCode("");
    EXPECT_EQ(lang.LangCode, "   ");
}

} // namespace
} // namespace qly
