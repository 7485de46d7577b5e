// The window run from a packed bundle: languages and layout come from the private folder, the
// patch straight from the exe.
#include "bundle/memory_file.h"
#include "bundle/packed_bundle.h"
#include "platform/posix/posix_file_system.h"
#include "support/form1_rig.h"
#include "support/packed_exe.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace qly::test {
namespace {

TEST(PackedBundleTest, WindowRunsFromThePackedBundleAndInstallsItsPatch) {
    TempFolder dir;
    dir.makeFolder("private");
    dir.write("game/main.exe", "MZ");
    posix::PosixFileSystem disk;
    posix::LibcryptoHashService hashes;
    const std::string level(70000, 'l');
    MemoryFile exe(PackedExe({{"qlypatch.ini", "[button]\r\nx=10\r\n"},
                              {"lang\\pol.lng", FullLangFile("POL", "PL", 238)},
                              {"lang\\eng.lng", FullLangFile("ENG", "EN")},
                              {"update\\readme.txt", "read me"},
                              {"update\\data\\level.pak", level}}));
    PayloadLookup lookup = FindPayload(exe, hashes);
    ASSERT_EQ(lookup.status, PayloadLookup::Status::Found) << lookup.problem;
    FakeProcess ownProcess("/nowhere", false);
    PackedBundle packed(exe, std::move(lookup.payload), hashes, disk, ownProcess,
                        dir.winPath() + "private");

    // Only the window's files are written out; the patch stays in the exe.
    EXPECT_EQ(packed.process().programFolder(), dir.winPath() + "private");
    EXPECT_EQ(dir.read("private/lang/pol.lng"), FullLangFile("POL", "PL", 238));
    EXPECT_EQ(dir.read("private/qlypatch.ini"), "[button]\r\nx=10\r\n");
    EXPECT_FALSE(dir.exists("private/update"));

    Form1Rig rig(packed.files(), dir.winPath() + "private", true);
    rig.locale_.id_ = 0x0415; // Polish
    rig.registry_.values_[{"SOFTWARE\\Brantmoor Games\\Quillory", "Install Path"}] =
        dir.winPath() + "game";
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.combo_.itemCount(), 2);
    EXPECT_EQ(rig.command1_.caption_, "PL instaluj");
    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().ErrorCode, 7 + 70000);
    EXPECT_EQ(dir.read("game/readme.txt"), "read me");
    EXPECT_TRUE(dir.read("game/data/level.pak") == level);
}

TEST(PackedBundleTest, AlteredWindowFileRefusesTheBundleBeforeAnythingElse) {
    TempFolder dir;
    dir.makeFolder("private");
    std::string exe = PackedExe({{"qlypatch.ini", "[button]\nx=10\n"}, {"update\\a", "a"}});
    exe[exe.find("x=10")] = 'y';
    MemoryFile file(exe);
    posix::LibcryptoHashService hashes;
    posix::PosixFileSystem disk;
    FakeProcess process("/nowhere", false);
    PayloadLookup lookup = FindPayload(file, hashes);
    ASSERT_EQ(lookup.status, PayloadLookup::Status::Found);
    try {
        PackedBundle packed(file, std::move(lookup.payload), hashes, disk, process,
                            dir.winPath() + "private");
        FAIL() << "an altered layout file was unpacked";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), FailureKind::Damaged);
    }
}

// The private folder is made only for a sound payload: a plain exe and a damaged download leave
// nothing behind, and a damaged one is refused naming the exe.
TEST(PackedBundleTest, OpeningMakesThePrivateFolderOnlyForASoundPayload) {
    TempFolder dir;
    posix::LibcryptoHashService hashes;
    posix::PosixFileSystem disk;
    FakeProcess process("/nowhere", false);
    int made = 0;
    const auto makeFolder = [&] {
        ++made;
        dir.makeFolder("private");
        return dir.winPath() + "private";
    };
    const std::string sound =
        PackedExe({{"qlypatch.ini", "[button]\r\nx=10\r\n"}, {"update\\a", "a"}});

    MemoryFile plain(FakePe());
    EXPECT_EQ(OpenPackedBundle(plain, "plain.exe", hashes, disk, process, makeFolder), nullptr);
    MemoryFile cut(sound.substr(0, sound.size() - 1));
    try {
        OpenPackedBundle(cut, "cut.exe", hashes, disk, process, makeFolder);
        ADD_FAILURE() << "a cut-short download was opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), FailureKind::Damaged);
        EXPECT_EQ(e.path(), "cut.exe");
    }
    EXPECT_EQ(made, 0);

    MemoryFile whole(sound);
    const auto packed = OpenPackedBundle(whole, "whole.exe", hashes, disk, process, makeFolder);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(dir.read("private/qlypatch.ini"), "[button]\r\nx=10\r\n");
}

} // namespace
} // namespace qly::test
