// qlypatch-tool pack on real folders: the demo bundle packed and read back, and the bundles
// and installers it must refuse.
#include "bundle/payload_file_system.h"
#include "bundle/payload_reader.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "support/fake_pe.h"
#include "support/read_tree.h"
#include "support/temp_folder.h"
#include "tools/pack.h"
#include "tools/tool_arguments.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace qly::tools {
namespace {

using test::TempFolder;

class PackTest : public ::testing::Test {
protected:
    PackTest() { dir.write("qlypatch.exe", test::FakePe()); }

    // Runs pack; its output lands in `printed`.
    int pack(std::vector<std::string> args) {
        return Pack(args, {files, hashes, openRandom, printed}, dir.file("qlypatch.exe"));
    }
    void writeBundle(const std::string& root) {
        dir.write(root + "/qlypatch.ini", "[button]\nx=1\n");
        dir.write(root + "/gfx.bmp", "BM skin");
        dir.write(root + "/lang/eng.lng", "[ENG]");
        dir.write(root + "/update/readme.txt", "hello");
    }
    PayloadLookup lookUp(const std::string& path) {
        posix::PosixRandomAccessFile file(path);
        return FindPayload(file, hashes);
    }

    TempFolder dir;
    posix::PosixFileSystem files;
    posix::LibcryptoHashService hashes;
    std::function<std::unique_ptr<RandomAccessFile>(const std::string&)> openRandom =
        [](const std::string& path) {
            return std::make_unique<posix::PosixRandomAccessFile>(path);
        };
    std::ostringstream printed;
};

TEST_F(PackTest, DemoBundleReadsBackWholeFromThePackedExe) {
    const char* source = std::getenv("QLY_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string demo = std::string(source) + "/demo";
    ASSERT_EQ(pack({demo, "-o", dir.file("patch.exe")}), 0);
    EXPECT_NE(printed.str().find("checked " + demo), std::string::npos) << printed.str();
    EXPECT_FALSE(dir.exists("patch.exe.part"));

    posix::PosixRandomAccessFile exe(dir.file("patch.exe"));
    PayloadLookup lookup = FindPayload(exe, hashes);
    ASSERT_EQ(lookup.status, PayloadLookup::Status::Found) << lookup.problem;
    PayloadFileSystem packed(exe, lookup.payload, hashes);
    // Every file the installer reads, and only those: tools/ and the like stay out.
    test::Tree wanted = test::ReadTree(files, demo + "/");
    std::erase_if(wanted, [](const auto& entry) {
        const std::string& name = entry.first;
        return !(name == "qlypatch.ini" || name == "gfx.bmp" || name.starts_with("update\\") ||
                 name == "lang\\" || (name.starts_with("lang\\") && name.ends_with(".lng")));
    });
    ASSERT_GE(wanted.size(), 10u);
    EXPECT_EQ(test::ReadTree(packed, ""), wanted);
}

TEST_F(PackTest, IncompleteBundleIsRefusedNamingWhatIsMissing) {
    dir.write("bundle/qlypatch.ini", "[button]");
    dir.write("bundle/lang/readme.txt", "no language file here");
    try {
        pack({dir.file("bundle"), "-o", dir.file("patch.exe")});
        FAIL() << "an incomplete bundle was packed";
    } catch (const Error& e) {
        const std::string what = e.what();
        for (const char* part : {"gfx.bmp", "lang\\*.lng", "update\\"}) {
            EXPECT_NE(what.find(part), std::string::npos) << what;
        }
        EXPECT_EQ(what.find("qlypatch.ini"), std::string::npos) << what;
    }
    EXPECT_FALSE(dir.exists("patch.exe"));
    EXPECT_THROW(pack({dir.file("bundle")}), UsageError); // no -o
}

TEST_F(PackTest, SignedInstallerLosesItsSignatureButAPackedOneIsRefused) {
    writeBundle("bundle");
    const std::string signedPe =
        test::AppendCertificate(test::FakePe(), test::FakePeSecurityEntry({}), "signature");
    dir.write("signed.exe", signedPe);
    ASSERT_EQ(pack({dir.file("bundle"), "-o", dir.file("patch.exe"), "--installer",
                    dir.file("signed.exe")}),
              0);
    EXPECT_EQ(lookUp(dir.file("patch.exe")).status, PayloadLookup::Status::Found);
    EXPECT_EQ(dir.read("patch.exe").find("signature"), std::string::npos);

    EXPECT_THROW(pack({dir.file("bundle"), "-o", dir.file("again.exe"), "--installer",
                       dir.file("patch.exe")}),
                 Error);
    dir.write("text.exe", "just text");
    EXPECT_THROW(pack({dir.file("bundle"), "-o", dir.file("again.exe"), "--installer",
                       dir.file("text.exe")}),
                 Error);
    EXPECT_FALSE(dir.exists("again.exe"));
}

TEST_F(PackTest, NameNoWindowsFolderCanHoldIsRefusedAndNothingIsLeftBehind) {
    writeBundle("bundle");
    dir.write("bundle/update/aux.txt", "a device on Windows");
    EXPECT_THROW(pack({dir.file("bundle"), "-o", dir.file("patch.exe")}), Error);
    EXPECT_FALSE(dir.exists("patch.exe"));
    EXPECT_FALSE(dir.exists("patch.exe.part"));
}

} // namespace
} // namespace qly::tools
