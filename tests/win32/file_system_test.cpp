#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "game/game_lookup.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_version_resource.h"
#include "support/fake_message_loop.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

namespace qly::win32 {
namespace {

// The game's program as the update run looks for it in the game folder: any letter case, with
// the folder's name as the folder has it; a folder, a hidden file or a wildcard is none.
TEST(Win32FileSystem, GamesProgramIsFoundInAnyLetterCaseUnderItsOwnName) {
    test::TempFolder folder;
    test::writeFile(folder.file("Main.EXE"), "MZ");
    std::filesystem::create_directories(folder.path / L"Folder.exe");
    test::writeFile(folder.file("hidden.exe"), "MZ");
    SetFileAttributesW((folder.path / L"hidden.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Win32FileSystem fs;
    const std::string game = folder.file("");
    const std::string bare = game.substr(0, game.size() - 1);
    EXPECT_EQ(GameProgramIn(fs, bare, "main.exe"), bare + "\\Main.EXE");
    EXPECT_EQ(GameProgramIn(fs, game, "MAIN.exe"), game + "Main.EXE");
    for (const char* none : {"folder.exe", "hidden.exe", "*.exe", "missing.exe"}) {
        EXPECT_EQ(GameProgramIn(fs, bare, none), std::nullopt) << none;
    }
}

TEST(Win32FileSystem, CopiesATreeToADestinationFarBeyondMaxPath) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder.path / L"update" / L"deep");
    test::writeFile(folder.file("update\\deep\\data file.bin"), std::string(70000, 'd'));

    // A game folder whose own path is already longer than MAX_PATH, in five levels the
    // classic functions could not create one by one.
    std::string game = folder.file("game");
    while (game.size() < 300) {
        game += "\\" + std::string(50, 'g');
    }
    Win32FileSystem fs;
    std::string level = folder.file("game");
    fs.createFolder(level);
    for (std::size_t at = level.size(); at < game.size(); at = level.size()) {
        level = game.substr(0, game.find('\\', at + 1));
        fs.createFolder(level);
    }
    ASSERT_GE(game.size(), 300u);
    ASSERT_EQ(AttributesOf(fs, game) & kAttrDirectory, kAttrDirectory);

    qly::test::FakeMessageLoop loop;
    classCopySys engine(fs, loop);
    EXPECT_EQ(engine.QuickCopy(folder.file("update") + "\\", game + "\\"), 70000);
    const std::string copied = game + "\\deep\\data file.bin";
    EXPECT_TRUE(FileExists(fs, copied));
    EXPECT_EQ(fs.open(copied, OpenMode::Read)->length(), 70000);
    EXPECT_FALSE(Exists(fs, game + "\\qlypatch-stage-1"));
    // Copied again: the long destination is replaced in place.
    EXPECT_EQ(engine.QuickCopy(folder.file("update") + "\\", game + "\\"), 70000);
    auto listing = fs.list(game + "\\deep\\", "*");
    ASSERT_TRUE(listing);
    int files = 0;
    for (DirEntry entry; listing->next(entry);) {
        files += (entry.attributes & kAttrDirectory) == 0;
    }
    EXPECT_EQ(files, 1);
    fs.deleteFile(copied);
    EXPECT_FALSE(Exists(fs, copied));

    // The game program's version is read there too (the test program carries 6.4.9.1133).
    std::wstring self(MAX_PATH * 4, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const std::string program = test::readFile(fromWide(self));
    fs.open(game + "\\main.exe", OpenMode::CreateAlways)->write(program);
    EXPECT_EQ(Win32VersionResource().fileVersion(game + "\\main.exe"),
              (std::array<uint16_t, 4>{6, 4, 9, 1133}));
}

TEST(Win32FileSystem, ListingFindsNothingOnlyWhenNothingMatchesAndFailsOtherwise) {
    test::TempFolder folder;
    test::writeFile(folder.file("one.txt"), "1");
    Win32FileSystem fs;
    EXPECT_TRUE(fs.list(folder.file(""), "*.txt"));
    EXPECT_EQ(fs.list(folder.file(""), "*.none"), nullptr);
    EXPECT_THROW(fs.list(folder.file("missing\\"), "*"), Error);
}

TEST(Win32FileSystem, FreeBytesAnswerForTheFolderItselfWithOrWithoutADriveLetter) {
    test::TempFolder folder;
    Win32FileSystem fs;
    const std::string full = folder.file("");
    const auto byDrive = fs.freeBytes(full);
    ASSERT_TRUE(byDrive);
    EXPECT_GT(*byDrive, 0);
    // Without a drive letter: the same folder by its "\\?\" name, rooted at the drive of the
    // working folder, relative to the working folder, and a folder not created yet.
    const std::wstring before = std::filesystem::current_path().wstring();
    std::filesystem::current_path(folder.path);
    const std::string rooted = full.substr(2);
    for (const std::string& path :
         {"\\\\?\\" + full, rooted, std::string("."), std::string("not\\yet\\there\\")}) {
        const auto free = fs.freeBytes(path);
        ASSERT_TRUE(free) << path;
        EXPECT_LT(std::llabs(*free - *byDrive), int64_t{64} << 20) << path;
    }
    std::filesystem::current_path(before);
    // A drive that is not there cannot be asked: no answer, rather than a made-up one.
    EXPECT_EQ(fs.freeBytes("Q:\\nowhere\\"), std::nullopt);
}

} // namespace
} // namespace qly::win32
