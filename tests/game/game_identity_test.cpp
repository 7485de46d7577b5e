// The game a bundle names in its layout file, and where the lookups find it.
#include "game/game_identity.h"
#include "game/game_lookup.h"
#include "platform/posix/posix_file_system.h"
#include "support/form1_rig.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using test::FakeProfileFile;
using test::FakeRegistry;

GameIdentity identityOf(FakeProfileFile& profile) {
    return ReadGameIdentity(LayoutFile(profile, "C:\\Patch\\qlypatch.ini"));
}

TEST(GameIdentityTest, ALayoutFileWithoutItKeepsTheInstallersOwnGame) {
    FakeProfileFile profile;
    profile.set("game", "version", "1.1.0.0");
    // Present but empty is the same as absent.
    profile.set("game", "exe", "");
    profile.set("game", "registry", "  ");
    const GameIdentity identity = identityOf(profile);
    const GameIdentity defaults = DefaultGameIdentity();
    EXPECT_FALSE(identity.ownKeys);
    ASSERT_EQ(identity.registryKeys.size(), 2u);
    EXPECT_EQ(identity.registryKeys[0].subKey, "SOFTWARE\\Brantmoor Games\\Quillory");
    EXPECT_EQ(identity.registryKeys[1].subfolder, "\\Quillory DEMO");
    EXPECT_EQ(identity.registryValue, "Install Path");
    EXPECT_EQ(identity.exe, "main.exe");
    EXPECT_EQ(identity.title, "Quillory - Install");
    EXPECT_EQ(ProgressCaption(identity.caption, 45), " 45% QLY!");
    EXPECT_EQ(ProgressCaption(identity.caption, -1), "-1% QLY!");
    EXPECT_TRUE(identity.stores.empty());
    EXPECT_FALSE(identity.browse);
}

TEST(GameIdentityTest, AStudiosKeysStoresProgramAndWindowTexts) {
    FakeProfileFile profile;
    profile.set("game", "registry",
                " HKLM\\SOFTWARE\\Pixel Forge\\Emberfall ;hkcu\\Software\\Pixel Forge\\Emberfall\\;"
                "HKCR\\Nope;Software\\NoRoot;;HKEY_CURRENT_USER\\Software\\PF");
    profile.set("game", "registryvalue", "Game Folder");
    profile.set("game", "uninstall", "Emberfall_is1");
    profile.set("game", "steam", "2231380");
    profile.set("game", "gog", "1207658924");
    profile.set("game", "Steam", "1"); // a key written twice counts where it first is
    profile.set("game", "exe", "Emberfall.exe");
    profile.set("game", "title", "Emberfall - Patch 1.1");
    profile.set("game", "caption", "Emberfall %1%");
    profile.set("game", "browse", "1");
    const GameIdentity identity = identityOf(profile);

    EXPECT_TRUE(identity.ownKeys);
    ASSERT_EQ(identity.registryKeys.size(), 3u);
    EXPECT_EQ(FormatGameRegistryKey(identity.registryKeys[0]),
              "HKLM\\SOFTWARE\\Pixel Forge\\Emberfall");
    EXPECT_EQ(FormatGameRegistryKey(identity.registryKeys[1]),
              "HKCU\\Software\\Pixel Forge\\Emberfall");
    EXPECT_EQ(FormatGameRegistryKey(identity.registryKeys[2]), "HKCU\\Software\\PF");
    EXPECT_EQ(identity.registryKeys[0].subfolder, "");
    EXPECT_EQ(identity.registryValue, "Game Folder");
    ASSERT_EQ(identity.stores.size(), 3u);
    EXPECT_EQ(identity.stores[0].kind, GameStoreEntry::Kind::Uninstall);
    EXPECT_EQ(identity.stores[1].kind, GameStoreEntry::Kind::Steam);
    EXPECT_EQ(identity.stores[1].id, "2231380");
    EXPECT_EQ(identity.stores[2].kind, GameStoreEntry::Kind::Gog);
    EXPECT_EQ(identity.exe, "Emberfall.exe");
    EXPECT_EQ(identity.title, "Emberfall - Patch 1.1");
    EXPECT_EQ(ProgressCaption(identity.caption, 7), "Emberfall 7%");
    EXPECT_TRUE(identity.browse);
}

TEST(GameIdentityTest, ProgramNamesWithAFolderOrThatWindowsRefusesAreNoProgram) {
    for (const char* bad :
         {"bin\\game.exe", "bin/game.exe", "..", "con.exe", "a:b.exe", "x.exe."}) {
        EXPECT_NE(GameProgramNameProblem(bad), "") << bad;
    }
    EXPECT_EQ(GameProgramNameProblem("Game Launcher.EXE"), "");
}

// A studio's records on a machine: the registry (fake) and a Steam installation with a second
// library in a real folder.
struct LookupFixture {
    LookupFixture() {
        folder.write("steam/steamapps/libraryfolders.vdf",
                     "\"libraryfolders\" { \"0\" { \"path\" \"" + folder.path() +
                         "steam\" } \"1\" { \"path\" \"" + folder.path() + "lib2\\\\\" } }");
        folder.write("lib2/steamapps/appmanifest_2231380.acf",
                     "\"AppState\" { \"appid\" \"2231380\" \"installdir\" \"Emberfall\" }");
        folder.write("lib2/steamapps/common/Emberfall/emberfall.exe", "MZ");
        registry.userValues_[{"Software\\Valve\\Steam", "SteamPath"}] = folder.path() + "steam";
    }
    FoundGame find(const GameIdentity& identity) {
        return FindGame(identity, {registry, disk, [](const std::string& p) {
                                       std::string out = p;
                                       std::replace(out.begin(), out.end(), '\\', '/');
                                       return std::optional(out);
                                   }});
    }

    test::TempFolder folder;
    posix::PosixFileSystem disk;
    FakeRegistry registry;
};

TEST(GameLookupTest, RegistryKeysFirstThenTheStoresInTheLayoutFilesOrder) {
    LookupFixture f;
    GameIdentity identity = DefaultGameIdentity();
    identity.registryKeys = {*ParseGameRegistryKey("HKLM\\SOFTWARE\\PF\\E"),
                             *ParseGameRegistryKey("HKCU\\Software\\PF\\E")};
    identity.ownKeys = true;
    identity.registryValue = "Path";
    identity.stores = {{GameStoreEntry::Kind::Gog, "12"},
                       {GameStoreEntry::Kind::Steam, "2231380"},
                       {GameStoreEntry::Kind::Uninstall, "E_is1"}};
    const std::string steamGame = f.folder.path() + "lib2/steamapps/common/Emberfall";

    FoundGame found = f.find(identity);
    EXPECT_EQ(found.source, GameSource::Steam);
    EXPECT_EQ(Exists(f.disk, found.folder), true) << found.folder;
    EXPECT_EQ(GameProgramIn(f.disk, found.folder, "EMBERFALL.EXE"),
              found.folder + "\\emberfall.exe");

    f.registry.values_[{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\E_is1",
                        "InstallLocation"}] = "D:\\Uninst\\";
    f.registry.values_[{"SOFTWARE\\GOG.com\\Games\\12", "path"}] = "D:\\GOG\\E";
    found = f.find(identity);
    EXPECT_EQ(found.source, GameSource::Gog);
    EXPECT_EQ(found.folder, "D:\\GOG\\E");

    // An empty value is no record; the user's key answers after the machine's.
    f.registry.values_[{"SOFTWARE\\PF\\E", "Path"}] = "";
    f.registry.userValues_[{"Software\\PF\\E", "Path"}] = "D:\\Mine";
    found = f.find(identity);
    EXPECT_EQ(found.source, GameSource::RegistryKey);
    EXPECT_EQ(found.from, "HKCU\\Software\\PF\\E");
    EXPECT_EQ(found.folder, "D:\\Mine");
    // The first record wins even when its folder lacks the game: the user is asked then.
    f.registry.values_[{"SOFTWARE\\PF\\E", "Path"}] = "D:\\Stale";
    EXPECT_EQ(f.find(identity).folder, "D:\\Stale");

    identity.registryKeys.clear();
    identity.stores = {{GameStoreEntry::Kind::Uninstall, "E_is1"}};
    EXPECT_EQ(f.find(identity).folder, "D:\\Uninst");
}

TEST(GameLookupTest, SteamRecordsThatDoNotNameThisGameFindNothing) {
    LookupFixture f;
    GameIdentity identity = DefaultGameIdentity();
    identity.registryKeys.clear();
    for (const char* id : {"22313800", "2231380x", "", "../2231380"}) {
        identity.stores = {{GameStoreEntry::Kind::Steam, id}};
        EXPECT_EQ(f.find(identity).source, GameSource::None) << id;
    }
    // A manifest found in the installation's own library, unlisted in a list that lacks it.
    f.folder.write("steam/steamapps/appmanifest_7.acf",
                   "\"AppState\" { \"installdir\" \"Seven\" }");
    f.folder.write("steam/steamapps/libraryfolders.vdf", "garbage { \"");
    identity.stores = {{GameStoreEntry::Kind::Steam, "7"}};
    EXPECT_EQ(f.find(identity).folder, f.folder.path() + "steam\\steamapps\\common\\Seven");
    // Store keys that would leave their parent key are not looked up.
    identity.stores = {{GameStoreEntry::Kind::Gog, "..\\..\\Valve\\Steam"}};
    f.registry.values_[{"SOFTWARE\\GOG.com\\Games\\..\\..\\Valve\\Steam", "path"}] = "X";
    EXPECT_EQ(f.find(identity).source, GameSource::None);
}

TEST(GameLookupTest, TheProgramIsAnOrdinaryVisibleFileOfThatNameInAnyCase) {
    test::TempFolder folder;
    posix::PosixFileSystem disk;
    folder.write("game/Main.EXE", "MZ");
    folder.write("game/other.exe", "MZ");
    const std::string game = folder.path() + "game";
    EXPECT_EQ(GameProgramIn(disk, game, "main.exe"), game + "\\Main.EXE");
    EXPECT_EQ(GameProgramIn(disk, game, "main.ex?"), std::nullopt);
    EXPECT_EQ(GameProgramIn(disk, game, "*.exe"), std::nullopt);
    EXPECT_EQ(GameProgramIn(disk, game, "missing.exe"), std::nullopt);
    EXPECT_EQ(GameProgramIn(disk, folder.path() + "nowhere", "main.exe"), std::nullopt);
    std::filesystem::create_directories(folder.file("game/Folder.exe"));
    EXPECT_EQ(GameProgramIn(disk, game, "folder.exe"), std::nullopt);
}

} // namespace
} // namespace qly
