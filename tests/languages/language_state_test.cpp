#include "common/error.h"
#include "languages/language_state.h"
#include "support/fake_file_system.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace std::string_literals;

namespace qly {
namespace {

TEST(LangText, FindsTheFirstExactKeySkipsTwoCharactersAndStopsAtTheApostrophe) {
    const std::string polish = "\xB9\x9C\xF1\0end"s;
    const struct {
        std::string text, key, expected;
    } rows[] = {{"[ENG]\r\n/instaluj/= Update Now!'\r\n", "instaluj", "Update Now!"},
                {"/wyjdz/Exit'", "wyjdz", "it"},
                {"/przed1/= one\r\ntwo\nthree'", "przed1", "one\r\ntwo\nthree"},
                {"/poz1/= " + polish + "'", "poz1", polish}, // code page bytes and NUL kept
                {"/Error/= E'/neg10/= ten'/neg1/= one'/brak miejsca/= full'", "error", ""},
                {"/Error/= E'/neg10/= ten'/neg1/= one'/brak miejsca/= full'", "neg1", "one"},
                {"/Error/= E'/neg10/= ten'/neg1/= one'/brak miejsca/= full'", "neg", ""},
                {"/Error/= E'/neg10/= ten'/neg1/= one'/brak miejsca/= full'", "brak", ""},
                {"/brak miejsca/= full'", "brak miejsca", "full"},
                {"/przed1/= see /error/= x'/error/= real'", "error", "x"}, // first one wins
                {"", "error", ""},
                {"/error/= Failed.\r\n", "error", "Failed.\r\n"}, // unclosed: to the end
                {"/error/", "error", ""}, // the text would start beyond the end
                {"/error/= ", "error", ""},
                {"/error/= '", "error", ""}};
    test::FakeFileSystem fs;
    LanguageState lang(fs);
    for (const auto& row : rows) {
        lang.LangBuffer = row.text;
        EXPECT_EQ(lang.LangText(row.key), row.expected) << row.key << " in " << row.text;
    }
}

// Files that claim a length other than their contents, as one that changes between the length
// query and the read does.
struct MisreportingFileSystem : test::FakeFileSystem {
    struct MisreportingFile : File {
        std::unique_ptr<File> file;
        std::optional<int64_t> claimed;
        std::size_t read(std::span<char> out) override { return file->read(out); }
        void write(std::span<const char> data) override { file->write(data); }
        int64_t length() override { return claimed ? *claimed : file->length(); }
        void flush() override { file->flush(); }
    };
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        auto f = std::make_unique<MisreportingFile>();
        f->file = FakeFileSystem::open(path, mode);
        f->claimed = claimed;
        return f;
    }
    std::optional<int64_t> claimed; // nothing: the true length
};

TEST(ReadLangFile, ReadsTheWholeFileFromTheLangFolderAndBlanksWhatAShrunkFileLacks) {
    MisreportingFileSystem fs;
    LanguageState lang(fs);
    fs.addFile("lang\\pol.lng", "[POL]\r\n/wyjdz/= Wyjscie'");
    fs.addFile("pol.lng", "[XXX] not this one");
    lang.ReadLangFile("pol.lng");
    EXPECT_EQ(lang.LangText("wyjdz"), "Wyjscie");
    fs.claimed = 10; // the file shrank since its length was taken
    fs.addFile("lang\\short.lng", "/a/= b'");
    lang.ReadLangFile("short.lng");
    EXPECT_EQ(lang.LangBuffer, "/a/= b'   ");
}

TEST(ReadLangFile, FailureRaisesAnErrorAndKeepsTheLanguageInForce) {
    MisreportingFileSystem fs;
    LanguageState lang(fs);
    fs.addFile("lang\\eng.lng", "/error/= kept'");
    lang.ReadLangFile("eng.lng");
    EXPECT_THROW(lang.ReadLangFile("absent.lng"), Error);
    fs.failOn(test::FsOp::Read, 1);
    EXPECT_THROW(lang.ReadLangFile("eng.lng"), Error);
    fs.failOn(test::FsOp::Length, 1);
    EXPECT_THROW(lang.ReadLangFile("eng.lng"), Error);
    for (int64_t claimed : {LanguageState::kMaxLangFileBytes + 1, int64_t{-1}}) {
        fs.claimed = claimed;
        EXPECT_THROW(lang.ReadLangFile("eng.lng"), Error) << claimed;
    }
    EXPECT_EQ(lang.LangBuffer, "/error/= kept'");
}

} // namespace
} // namespace qly
