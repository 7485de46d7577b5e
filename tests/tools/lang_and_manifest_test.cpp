// `lang` and `manifest`: the files they write, read back by the installer's rules and by the
// common sha256sum tool.
#include "platform/posix/code_pages.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "support/temp_folder.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace qly::tools {
namespace {

std::string source(const std::string& header, const std::string& charset,
                   const std::string& extra) {
    return header + "\n/#jezyk/= Name'\n/#skrypt/= " + charset +
           "'\n/instaluj/= Go'\n/wyjdz/= Exit'\n/przed1/= Hello'\n/poz1/= Done'\n/neg1/= None'\n"
           "/error/= Error'\n/brak miejsca/= Full'\n/nie moge znalezc/= Lost'\n"
           "/podaj folder/= Where'\n" +
           extra;
}

int lang(const test::TempFolder& folder, const std::string& text, std::string& report) {
    folder.write("src.txt", text);
    const std::vector<std::string> args{folder.file("src.txt"), "-o", folder.file("out.lng")};
    std::ostringstream out;
    const int code = RunLang(args, out);
    report = out.str();
    return code;
}

TEST(LangCommandTest, WritesTheCodePageWithCrLfAndReadsBackAsWritten) {
    test::TempFolder folder;
    std::string report;
    // Polish in 1250, Russian in 1251, with CR LF and LF sources and a byte order mark.
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"[POL]", "238", "/przed2/= Zażółć gęślą jaźń'\n"},
        {"[RUS]", "204", "/przed2/= Съешь же ещё этих мягких булок'\r\n"},
        {"\xEF\xBB\xBF[DEU]", "0", "/przed2/= Grüße, Straße'\r\n"},
    };
    for (const auto& [header, charset, extra] : cases) {
        SCOPED_TRACE(header);
        const std::string text = source(header, charset, extra);
        ASSERT_EQ(lang(folder, text, report), 0) << report;
        const std::string bytes = folder.read("out.lng");
        const unsigned codePage = posix::codePageOfCharset(std::stoi(charset));
        // The byte order mark goes; every line ends in CR LF.
        const std::string expected = text.substr(header.size() > 5 ? 3 : 0);
        EXPECT_EQ(posix::codePageToUtf8(bytes, codePage),
                  std::regex_replace(expected, std::regex("\r?\n"), "\r\n"));
        EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos);
    }
}

TEST(LangCommandTest, RefusesLettersTheCodePageLacksAndBrokenEntries) {
    test::TempFolder folder;
    std::string report;
    EXPECT_EQ(lang(folder, source("[POL]", "0", "/przed2/= Zażółć'\n"), report), 1);
    EXPECT_THAT(report, testing::HasSubstr(":13: error: code page 1252 (charset 0) has no \"ż\""));
    EXPECT_FALSE(folder.exists("out.lng"));
    EXPECT_EQ(lang(folder, source("[ENG]", "0", "/przed2/= Don't stop'\n"), report), 1);
    EXPECT_THAT(report, testing::HasSubstr(":13: error: an apostrophe ends the text"));
    EXPECT_THAT(report, testing::HasSubstr("write the typographic apostrophe \u2019"));
    EXPECT_EQ(lang(folder, source("[ENG]", "7", ""), report), 1);
    EXPECT_THAT(report, testing::HasSubstr("names no charset"));
    EXPECT_EQ(
        lang(folder, source("[ENG]", "0", "/przed2/= " + std::string(33000, 'a') + "'\n"), report),
        1);
    EXPECT_THAT(report, testing::HasSubstr("bytes; language files must stay below 32767"));
    const std::vector<std::string> noOutput{folder.file("src.txt")};
    std::ostringstream out;
    EXPECT_THROW(RunLang(noOutput, out), UsageError);
}

// A source saved as UTF-16 (Notepad's "Unicode") is named as such, with or without its byte
// order mark, instead of being read as bytes of nonsense.
TEST(LangCommandTest, Utf16SourceIsNamedAndNothingIsWritten) {
    test::TempFolder folder;
    std::string report;
    const std::string text = source("[ENG]", "0", "");
    std::string little;
    std::string big;
    for (const char c : text) {
        little += std::string{c, '\0'};
        big += std::string{'\0', c};
    }
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\xFF\xFE" + little, "UTF-16 (little-endian, with a byte order mark)"},
        {"\xFE\xFF" + big, "UTF-16 (big-endian, with a byte order mark)"},
        {little, "UTF-16 (little-endian, without"},
        {big, "UTF-16 (big-endian, without"},
    };
    for (const auto& [bytes, form] : cases) {
        EXPECT_EQ(lang(folder, bytes, report), 1);
        EXPECT_THAT(report, testing::HasSubstr("error: the source is " + form));
        EXPECT_THAT(report, testing::HasSubstr("save it as UTF-8"));
        EXPECT_FALSE(folder.exists("out.lng"));
    }
    EXPECT_EQ(lang(folder, text, report), 0) << report;
}

TEST(ManifestCommandTest, WritesWhatSha256sumConfirms) {
    test::TempFolder folder;
    folder.write("update/readme.txt", "hello\n");
    folder.write("update/Mapy gry/\xC5\x82\xC4\x85ka zielona.map", std::string(3 << 20, 'x'));
    folder.write("update/data/empty.idx", "");
    posix::LibcryptoHashService hashes;
    std::ostringstream out;
    ASSERT_EQ(RunManifest(std::vector<std::string>{folder.path()}, hashes, out), 0);
    EXPECT_THAT(out.str(), testing::HasSubstr("(3 files)"));
    const std::string check =
        "cd '" + folder.file("update") + "' && sha256sum --quiet --strict -c ../update.sha256";
    EXPECT_EQ(std::system(check.c_str()), 0);
    folder.write("update/readme.txt", "changed\n");
    EXPECT_NE(std::system((check + " 2>/dev/null >/dev/null").c_str()), 0);
    EXPECT_THROW(RunManifest(std::vector<std::string>{folder.file("absent")}, hashes, out), Error);
}

} // namespace
} // namespace qly::tools
