// The native build's locale, version resources, profile files and registry file.
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_profile_file.h"
#include "platform/posix/posix_version_resource.h"
#include "platform/posix/reg_file_registry.h"
#include "support/profile_cases.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

namespace qly::posix {
namespace {

TEST(PosixLocaleTest, NamesMapToWindowsIdentifiersByLanguageAndTerritory) {
    EXPECT_EQ(LocaleIdOf("de_DE@euro"), 0x0407u);
    EXPECT_EQ(LocaleIdOf("fr_CA.UTF-8"), 0x0C0Cu);
    EXPECT_EQ(LocaleIdOf("pt"), 0x0416u);    // language alone: its first territory
    EXPECT_EQ(LocaleIdOf("de_BE"), 0x0407u); // unknown territory: the language
    EXPECT_EQ(LocaleIdOf("C.UTF-8"), 0x0409u);
}

TEST(PosixVersionResourceTest, FindsTheFixedBlockOfExecutablesOnlyAndNeverReadsPastTheEnd) {
    // "MZ", filler, a false start (structure version 2.0), then the block of 6.4.9.1133.
    const std::string image = "MZ" + std::string(301, '\x90') +
                              std::string("\xBD\x04\xEF\xFE\0\0\x02\0\xBD\x04\xEF\xFE\0\0\x01\0"
                                          "\x04\0\x06\0\x6D\x04\x09\0",
                                          24);
    const std::array<uint16_t, 4> version{6, 4, 9, 1133};
    EXPECT_EQ(FixedFileVersion(image.substr(2)), std::nullopt); // not an executable
    EXPECT_EQ(FixedFileVersion(image.substr(0, image.size() - 1)), std::nullopt);
    test::TempFolder folder;
    folder.write("msdxm.ocx", image + std::string(40, '\0'));
    PosixVersionResource versions(folder.winPath() + "system32");
    EXPECT_EQ(versions.fileVersion(folder.winPath() + "msdxm.ocx"), version);
    EXPECT_EQ(versions.fileVersion(folder.file("absent.ocx")), std::nullopt);
}

// The file has a byte order mark, entries above the first header, CR LF and LF lines, blanks,
// quotes, repeated sections and keys (the first wins), comments and stray lines.
TEST(PosixProfileFileTest, AnswersAsTheWindowsReaderDoes) {
    test::TempFolder folder;
    folder.write("test.ini", "\xEF\xBB\xBF"
                             "k=orphan\r\n"
                             "  [ select ]  \n\t x \t=\t 12 px \t\nlink=https://q.example/?a=1\n"
                             "empty=\nblank=   \r\n"
                             "[q]\nd=\"Quillory Online\"\ns='single'\nn=\"\"a\"\"\nm=\"mixed'\n"
                             "o=\"open\np=\"\ne=\"\"\nk= \" padded \" \n"
                             "[a]\nk=first\nk=second\n;j=comment\nno equals sign\n[broken\n"
                             "=nameless\nlong=abc\nname=\xC5\x81\xC3\xB3\xC5\xBA\xC4\x87\n"
                             "[A]\nk=third\nj=late");
    PosixProfileFile profile;
    const auto get = [&](const std::string& section, const std::string& key, std::size_t size) {
        return profile.getString(folder.winPath() + "test.ini", section, key, "dflt", size);
    };
    using Strings = std::vector<std::string>;
    // Section, keys, and their answers with a buffer of 255 and the default "dflt".
    const std::vector<std::tuple<std::string, Strings, Strings>> rows{
        {"", {"k"}, {"orphan"}},
        {"SELECT",
         {"X", "link", "empty", "blank", "absent"},
         {"12 px", "https://q.example/?a=1", "", "", "dflt"}},
        {"q",
         {"d", "s", "n", "m", "o", "p", "e", "k"},
         {"Quillory Online", "single", "\"a\"", "\"mixed'", "\"open", "\"", "", " padded "}},
        {"a", {"k", "j", ""}, {"first", "dflt", "nameless"}}};
    for (const auto& [section, keys, answers] : rows) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(get(section, keys[i], 255), answers[i]) << "[" << section << "] " << keys[i];
        }
    }
    // Values and defaults are cut to one less than the buffer, never inside a UTF-8 character.
    EXPECT_EQ(get("a", "long", 3), "ab");
    EXPECT_EQ(get("a", "long", 0), "");
    EXPECT_EQ(get("a", "absent", 4), "dfl");
    EXPECT_EQ(get("a", "name", 4), "\xC5\x81\xC3\xB3\xC5\xBA");
    EXPECT_EQ(profile.getString(folder.path() + "absent.ini", "a", "k", "dflt", 255), "dflt");
    EXPECT_EQ(profile.getString(folder.path(), "a", "k", "dflt", 255), "dflt");
}

TEST(PosixProfileFileTest, ListsASectionsKeysInTheFilesOrderAsTheWindowsReaderDoes) {
    test::TempFolder folder;
    PosixProfileFile profile;
    for (const test::ProfileKeysCase& c : test::ProfileKeysCases()) {
        folder.write(c.name, c.text);
        EXPECT_EQ(profile.keys(folder.winPath() + c.name, c.section), c.keys) << c.name;
    }
    EXPECT_TRUE(profile.keys(folder.winPath() + "missing.ini", "game").empty());
}

TEST(PosixProfileFileTest, ReadsFilesFromAnyEditorAsTheWindowsReaderDoes) {
    test::TempFolder folder;
    PosixProfileFile profile;
    for (const test::ProfileFileCases& file : test::EditorProfileCases()) {
        folder.write(file.name, file.text);
        for (const test::ProfileCase& c : file.cases) {
            EXPECT_EQ(
                profile.getString(folder.winPath() + file.name, c.section, c.key, "dflt", 255),
                c.answer)
                << file.name << " [" << c.section << "] " << c.key;
        }
    }
}

TEST(RegFileRegistryTest, ReadsOnlyStringValuesOfTheFirstMatchingKey) {
    test::TempFolder folder;
    folder.write("system.reg", R"(WINE REGISTRY Version 2
[Software\\Brantmoor Games\\Quillory] 1700000000
"Install Path"="C:\\Games\\Quillory"
"Quoted"="say \"hi\"\n"
"Cut"="abc\0def"
"Wide"="Gra\x17c\x0144"
"Umlaut"="C:\\Spiele\\\x00dcberfall"
"Digit"="\x00e91"
"Expand"=str(2):"%ProgramFiles%\\Quillory"
"Number"=dword:00000001
@="unnamed"

[Software\\Brantmoor Games\\Quillory DEMO] 1700000000
"Install Path"="D:\\Demo"

[Software\\Brantmoor Games\\Quillory] 1700000001
"Later"="never read"
)");
    RegFileRegistry registry(folder.file("system.reg"));
    const std::string key = "SOFTWARE\\Brantmoor Games\\Quillory";
    EXPECT_EQ(registry.readString("software\\brantmoor games\\quillory", "install path"),
              "C:\\Games\\Quillory");
    EXPECT_EQ(registry.readString(key + " DEMO", "Install Path"), "D:\\Demo");
    EXPECT_EQ(registry.readString(key, "Quoted"), "say \"hi\"\n");
    EXPECT_EQ(registry.readString(key, "Cut"), "abc");
    EXPECT_EQ(registry.readString(key, "Wide"), "Gra\xC5\xBC\xC5\x84");
    // An escape takes at most four hex digits, even when a letter or digit after them is one.
    EXPECT_EQ(registry.readString(key, "Umlaut"), "C:\\Spiele\\\xC3\x9C" "berfall");
    EXPECT_EQ(registry.readString(key, "Digit"), "\xC3\xA9" "1");
    EXPECT_EQ(registry.readString(key, ""), "unnamed");
    for (const char* name : {"Expand", "Number", "Later", "Missing"}) {
        EXPECT_EQ(registry.readString(key, name), std::nullopt) << name;
    }
    EXPECT_EQ(registry.readString("SOFTWARE\\Brantmoor Games", "Install Path"), std::nullopt);
    EXPECT_EQ(RegFileRegistry(folder.file("absent.reg")).readString(key, "x"), std::nullopt);
}

// Escapes hold UTF-16 units: a pair is one character beyond U+FFFF, a lone half is no
// character at all. Either way the string read is UTF-8.
TEST(RegFileRegistryTest, JoinsSurrogatePairsAndReplacesLoneHalves) {
    std::istringstream file(R"([Software\\Quillory] 1
"Pair"="Gry\\\xd83d\xde00!"
"High"="a\xd83db"
"Swapped"="\xde00\xd83d"
"HighThenNul"="c\xdbff\x0000tail"
)");
    const auto read = [&](const char* value) {
        file.clear();
        file.seekg(0);
        return ReadRegFileString(file, "software\\quillory", value);
    };
    EXPECT_EQ(read("Pair"), "Gry\\\xF0\x9F\x98\x80!");
    EXPECT_EQ(read("High"), "a\xEF\xBF\xBD"
                            "b");
    EXPECT_EQ(read("Swapped"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(read("HighThenNul"), "c\xEF\xBF\xBD");
}

} // namespace
} // namespace qly::posix
