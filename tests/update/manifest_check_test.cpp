// The patch tree checked against update.sha256 while the engine copies it, on the fake and on
// a real folder.
#include "engine/class_copy_sys.h"
#include "platform/overlapped_hash_service.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_thread_service.h"
#include "support/fake_file_system.h"
#include "support/fake_message_loop.h"
#include "support/form1_rig.h"
#include "support/temp_folder.h"
#include "update/manifest_check.h"

#include <gtest/gtest.h>
#include <map>

namespace qly {
namespace {

using test::FakeFileSystem;
using Tree = std::map<std::string, std::string>; // path below update\ -> contents

// The manifest sha256sum writes inside update/ for tree: "/" separators, two blanks.
std::string manifestOf(const Tree& tree) {
    posix::LibcryptoHashService hashes;
    std::string text;
    for (const auto& [path, contents] : tree) {
        auto hasher = hashes.newSha256();
        hasher->update(contents);
        std::string slashed = path;
        std::ranges::replace(slashed, '\\', '/');
        text += ToHex(hasher->finish()) + "  " + slashed + "\n";
    }
    return text;
}

// Names with blanks and non-ASCII letters; one file spans several chunks.
const Tree kPatch{
    {"readme.txt", "read me"},
    {"Mapy gry\\\xC5\x81\xC3\xB3"
     "d\xC5\xBA.dat",
     std::string(62000 * 3 + 17, 'm')},
    {"data\\level one.pak", std::string(150000, 'p')},
};

class ManifestCheckTest : public ::testing::Test {
protected:
    ManifestCheckTest() {
        for (const auto& [path, contents] : kPatch) {
            fs.addFile("update\\" + path, contents);
        }
        fs.addFile("C:\\game\\data\\level one.pak", "old level");
    }
    // Copies update\ into C:\game\ with the check of manifest in force.
    CopyResult copyWith(const std::string& manifest) {
        fs.addFile("update.sha256", manifest);
        check = LoadManifestCheck(fs, hashes, "update.sha256");
        engine.SetSourceCheck(check.get());
        return engine.QuickCopy("update\\", "C:\\game\\");
    }

    FakeFileSystem fs;
    test::FakeMessageLoop loop;
    classCopySys engine{fs, loop};
    posix::LibcryptoHashService hashes;
    std::unique_ptr<ManifestCheck> check;
};

TEST_F(ManifestCheckTest, UnlistedOrMissingFileFailsTheRunBeforeAnythingIsCreated) {
    Tree lacking = kPatch;
    lacking.erase("readme.txt"); // in the tree, not in the manifest
    Tree extra = kPatch;
    extra["data\\gone.pak"] = "listed, but not in the tree";
    for (const auto& [manifest, named] : {std::pair{manifestOf(lacking), "readme.txt"},
                                          std::pair{manifestOf(extra), "data\\gone.pak"}}) {
        EXPECT_EQ(copyWith(manifest), -1);
        EXPECT_EQ(check->damagedFile(), named);
        EXPECT_EQ(engine.LastFailure->path, named);
        EXPECT_FALSE(fs.isFile("C:\\game\\readme.txt"));
        EXPECT_FALSE(fs.isFolder("C:\\game\\Mapy gry"));
        EXPECT_EQ(fs.contents("C:\\game\\data\\level one.pak"), "old level");
    }
    // Without a manifest nothing is checked.
    EXPECT_EQ(LoadManifestCheck(fs, hashes, "other.sha256"), nullptr);
    fs.addFile("bad.sha256", "not a manifest line\n");
    EXPECT_THROW(LoadManifestCheck(fs, hashes, "bad.sha256"), Error);
}

// On a real folder the engine would copy inside the kernel; with a manifest the bytes must
// pass through the hasher instead, or every digest would come out as that of nothing. Names
// are matched without regard to letter case, as Windows does.
TEST(ManifestCheckRealFolder, HashesTheBytesAsTheyAreCopiedAndCatchesAChangedOne) {
    test::TempFolder dir;
    const std::string map = "Mapy gry\\\xC5\x81\xC3\xB3" // "Mapy gry\Łódź.dat"
                            "d\xC5\xBA.dat";
    const std::string big(3 * 1000 * 1000 + 5, 'b');
    dir.write("update/" + map, big);
    dir.write("update/small file.txt", "small");
    dir.write("update.sha256", manifestOf({{map, big}, {"SMALL FILE.TXT", "small"}}));
    dir.makeFolder("game");

    posix::PosixFileSystem fs;
    test::FakeMessageLoop loop;
    posix::LibcryptoHashService plain;
    posix::PosixThreadService threads;
    // As the installer hashes: the large file on a worker thread, in many slots.
    OverlappedHashService overlapped(plain, threads, {64 << 10, 2});
    for (HashService* hashes : std::initializer_list<HashService*>{&plain, &overlapped}) {
        classCopySys engine(fs, loop);
        auto check = LoadManifestCheck(fs, *hashes, dir.winPath() + "update.sha256");
        engine.SetSourceCheck(check.get());
        const auto copy = [&] {
            return engine.QuickCopy(dir.winPath() + "update\\", dir.winPath() + "game\\");
        };
        dir.write("update/" + map, big);
        EXPECT_EQ(copy(), std::ssize(big) + 5);
        EXPECT_EQ(check->damagedFile(), "");

        std::string changed = big;
        changed[big.size() / 2] = 'c';
        dir.write("update/" + map, changed);
        EXPECT_EQ(copy(), -1);
        EXPECT_EQ(check->damagedFile(), map);
        EXPECT_EQ(engine.LastFailure->kind, FailureKind::Damaged);
        EXPECT_EQ(engine.LastFailure->path, map);
        EXPECT_TRUE(dir.read("game/" + map) == big);

        // Stopped in the middle of the large file (its hasher dropped with slots still
        // queued): the run ends at once, and the next run's digests are not thrown off by the
        // bytes hashed before the stop.
        dir.write("update/" + map, big);
        engine.CopyState = [&](int16_t percent, int64_t&, int64_t&) {
            if (percent >= 50) {
                engine.StopFlag = 1;
            }
        };
        EXPECT_EQ(copy(), -1);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_TRUE(engine.LastFailure->stopped);
        engine.CopyState = nullptr;
        EXPECT_EQ(copy(), std::ssize(big) + 5);
    }
}

// Through the window: a manifest that cannot be read, or a file that is not the one it
// lists, stops the run with the game as it was (the old media control included), and the
// user reads first that the patch must be downloaded again, then the general error line,
// which speaks of the game; after a language switch too.
TEST(PayloadCheckRun, DamagedPatchIsToldBeforeTheGeneralErrorAndTheGameKeepsItsFiles) {
    Tree changed = kPatch;
    changed["data\\level one.pak"][100] = 'x';
    const std::string damaged =
        ": is damaged or does not belong to the patch. Nothing has been changed. Please "
        "download the patch again.";
    for (const auto& [manifest, named] :
         {std::pair{std::string("0123 readme.txt\n"), "update.sha256"},
          std::pair{manifestOf(changed), "data\\level one.pak"}}) {
        SCOPED_TRACE(named);
        test::Form1Rig rig;
        rig.addLanguage("eng", "EN");
        rig.addLanguage("pol", "PL");
        for (const auto& [path, contents] : kPatch) {
            rig.fs.addFile("update\\" + path, contents);
        }
        rig.fs.addFile("update.sha256", manifest);
        rig.registerGame("C:\\Games\\Quillory", true);
        rig.fs.addFile("C:\\Games\\Quillory\\msdxm.ocx", "old media control");
        ASSERT_TRUE(rig.load());
        rig.form().Command1_Click();
        const test::Lines told{std::string(named) + damaged, "EN error"};
        EXPECT_EQ(test::Lines(rig.text_.shown_.end() - 2, rig.text_.shown_.end()), told);
        EXPECT_EQ(rig.form().ErrorCode, -1);
        EXPECT_FALSE(rig.fs.isFile("C:\\Games\\Quillory\\readme.txt"));
        EXPECT_TRUE(rig.fs.isFile("C:\\Games\\Quillory\\msdxm.ocx"));
        EXPECT_EQ(rig.selectLanguage(1), (test::Lines{std::string(named) + damaged, "PL error"}));
    }
}

} // namespace
} // namespace qly
