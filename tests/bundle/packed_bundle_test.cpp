// The window run from a packed demo bundle: languages and layout come from the private folder,
// the patch straight from the exe, and the game ends up as from the folder bundle.
#include "bundle/memory_file.h"
#include "bundle/packed_bundle.h"
#include "platform/posix/posix_file_system.h"
#include "support/form1_rig.h"
#include "support/packed_exe.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

std::string readNative(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The demo bundle's files as packed items: everything but its tools.
std::vector<PackedItem> demoItems(const stdfs::path& demo) {
    std::vector<PackedItem> items;
    for (const auto& item : stdfs::recursive_directory_iterator(demo)) {
        std::string name = stdfs::relative(item.path(), demo).string();
        if (name.starts_with("tools")) {
            continue;
        }
        std::ranges::replace(name, '/', '\\');
        items.push_back(
            {name, item.is_directory() ? "" : readNative(item.path()), item.is_directory()});
    }
    return items;
}

TEST(PackedBundleTest, WindowRunsFromThePackedDemoBundleAndInstallsItsPatch) {
    const char* source = std::getenv("QLY_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const stdfs::path demo = stdfs::path(source) / "demo";
    TempFolder dir;
    dir.makeFolder("private");
    dir.write("game/main.exe", "MZ");
    posix::PosixFileSystem disk;
    posix::LibcryptoHashService hashes;
    MemoryFile exe(PackedExe(demoItems(demo)));
    PayloadLookup lookup = FindPayload(exe, hashes);
    ASSERT_EQ(lookup.status, PayloadLookup::Status::Found) << lookup.problem;
    FakeProcess ownProcess("/nowhere", false);
    PackedBundle packed(exe, std::move(lookup.payload), hashes, disk, ownProcess,
                        dir.winPath() + "private");

    // Only the window's files are written out; the patch stays in the exe.
    EXPECT_EQ(packed.process().programFolder(), dir.winPath() + "private");
    EXPECT_EQ(dir.read("private/lang/pol.lng"), readNative(demo / "lang/pol.lng"));
    EXPECT_EQ(dir.read("private/gfx.bmp"), readNative(demo / "gfx.bmp"));
    EXPECT_FALSE(dir.exists("private/update"));

    Form1Rig rig(packed.files(), dir.winPath() + "private", true);
    rig.locale_.id_ = 0x0415; // Polish
    rig.registry_.values_[{"SOFTWARE\\Brantmoor Games\\Quillory", "Install Path"}] =
        dir.winPath() + "game";
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.combo_.itemCount(), 4);
    EXPECT_EQ(rig.combo_.item(rig.combo_.selected_), "Polski");
    rig.form().Command1_Click();
    int64_t bytes = 0;
    for (const auto& item : stdfs::recursive_directory_iterator(demo / "update")) {
        if (item.is_regular_file()) {
            const stdfs::path rel = stdfs::relative(item.path(), demo / "update");
            EXPECT_EQ(dir.read("game/" + rel.string()), readNative(item.path())) << rel;
            bytes += static_cast<int64_t>(item.file_size());
        }
    }
    EXPECT_EQ(rig.form().ErrorCode, bytes);
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

} // namespace
} // namespace qly::test
