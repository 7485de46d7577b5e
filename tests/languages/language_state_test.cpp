#include "common/error.h"
#include "languages/language_state.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace qly {
namespace {

// Serves files from memory; each may claim a length other than its contents and hand out its
// bytes in small pieces, as a real file that changes under the reader would.
class MemoryFileSystem : public FileSystem {
public:
    struct Entry {
        std::string contents;
        int64_t claimedLength = -1; // -1: the contents' own length
        std::size_t piece = 1 << 20;
    };

    std::map<std::string, Entry> files;
    std::vector<std::string> opened;

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        opened.push_back(path);
        const auto it = files.find(path);
        if (mode != OpenMode::Read || it == files.end()) {
            throw Error("cannot open " + path);
        }
        return std::make_unique<MemoryFile>(it->second);
    }

    std::unique_ptr<DirListing> list(const std::string&, const std::string&) override {
        return nullptr;
    }
    uint32_t attributes(const std::string&) override { return kInvalidAttributes; }
    bool fileExists(const std::string& path) override { return files.contains(path); }
    bool exists(const std::string& path) override { return files.contains(path); }
    void createFolder(const std::string&) override { throw Error("read-only"); }
    void deleteFile(const std::string&) override { throw Error("read-only"); }
    void removeQuietly(const std::string&) noexcept override {}
    void replaceFile(const std::string&, const std::string&) override { throw Error("read-only"); }
    std::optional<int64_t> freeBytes(const std::string&) override { return std::nullopt; }

private:
    class MemoryFile : public File {
    public:
        explicit MemoryFile(const Entry& entry) : entry_(entry) {}
        std::size_t read(std::span<char> out) override {
            const std::size_t n =
                std::min({out.size(), entry_.piece, entry_.contents.size() - position_});
            std::copy_n(entry_.contents.data() + position_, n, out.data());
            position_ += n;
            return n;
        }
        void write(std::span<const char>) override { throw Error("read-only"); }
        int64_t length() override {
            return entry_.claimedLength >= 0 ? entry_.claimedLength
                                             : static_cast<int64_t>(entry_.contents.size());
        }

    private:
        const Entry& entry_;
        std::size_t position_ = 0;
    };
};

class LangTextTest : public ::testing::Test {
protected:
    // The language in force holds exactly text.
    std::string lookup(const std::string& text, const std::string& key) {
        lang.LangBuffer = text;
        return lang.LangText(key);
    }

    MemoryFileSystem fs;
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
    fs.files["lang\\pol.lng"] = {"[POL]\r\n/wyjdz/= Wyj\x9C"
                                 "cie'",
                                 -1, 3};
    lang.ReadLangFile("pol.lng");
    EXPECT_EQ(fs.opened, std::vector<std::string>{"lang\\pol.lng"});
    EXPECT_EQ(lang.LangBuffer, "[POL]\r\n/wyjdz/= Wyj\x9C"
                               "cie'");
    EXPECT_EQ(lang.LangText("wyjdz"), "Wyj\x9C"
                                      "cie");
}

TEST_F(ReadLangFileTest, EmptyFileGivesAnEmptyBuffer) {
    fs.files["lang\\empty.lng"] = {"", -1, 1};
    lang.LangBuffer = "previous";
    lang.ReadLangFile("empty.lng");
    EXPECT_EQ(lang.LangBuffer, "");
    EXPECT_EQ(lang.LangText("error"), "");
}

TEST_F(ReadLangFileTest, BytesAFileNoLongerHasStayBlanks) {
    fs.files["lang\\short.lng"] = {"/a/= b'", 10, 2};
    lang.ReadLangFile("short.lng");
    EXPECT_EQ(lang.LangBuffer, "/a/= b'   ");
}

TEST_F(ReadLangFileTest, FailureRaisesAnErrorAndKeepsTheLanguageInForce) {
    lang.LangBuffer = "/error/= kept'";
    EXPECT_THROW(lang.ReadLangFile("absent.lng"), Error);
    fs.files["lang\\huge.lng"] = {"", LanguageState::kMaxLangFileBytes + 1, 1};
    EXPECT_THROW(lang.ReadLangFile("huge.lng"), Error);
    EXPECT_EQ(lang.LangText("error"), "kept");
}

TEST(LangCode, IsAlwaysThreeCharacters) {
    MemoryFileSystem fs;
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
