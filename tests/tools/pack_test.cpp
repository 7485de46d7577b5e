// qlypatch-tool pack on real folders: the demo bundle packed and read back, and the bundles
// and installers it must refuse.
#include "bundle/payload_file_system.h"
#include "bundle/payload_reader.h"
#include "bundle/resource_writer.h"
#include "bundle/version_info.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "support/fake_pe.h"
#include "support/read_tree.h"
#include "support/temp_folder.h"
#include "tools/pack.h"
#include "tools/tool_arguments.h"

#include <cstdlib>
#include <filesystem>
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
        return Pack(args, {files, hashes, openRandom, printed, posix::MakeExecutable},
                    dir.file("qlypatch.exe"));
    }
    // The demo's layout file (with its [product]), skin and languages, and a patch of one file.
    void writeBundle(const std::string& root) {
        const std::filesystem::path demo =
            std::filesystem::path(std::getenv("QLY_SOURCE_DIR")) / "demo";
        std::filesystem::create_directories(dir.file(root));
        for (const char* part : {"qlypatch.ini", "gfx.bmp", "lang"}) {
            std::filesystem::copy(demo / part, dir.file(root + "/" + part),
                                  std::filesystem::copy_options::recursive);
        }
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
    // Forced past the check, the packer refuses it by itself.
    EXPECT_THROW(pack({dir.file("bundle"), "-o", dir.file("patch.exe"), "--force"}), Error);
    EXPECT_FALSE(dir.exists("patch.exe"));
    EXPECT_FALSE(dir.exists("patch.exe.part"));
}

// The installer's own resources: a version resource with the studio's strings, two icons in a
// group, and a manifest.
ResourceTree installerResources() {
    const ResourceKey english = ResourceKey::Id(0x409);
    VersionInfo version;
    version.fileVersion = {1, 0, 0, 0};
    version.strings = {
        {"CompanyName", "Brantmoor Games"},   {"FileDescription", "Quillory patch installer"},
        {"FileVersion", "1.0.0.0"},           {"LegalCopyright", "Copyright (C) Brantmoor Games"},
        {"OriginalFilename", "qlypatch.exe"}, {"ProductName", "Quillory"}};
    ResourceTree tree;
    tree[ResourceKey::Id(kResourceVersion)][ResourceKey::Id(1)][english] = {
        EncodeVersionInfo(version), 0};
    tree[ResourceKey::Id(kResourceIcon)][ResourceKey::Id(1)][english] = {"old icon 1", 0};
    tree[ResourceKey::Id(kResourceIcon)][ResourceKey::Id(2)][english] = {"old icon 2", 0};
    tree[ResourceKey::Id(kResourceGroupIcon)][ResourceKey::Id(1)][english] = {"old group", 0};
    tree[ResourceKey::Id(24)][ResourceKey::Id(1)][english] = {"<assembly/>", 0};
    return tree;
}

// An icon file of one 16 x 16 bitmap picture.
std::string iconFile() {
    std::string ico("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0", 14);
    std::string picture;
    AppendLittleEndian<uint32_t>(picture, 40);
    picture += std::string(100, 'p');
    AppendLittleEndian(ico, static_cast<uint32_t>(picture.size()));
    AppendLittleEndian<uint32_t>(ico, 22);
    return ico + picture;
}

TEST_F(PackTest, PackedExeShowsTheBundlesProductAndIconAndIsAProgram) {
    dir.write("qlypatch.exe", test::FakePeWithResources(installerResources()));
    writeBundle("bundle");
    const std::string ini = dir.read("bundle/qlypatch.ini");
    dir.write("bundle/qlypatch.ini", ini.substr(0, ini.find("[product]")) +
                                         "[product]\ncompany=Pixel Forge\n"
                                         "description=Emberfall 1.1 patch\nname=Emberfall "
                                         "\xC5\xBB\nversion=1.1.2.3\n");
    dir.write("bundle/icon.ico", iconFile());
    ASSERT_EQ(pack({dir.file("bundle"), "-o", dir.file("patch.exe")}), 0) << printed.str();

    const std::string packed = dir.read("patch.exe");
    const ResourceTree resources = ResourcesOf(packed);
    const ResourceKey english = ResourceKey::Id(0x409);
    const std::optional<VersionInfo> version = DecodeVersionInfo(
        resources.at(ResourceKey::Id(kResourceVersion)).at(ResourceKey::Id(1)).at(english).bytes);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->string("CompanyName"), "Pixel Forge");
    EXPECT_EQ(version->string("FileDescription"), "Emberfall 1.1 patch");
    EXPECT_EQ(version->string("ProductName"), "Emberfall \xC5\xBB");
    EXPECT_EQ(version->string("FileVersion"), "1.1.2.3");
    EXPECT_EQ(version->string("ProductVersion"), "1.1.2.3");
    EXPECT_EQ(version->string("LegalCopyright"), "Copyright (C) Pixel Forge");
    EXPECT_EQ(version->string("OriginalFilename"), "qlypatch.exe");
    EXPECT_EQ(version->fileVersion, (std::array<uint16_t, 4>{1, 1, 2, 3}));
    EXPECT_EQ(version->productVersion, version->fileVersion);
    const ResourceNames& icons = resources.at(ResourceKey::Id(kResourceIcon));
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons.at(ResourceKey::Id(1)).at(english).bytes, iconFile().substr(22));
    EXPECT_EQ(resources.at(ResourceKey::Id(24)), installerResources().at(ResourceKey::Id(24)));

    // The payload behind it, the checksum of the whole file, and a program anyone may run.
    EXPECT_EQ(lookUp(dir.file("patch.exe")).status, PayloadLookup::Status::Found);
    const std::size_t field = *PeChecksumOffset(packed);
    PeChecksum sum(field);
    sum.add(packed);
    EXPECT_EQ(ReadLittleEndian<uint32_t>(packed, field), sum.value());
    EXPECT_EQ(std::filesystem::status(dir.file("patch.exe")).permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms(0755));
}

TEST_F(PackTest, WithoutProductOrIconTheInstallerIsPackedAsItIs) {
    const std::string installer = test::FakePeWithResources(installerResources());
    dir.write("qlypatch.exe", installer);
    writeBundle("bundle");
    const std::string ini = dir.read("bundle/qlypatch.ini");
    dir.write("bundle/qlypatch.ini", ini.substr(0, ini.find("[product]")));
    ASSERT_EQ(pack({dir.file("bundle"), "-o", dir.file("patch.exe")}), 0) << printed.str();
    std::string packed = dir.read("patch.exe").substr(0, installer.size());
    packed.replace(*PeChecksumOffset(packed), 4, installer.substr(*PeChecksumOffset(packed), 4));
    EXPECT_EQ(packed, installer);
}

TEST_F(PackTest, BundleTheCheckFindsErrorsInIsRefusedNamingThemUnlessForced) {
    dir.write("qlypatch.exe", test::FakePeWithResources(installerResources()));
    writeBundle("bundle");
    const std::string ini = dir.read("bundle/qlypatch.ini");
    dir.write("bundle/qlypatch.ini",
              ini.substr(0, ini.find("\nversion=1.1.0.0\n")) + "\nversion=1.1\n");
    dir.write("bundle/icon.ico", "BM a bitmap");
    try {
        pack({dir.file("bundle"), "-o", dir.file("patch.exe")});
        FAIL() << "a bundle with errors was packed";
    } catch (const Error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("2 errors"), std::string::npos) << what;
        EXPECT_NE(what.find("qlypatch.ini:53: error: [product] version=1.1"), std::string::npos)
            << what;
        EXPECT_NE(what.find("icon.ico: error: not an icon"), std::string::npos) << what;
        EXPECT_NE(what.find("--force"), std::string::npos) << what;
    }
    EXPECT_FALSE(dir.exists("patch.exe"));
    EXPECT_FALSE(dir.exists("patch.exe.part"));

    // Forced: packed with the errors printed; what cannot be written keeps the installer's.
    ASSERT_EQ(pack({dir.file("bundle"), "-o", dir.file("patch.exe"), "--force"}), 0);
    EXPECT_NE(printed.str().find("icon.ico: error: not an icon"), std::string::npos);
    const ResourceTree resources = ResourcesOf(dir.read("patch.exe"));
    EXPECT_EQ(resources.at(ResourceKey::Id(kResourceIcon)),
              installerResources().at(ResourceKey::Id(kResourceIcon)));
    const std::optional<VersionInfo> version =
        DecodeVersionInfo(resources.at(ResourceKey::Id(kResourceVersion))
                              .at(ResourceKey::Id(1))
                              .at(ResourceKey::Id(0x409))
                              .bytes);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->fileVersion, (std::array<uint16_t, 4>{1, 0, 0, 0}));
    EXPECT_EQ(lookUp(dir.file("patch.exe")).status, PayloadLookup::Status::Found);
}

} // namespace
} // namespace qly::tools
