// Absolute paths found without regard to letter case, as a program under Wine finds them.
#include "engine/transaction.h"
#include "platform/posix/posix_file_system.h"
#include "prefix/case_matching_file_system.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(CaseMatchingFileSystemTest, ExistingNamesInAnyCaseNewNamesAsGiven) {
    test::TempFolder folder;
    folder.write("Game/DATA/Levels.DAT", "old");
    folder.write("Game/readme.txt", "lower");
    folder.write("Game/README.TXT", "upper");
    posix::PosixFileSystem disk;
    CaseMatchingFileSystem files(disk);
    const std::string game = folder.file("Game");

    EXPECT_EQ(files.resolve(folder.file("game\\data\\levels.dat")), game + "/DATA/Levels.DAT");
    EXPECT_EQ(files.resolve(folder.file("GAME/Data/New Folder/x.bin")),
              game + "/DATA/New Folder/x.bin");
    // An exact match wins over another case; relative paths are the caller's own.
    EXPECT_EQ(files.resolve(game + "/README.TXT"), game + "/README.TXT");
    EXPECT_EQ(files.resolve(game + "/readme.txt"), game + "/readme.txt");
    EXPECT_EQ(files.resolve(game + "/Readme.txt").substr(game.size() + 1).size(), 10u);
    EXPECT_EQ(files.resolve("update\\Data\\x"), "update\\Data\\x");

    // Names made through it are found in another case at once (the folder is remembered).
    { auto file = files.open(game + "/data/Staged.qlytmp", OpenMode::CreateAlways); }
    EXPECT_TRUE(std::filesystem::exists(game + "/DATA/Staged.qlytmp"));
    files.replaceWithBackup(game + "/data/staged.QLYTMP", game + "/data/levels.dat",
                            game + "/data/levels.dat.qlybak");
    // The file put in place takes the name given, as a rename under Wine does; the folder not.
    EXPECT_EQ(folder.read("Game/DATA/levels.dat"), "");
    EXPECT_FALSE(std::filesystem::exists(game + "/DATA/Levels.DAT"));
    EXPECT_EQ(folder.read("Game/DATA/levels.dat.qlybak"), "old");
    EXPECT_FALSE(Exists(files, game + "/data/staged.qlytmp"));
    EXPECT_TRUE(FileExists(files, game + "/Data/LEVELS.DAT.QLYBAK"));
    files.deleteFile(game + "/DATA/LEVELS.DAT.qlybak");
    EXPECT_FALSE(Exists(files, game + "/data/levels.dat.qlybak"));

    files.createFolder(game + "/data/Maps");
    files.replaceFile(game + "/data/levels.dat", game + "/DATA/maps/levels.dat");
    EXPECT_TRUE(std::filesystem::exists(game + "/DATA/Maps/levels.dat"));
    EXPECT_FALSE(Exists(files, game + "/data/levels.dat"));
    files.deleteFile(game + "/data/MAPS/Levels.dat");
    EXPECT_TRUE(files.removeFolder(game + "/DATA/MAPS"));
    EXPECT_FALSE(std::filesystem::exists(game + "/DATA/Maps"));
    EXPECT_EQ(files.resolve(game + "/data/maps"), game + "/DATA/maps");
}

// The folder names it remembers follow its own changes: a folder removed and made again in
// another letter case is found under its new name, not the remembered one.
TEST(CaseMatchingFileSystemTest, FolderMadeAgainInAnotherCaseIsFoundUnderItsNewName) {
    test::TempFolder folder;
    folder.write("Game/Data/a.txt", "a");
    posix::PosixFileSystem disk;
    CaseMatchingFileSystem files(disk);
    const std::string game = folder.file("Game");

    EXPECT_EQ(files.resolve(game + "/DATA/a.txt"), game + "/Data/a.txt");
    files.deleteFile(game + "/DATA/a.txt");
    EXPECT_TRUE(files.removeFolder(game + "/DATA"));
    files.createFolder(game + "/DATA");
    { auto file = files.open(game + "/DATA/b.txt", OpenMode::CreateAlways); }
    EXPECT_TRUE(std::filesystem::exists(game + "/DATA/b.txt"));
    EXPECT_EQ(files.resolve(game + "/data/B.TXT"), game + "/DATA/b.txt");
}

// A file that gives way to a folder of its name in other letter case (a patch turning Mods into
// mods\): the paths below the name lead into the new folder, not to the file remembered there.
TEST(CaseMatchingFileSystemTest, PathsBelowAFileThatGaveWayToAFolderLeadIntoTheFolder) {
    test::TempFolder folder;
    folder.write("Game/Mods", "a file");
    folder.write("Game/stage/keep", "");
    posix::PosixFileSystem disk;
    CaseMatchingFileSystem files(disk);
    const std::string game = folder.file("Game");

    EXPECT_FALSE(files.statusOf(game + "/mods/x.pak"));
    files.replaceFile(game + "/mods", game + "/stage/Mods.old");
    files.createFolder(game + "/mods");
    { auto file = files.open(game + "/mods/x.pak", OpenMode::CreateNew); }
    EXPECT_TRUE(std::filesystem::exists(game + "/mods/x.pak"));
    EXPECT_EQ(folder.read("Game/stage/Mods.old"), "a file");
}

// The undo of a run that replaced DATA/Levels.dat with the patch's data\levels.dat brings the
// old file back under its own spelling.
TEST(CaseMatchingFileSystemTest, AnUndoRestoresTheOldSpelling) {
    test::TempFolder folder;
    folder.write("Game/DATA/Levels.dat", "old");
    folder.write("Game/qlypatch-stage-1/0.new", "");
    posix::PosixFileSystem disk;
    const std::string game = folder.file("Game") + "/";
    const auto id = [&](const std::string& rel) {
        const FileIdentity i = *disk.identityOf(game + rel);
        return std::to_string(i.volume) + "." + std::to_string(i.file);
    };
    const std::string oldId = id("DATA/Levels.dat");
    // Cut after the commit moved the patch's file in under its own spelling.
    std::filesystem::rename(game + "DATA/Levels.dat", game + "qlypatch-stage-1/0.old");
    std::filesystem::rename(game + "qlypatch-stage-1/0.new", game + "DATA/levels.dat");
    folder.write("Game/qlypatch-stage-1/journal",
                 "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\nfile old " + oldId +
                     " " + id("DATA/levels.dat") + " data\\levels.dat\nwas data\\Levels.dat\n");
    CaseMatchingFileSystem files(disk);
    EXPECT_EQ(RecoverInterruptedRun(files, game), RecoveryResult::Undone);
    EXPECT_EQ(folder.read("Game/DATA/Levels.dat"), "old");
    EXPECT_FALSE(folder.exists("Game/DATA/levels.dat"));
    EXPECT_FALSE(folder.exists("Game/qlypatch-stage-1"));
}

} // namespace
} // namespace qly
