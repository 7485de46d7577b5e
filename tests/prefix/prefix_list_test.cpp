// The prefixes found for a user: the default one and Steam's, in every Steam library.
#include "prefix/prefix_list.h"
#include "prefix_fixture.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(FindPrefixesTest, DefaultPrefixThenEveryLibrarysCompatdataOnce) {
    test::TempFolder home;
    const std::string steam = home.file(".local/share/Steam");
    const std::string second = home.file("games/SteamLibrary");
    home.write(".local/share/Steam/steamapps/libraryfolders.vdf",
               "\"libraryfolders\" { \"0\" { \"path\" \"" + steam + "\" } \"1\" { \"path\" \"" +
                   second + "\" } }");
    // ~/.steam/steam is a link to the same installation: its prefixes are listed once.
    std::filesystem::create_directories(home.file(".steam"));
    std::filesystem::create_symlink(steam, home.file(".steam/steam"));
    for (const char* pfx :
         {".local/share/Steam/steamapps/compatdata/1000/pfx/system.reg",
          ".local/share/Steam/steamapps/compatdata/200/pfx/system.reg",
          "games/SteamLibrary/steamapps/compatdata/3000/pfx/system.reg", ".wine/system.reg"}) {
        home.write(pfx, "WINE REGISTRY Version 2\n");
    }
    // A game that never ran through the compatibility layer has a folder but no prefix.
    home.write(".local/share/Steam/steamapps/compatdata/228980/version", "1");

    posix::PosixFileSystem disk;
    const std::string homeFolder = home.path().substr(0, home.path().size() - 1);
    const std::vector<FoundPrefix> found =
        FindPrefixes(disk, home.file(".wine"), SteamRoots(homeFolder));
    std::vector<std::string> seen;
    for (const FoundPrefix& p : found) {
        seen.push_back(p.label + " " + p.path);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "default " + home.file(".wine"),
                        "Steam app 200 " + steam + "/steamapps/compatdata/200/pfx",
                        "Steam app 1000 " + steam + "/steamapps/compatdata/1000/pfx",
                        "Steam app 3000 " + second + "/steamapps/compatdata/3000/pfx",
                    }));

    // Without a libraryfolders.vdf the installation is its only library; no default prefix.
    std::filesystem::remove(home.file(".local/share/Steam/steamapps/libraryfolders.vdf"));
    EXPECT_EQ(FindPrefixes(disk, home.file("nowhere"), {steam}).size(), 2u);
}

TEST(DefaultPrefixTest, WinePrefixVariableElseDotWine) {
    EXPECT_EQ(DefaultPrefix(std::string("/p/x/"), "/home/a"), "/p/x");
    EXPECT_EQ(DefaultPrefix(std::string(""), "/home/a"), "/home/a/.wine");
    EXPECT_EQ(DefaultPrefix(std::nullopt, "/home/a"), "/home/a/.wine");
}

} // namespace
} // namespace qly
