// Windows paths turned into Linux paths inside a prefix, and the prefix's registry.
#include "platform/posix/reg_file_registry.h"
#include "prefix/case_matching_file_system.h"
#include "prefix/prefix_folders.h"
#include "prefix/prefix_registry.h"
#include "prefix_fixture.h"
#include "update/update_run.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(PrefixPathsTest, DriveLinksAndLetterCaseAsWineResolvesThem) {
    test::PrefixFixture f;
    const std::string game = f.drive() + "/games/QUILLORY";
    EXPECT_EQ(f.paths.linuxPath("C:\\Games\\Quillory"), game);
    EXPECT_EQ(f.paths.linuxPath("c:/GAMES/quillory/"), game);
    EXPECT_EQ(f.paths.linuxPath("C:\\Games\\.\\Other\\..\\Quillory"), game);
    // What is not there yet keeps the case it was given, under the parts that are.
    EXPECT_EQ(f.paths.linuxPath("C:\\GAMES\\Quillory\\New Folder\\Sub"), game + "/New Folder/Sub");
    EXPECT_EQ(f.paths.linuxPath("C:\\"), f.drive());
    // ".." never climbs out of the drive.
    EXPECT_EQ(f.paths.linuxPath("C:\\..\\..\\games"), f.drive() + "/games");

    // An exact match wins over another letter case; links written absolute work too.
    f.folder.write("pfx/drive_c/games/quillory/main.exe", "MZ");
    EXPECT_EQ(f.paths.linuxPath("C:\\games\\quillory"), f.drive() + "/games/quillory");
    std::filesystem::create_symlink(f.folder.file("elsewhere"), f.folder.file("pfx/dosdevices/d:"));
    EXPECT_EQ(f.paths.linuxPath("D:\\Data"), f.folder.file("elsewhere") + "/Data");

    for (const char* notMapped : {"E:\\Games", "\\Games", "Games\\Quillory", "/home/x", "C", ""}) {
        EXPECT_EQ(f.paths.linuxPath(notMapped), std::nullopt) << notMapped;
    }
}

TEST(PrefixPathsTest, SystemAndFavoritesFoldersOfThePrefix) {
    test::PrefixFixture f;
    std::filesystem::create_directories(f.folder.file("pfx/drive_c/Windows/System32"));
    EXPECT_EQ(PrefixSystemFolder(f.paths, f.disk), f.drive() + "/Windows/System32");
    std::filesystem::create_directories(f.folder.file("pfx/drive_c/Windows/SysWOW64"));
    EXPECT_EQ(PrefixSystemFolder(f.paths, f.disk), f.drive() + "/Windows/SysWOW64");

    // Steam's prefixes belong to "steamuser" whoever runs them.
    std::filesystem::create_directories(f.folder.file("pfx/drive_c/users/steamuser/Favorites"));
    EXPECT_EQ(PrefixFavoritesFolder(f.paths, f.disk, "anna"),
              f.drive() + "/users/steamuser/Favorites");
    std::filesystem::create_directories(f.folder.file("pfx/drive_c/users/anna/favorites"));
    EXPECT_EQ(PrefixFavoritesFolder(f.paths, f.disk, "anna"), f.drive() + "/users/anna/favorites");
}

TEST(PrefixRegistryTest, ThirtyTwoBitViewFirstAndItsPathMapped) {
    test::PrefixFixture f;
    std::filesystem::create_directories(f.drive() + "/Program Files/Quillory");
    f.folder.write("pfx/drive_c/Program Files/Quillory/main.exe", "MZ");
    f.folder.write("pfx/system.reg", R"(WINE REGISTRY Version 2
[Software\\Brantmoor Games\\Quillory] 1700000000
"Install Path"="C:\\Program Files\\Quillory"

[Software\\Wow6432Node\\Brantmoor Games\\Quillory] 1700000000
"Install Path"="C:\\Games\\Quillory"

[Software\\Brantmoor Games\\Quillory DEMO] 1700000000
"Install Path"="C:\\program files\\quillory"
"Version"="1.2"
"Elsewhere"="E:\\Games"
)");
    posix::RegFileRegistry hive(f.folder.file("pfx/system.reg"));
    PrefixRegistry registry(hive, f.paths);

    const GameLocation full =
        LocateGame({registry, f.disk, {}}, DefaultGameIdentity(), std::nullopt);
    EXPECT_EQ(full.folder, f.drive() + "/games/QUILLORY");
    EXPECT_EQ(full.registryView, "32-bit");
    EXPECT_EQ(registry.lastWindowsValue(), "C:\\Games\\Quillory");
    EXPECT_TRUE(HoldsGame(f.disk, full.folder, DefaultGameIdentity()));

    const std::string demo = "SOFTWARE\\Brantmoor Games\\Quillory DEMO";
    EXPECT_EQ(registry.readString(demo, "Install Path"), f.drive() + "/Program Files/Quillory");
    EXPECT_EQ(registry.lastView(), "64-bit");
    // Values that are no paths, or paths on a drive the prefix lacks, come as they are.
    EXPECT_EQ(registry.readString(demo, "Version"), "1.2");
    EXPECT_EQ(registry.readString(demo, "Elsewhere"), "E:\\Games");
    EXPECT_EQ(registry.readString(demo, "Missing"), std::nullopt);
    EXPECT_EQ(registry.lastView(), "");

    EXPECT_EQ(Wow64Key("software\\A"), "Software\\Wow6432Node\\A");
    // Only a key below SOFTWARE has a 32-bit view; SOFTWARE itself is not the bare Wow6432Node.
    for (const char* key : {"System\\A", "SOFTWARE\\", "SOFTWARE", "SOFTWAREX\\A", ""}) {
        EXPECT_EQ(Wow64Key(key), std::nullopt) << key;
    }
}

// A studio's game as the Linux program finds it in a prefix: its key in the user's hive, or
// its Steam app in a library on another drive of the prefix, and its program in any case.
TEST(PrefixRegistryTest, StudioKeyOfTheUsersHiveAndSteamLibraryOnAnotherDrive) {
    test::PrefixFixture f;
    f.folder.write("pfx/drive_c/games/Emberfall/EMBERFALL.Exe", "MZ");
    f.folder.write("pfx/user.reg", R"(WINE REGISTRY Version 2
[Software\\Pixel Forge\\Emberfall] 1700000000
"Game Folder"="C:\\Games\\emberfall"

[Software\\Valve\\Steam] 1700000000
"SteamPath"="c:/program files (x86)/steam"
)");
    std::filesystem::create_symlink(f.folder.file("second"), f.folder.file("pfx/dosdevices/e:"));
    f.folder.write("pfx/drive_c/Program Files (x86)/Steam/steamapps/libraryfolders.vdf",
                   R"("libraryfolders" { "0" { "path" "C:\\Program Files (x86)\\Steam" }
                      "1" { "path" "E:\\SteamLibrary" } })");
    f.folder.write("second/SteamLibrary/SteamApps/appmanifest_2231380.acf",
                   R"("AppState" { "appid" "2231380" "installdir" "Ember" })");
    f.folder.write("second/SteamLibrary/SteamApps/common/ember/Emberfall.exe", "MZ");

    posix::RegFileRegistry hive(f.folder.file("pfx/system.reg"));
    posix::RegFileRegistry user(f.folder.file("pfx/user.reg"));
    PrefixRegistry registry(hive, user, f.paths);
    CaseMatchingFileSystem prefixDisk(f.disk);
    const GameLookupServices services{registry, prefixDisk, PrefixLocalPath(f.paths)};

    GameIdentity identity = DefaultGameIdentity();
    identity.registryKeys = {*ParseGameRegistryKey("HKLM\\SOFTWARE\\Pixel Forge\\Emberfall"),
                             *ParseGameRegistryKey("HKCU\\Software\\Pixel Forge\\Emberfall")};
    identity.ownKeys = true;
    identity.registryValue = "Game Folder";
    identity.exe = "emberfall.exe";
    identity.stores = {{GameStoreEntry::Kind::Steam, "2231380"}};

    const GameLocation byKey = LocateGame(services, identity, std::nullopt);
    EXPECT_EQ(byKey.folder, f.drive() + "/games/Emberfall");
    EXPECT_EQ(byKey.source, GameSource::RegistryKey);
    EXPECT_EQ(byKey.from, "HKCU\\Software\\Pixel Forge\\Emberfall");
    // The program's own name, as a file system that tells case apart opens it.
    EXPECT_EQ(GameProgramIn(f.disk, byKey.folder, identity.exe), byKey.folder + "\\EMBERFALL.Exe");

    identity.registryKeys.pop_back();
    const GameLocation bySteam = LocateGame(services, identity, std::nullopt);
    EXPECT_EQ(bySteam.source, GameSource::Steam);
    EXPECT_EQ(prefixDisk.resolve(bySteam.folder),
              f.folder.file("second/SteamLibrary/SteamApps/common/ember"));
    EXPECT_TRUE(HoldsGame(prefixDisk, bySteam.folder, identity));
}

} // namespace
} // namespace qly
