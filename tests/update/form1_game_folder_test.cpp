// Where start-up finds the game, and the version numbers that decide the media control.
#include "support/fake_version_resource.h"
#include "support/form1_rig.h"
#include "update/file_version.h"
#include "update/game_folder.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

constexpr const char* kFull = "SOFTWARE\\Brantmoor Games\\Quillory";
constexpr const char* kDemo = "SOFTWARE\\Brantmoor Games\\Quillory DEMO";

class GameFolderTest : public ::testing::Test {
protected:
    GameFolderTest() { fs.addFile("lang\\eng.lng", test::FullLangFile("ENG", "EN")); }

    test::PatternFileSystem fs;
    test::Form1Rig rig{fs, "C:\\Patch", false};
};

TEST_F(GameFolderTest, DemoEditionIsTheFallbackAndItsSubfolderIsTested) {
    rig.registry_.set(kFull, "Install Path", ""); // present but empty counts as missing
    rig.registry_.set(kDemo, "Install Path", "C:\\Demo");
    fs.addFile("C:\\Demo\\Quillory DEMO\\main.exe", "MZ");
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.form().DestPatch, "C:\\Demo\\Quillory DEMO");
    EXPECT_EQ(rig.form().status, 1);
    EXPECT_TRUE(rig.command1_.enabled_);
    EXPECT_EQ(rig.command1_.focusCount_, 1);
    EXPECT_EQ(rig.command1_.caption_, "EN instaluj");
}

TEST_F(GameFolderTest, FullEditionWinsAndItsGameTestSkipsFoldersAndHiddenFiles) {
    rig.registry_.set(kFull, "Install Path", "C:\\Full");
    rig.registry_.set(kDemo, "Install Path", "C:\\Demo");
    fs.addFolder("C:\\Full\\main.exe"); // a folder is not the game
    fs.addFile("C:\\Demo\\Quillory DEMO\\main.exe", "MZ");
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.form().DestPatch, "C:\\Full");
    EXPECT_EQ(rig.form().status, 2);
    EXPECT_EQ(rig.registry_.keysRead_, std::vector<std::string>{kFull});

    test::PatternFileSystem hidden;
    test::Form1Rig other(hidden, "C:\\Patch", false);
    other.registry_.set(kFull, "Install Path", "C:\\Full");
    hidden.addFile("C:\\Full\\main.exe", "MZ", kAttrHidden);
    ASSERT_TRUE(other.load());
    EXPECT_EQ(other.form().status, 2);
}

TEST(RegReadStringTest, MissingOrFailingValuesGiveTheDefault) {
    test::FakeRegistry registry;
    registry.set("K", "V", "C:\\Game");
    EXPECT_EQ(RegReadString(registry, "K", "V", ""), "C:\\Game");
    EXPECT_EQ(RegReadString(registry, "K", "Other", "dflt"), "dflt");
    EXPECT_EQ(RegReadString(registry, "Missing", "V", ""), "");
}

TEST(FileVersionTest, PartsAreSummedAsSignedWordsAndMissingResourceIsZero) {
    test::FakeVersionResource versions;
    versions.versions_["C:\\x.ocx"] = {6, 4, 9, 1133};
    versions.versions_["C:\\big.ocx"] = {1, 0, 0, 40000}; // 40000 reads as -25536
    versions.versions_["C:\\WINDOWS\\system32\\msdxm.ocx"] = {6, 4, 9, 1134};
    EXPECT_EQ(FileVersionNumber(versions, "C:\\x.ocx"), 60402033.0);
    EXPECT_EQ(FileVersionNumber(versions, "C:\\big.ocx"), 10000000.0 - 25536.0);
    EXPECT_EQ(FileVersionNumber(versions, "C:\\none.ocx"), 0.0);
    EXPECT_EQ(SystemFileVersion(versions, "msdxm.ocx"), 60402034.0);
}

// The media control in the game folder goes when the system's copy is at least as new.
TEST_F(GameFolderTest, MediaControlIsDeletedUnlessNewerThanTheSystemsCopy) {
    struct Case {
        std::optional<std::array<uint16_t, 4>> local;
        std::optional<std::array<uint16_t, 4>> system;
        bool deleted;
    };
    const Case cases[] = {
        {std::array<uint16_t, 4>{6, 4, 9, 1133}, std::array<uint16_t, 4>{6, 4, 9, 1133}, true},
        {std::array<uint16_t, 4>{6, 4, 9, 1132}, std::array<uint16_t, 4>{6, 4, 9, 1133}, true},
        {std::array<uint16_t, 4>{6, 4, 9, 1134}, std::array<uint16_t, 4>{6, 4, 9, 1133}, false},
        {std::nullopt, std::nullopt, true}, // 0 <= 0
    };
    for (const Case& c : cases) {
        test::PatternFileSystem files;
        test::Form1Rig run(files, "C:\\Patch", false);
        files.addFile("lang\\eng.lng", test::FullLangFile("ENG", "EN"));
        files.addFile("C:\\Game\\main.exe", "MZ");
        files.addFile("C:\\Game\\msdxm.ocx", "ocx");
        files.addFolder("update");
        run.registry_.set(kFull, "Install Path", "C:\\Game");
        if (c.local) {
            run.versions_.versions_["C:\\Game\\msdxm.ocx"] = *c.local;
        }
        if (c.system) {
            run.versions_.versions_["C:\\WINDOWS\\system32\\msdxm.ocx"] = *c.system;
        }
        ASSERT_TRUE(run.load());
        run.form().Command1_Click();
        EXPECT_EQ(!files.isFile("C:\\Game\\msdxm.ocx"), c.deleted);
        EXPECT_EQ(run.form().ErrorCode, 0); // an empty update folder: nothing to copy
    }
}

} // namespace
} // namespace qly
