// The game store's records read from disk: library lists and app manifests, written by other
// programs and possibly damaged or planted.
#include "game/key_values.h"
#include "game/steam_library.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly {
namespace {

using Paths = std::vector<std::string>;

TEST(SteamLibraryPathsTest, ReadsTodaysAndTheOlderLayoutInFileOrder) {
    const char* today = R"("libraryfolders"
{
	"0"
	{
		"path"		"/home/anna/.local/share/Steam"
		"label"		""
		"apps" { "2000" "123" }
	}
	// a comment "path" "/not/this"
	"1"
	{
		"contentid"		"path"
		"PATH"		"/mnt/games/Steam Library/"
	}
	"2" { "path" "D:\\Games\\a \"b\"\\" }
})";
    EXPECT_EQ(SteamLibraryPaths(today), (Paths{"/home/anna/.local/share/Steam",
                                               "/mnt/games/Steam Library", "D:\\Games\\a \"b\""}));
    const char* older = R"("LibraryFolders"
{
	"TimeNextStatsReport"		"1700000000"
	"ContentStatsID"		"-123"
	"1"		"E:\\SteamLibrary"
	"2"		"F:\\"
})";
    EXPECT_EQ(SteamLibraryPaths(older), (Paths{"E:\\SteamLibrary", "F:\\"}));
}

TEST(SteamLibraryPathsTest, DamagedListsNameWhatTheyStillHoldAndNeverMore) {
    const std::pair<std::string, Paths> cases[] = {
        {"", {}},
        {"\"path\"", {}},
        {"\"path\" \"/top/level/is/not/a/library\"", {}},
        // Cut off in the middle: the sections read so far still count.
        {"\"libraryfolders\" { \"0\" { \"path\" \"/a\" } \"1\" { \"path\" \"/b", {"/a", "/b"}},
        // A stray closing brace ends nothing that was not opened.
        {"} } \"libraryfolders\" { \"0\" { \"path\" \"/a\" } }", {"/a"}},
        // A key whose value is missing before the section closes is dropped.
        {"\"libraryfolders\" { \"0\" { \"path\" } \"1\" { \"path\" \"/b\" } }", {"/b"}},
        // A value that is a section is no path.
        {"\"libraryfolders\" { \"0\" { \"path\" { \"x\" \"/c\" } } }", {}},
        {std::string("\"libraryfolders\" { \"0\" { \"path\" \"/a\0b\" } }", 40),
         {std::string("/a\0b", 4)}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(SteamLibraryPaths(text), expected) << text;
    }
}

TEST(SteamInstallDirTest, TheManifestsFolderNameOnlyWhenItStaysInsideCommon) {
    const auto manifest = [](const std::string& appId, const std::string& dir) {
        return "\"AppState\"\n{\n\t\"appid\"\t\t\"" + appId + "\"\n\t\"name\"\t\t\"Emberfall\"\n" +
               "\t\"installdir\"\t\t\"" + dir +
               "\"\n\t\"UserConfig\" { \"language\" \"english\" }\n}\n";
    };
    EXPECT_EQ(SteamInstallDir(manifest("2231380", "Emberfall"), "2231380"), "Emberfall");
    EXPECT_EQ(SteamInstallDir(manifest("2231380", "Ember Fall 2"), "2231380"), "Ember Fall 2");
    // Another app's manifest under this app's name is not this game.
    EXPECT_EQ(SteamInstallDir(manifest("10", "Emberfall"), "2231380"), std::nullopt);
    for (const char* dir : {"", ".", "..", "..\\\\..\\\\Windows", "a/b", "C:", "C:\\\\Windows"}) {
        EXPECT_EQ(SteamInstallDir(manifest("2231380", dir), "2231380"), std::nullopt) << dir;
    }
    EXPECT_EQ(SteamInstallDir("\"installdir\" \"Emberfall\"", "1"), std::nullopt);
    EXPECT_EQ(SteamInstallDir("\"AppState\" \"flat\"", "1"), std::nullopt);
    // Keys in another letter case, bare words and a platform condition, as hand edits leave them.
    EXPECT_EQ(SteamInstallDir("appstate { AppID 7 [$WIN32] InstallDir Seven }", "7"), "Seven");
}

TEST(KeyValuesTest, DeepOrEndlessNestingIsBoundedAndWhatFollowsItIsRead) {
    std::string deep = "\"a\" {";
    for (int i = 0; i < 100000; ++i) {
        deep += "\"k\" {";
    }
    for (int i = 0; i < 100000; ++i) {
        deep += "}";
    }
    deep += "\"after\" \"yes\" }";
    const KeyValues root = ParseKeyValues(deep);
    ASSERT_NE(root.child("a"), nullptr);
    EXPECT_EQ(root.child("a")->valueOf("after"), "yes");
    // Never closed at all: everything is closed at the end, nothing is lost before it.
    const KeyValues open = ParseKeyValues(std::string(5000, '{') + "\"x\" \"1\"");
    EXPECT_EQ(open.children.size(), 1u);
}

TEST(KeyValuesTest, QuotedTextKeepsEscapedQuotesBracesAndSlashes) {
    const KeyValues root = ParseKeyValues("\"k\" \"a\\\"{}//\\\\b\\n\" \"u\" \"unclosed { \\\"");
    EXPECT_EQ(root.valueOf("k"), "a\"{}//\\b\n");
    EXPECT_EQ(root.valueOf("u"), "unclosed { \"");
}

} // namespace
} // namespace qly
