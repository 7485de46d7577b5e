// Packing and reading back: the payload found behind plain, unstripped and signed programs,
// and every file listed and read back as it was packed.
#include "bundle/memory_file.h"
#include "bundle/payload_file_system.h"
#include "bundle/payload_reader.h"
#include "bundle/pe_layout.h"
#include "support/packed_exe.h"
#include "support/read_tree.h"

#include <gtest/gtest.h>

namespace qly::test {
namespace {

const std::vector<PackedItem> kBundle{
    {"qlypatch.ini", "[button]\r\nx=10\r\n"},
    {"lang", "", true},
    {"lang\\eng.lng", "[ENG]\r\n/wyjdz/= Exit'"},
    {"update", "", true},
    {"update\\readme.txt", "hello"},
    {"update\\empty.dat", ""},
    {"update\\Mapy gry\\\xC5\x82\xC4\x85ka.map", std::string(62001, 'm')}, // "łąka.map"
    {"update\\data\\big.pak", std::string(200000, '\0') + "end"},
    {"update\\nothing here", "", true},
};

TEST(PayloadRoundTrip, EveryFileReadsBackByteForByteBehindAnyKindOfProgram) {
    Tree expected;
    for (const PackedItem& item : kBundle) {
        expected[item.isFolder ? item.name + "\\" : item.name] = item.contents;
    }
    expected["update\\Mapy gry\\"] = "";
    expected["update\\data\\"] = "";

    posix::LibcryptoHashService hashes;
    for (const FakePeOptions options : {FakePeOptions{true, false}, FakePeOptions{false, true}}) {
        const std::string packed = PackedExe(kBundle, FakePe(options));
        // A certificate whose last bytes look like a trailer must not be taken for one.
        const std::string signedExe =
            AppendCertificate(packed, FakePeSecurityEntry(options), "PKCS7 blob QLYPEND\x1A");
        for (const std::string& exe : {packed, signedExe}) {
            MemoryFile file(exe);
            PayloadLookup lookup = FindPayload(file, hashes);
            ASSERT_EQ(lookup.status, PayloadLookup::Status::Found) << lookup.problem;
            EXPECT_EQ(lookup.payload.start, std::ssize(FakePe(options)));
            EXPECT_EQ(exe.size() % 8, 0u); // nothing for a signing tool to pad
            PayloadFileSystem fs(file, lookup.payload, hashes);
            EXPECT_EQ(ReadTree(fs, ""), expected);
        }
    }
}

TEST(PayloadRoundTrip, ProgramsWithoutPayloadAreFoundPlain) {
    posix::LibcryptoHashService hashes;
    const FakePeOptions unstripped{true, true};
    for (const std::string& exe :
         {FakePe(), FakePe(unstripped),
          AppendCertificate(FakePe(unstripped), FakePeSecurityEntry(unstripped), "sig"),
          std::string("not a program at all")}) {
        MemoryFile file(exe);
        EXPECT_EQ(FindPayload(file, hashes).status, PayloadLookup::Status::None);
    }
    // The symbol table and its strings belong to the program, not to anything appended.
    MemoryFile file(FakePe(unstripped));
    EXPECT_EQ(ReadPeLayout(file)->imageEnd, file.size());
}

TEST(PayloadFileSystemTest, LooksLikeAReadOnlyFolderIgnoringCaseAndSeparators) {
    posix::LibcryptoHashService hashes;
    MemoryFile file(PackedExe(kBundle));
    PayloadFileSystem fs(file, FindPayload(file, hashes).payload, hashes);

    const struct {
        const char* path;
        uint32_t attributes;
        bool fileExists;
    } lookups[] = {
        {"UPDATE/ReadMe.TXT", kAttrReadOnly, true},
        {"update\\data", kAttrDirectory, false},
        {"update\\data\\", kAttrDirectory, false},
        {"update\\missing", kInvalidAttributes, false},
        {"update\\readme.txt\\inner.txt", kInvalidAttributes, false},
    };
    for (const auto& lookup : lookups) {
        EXPECT_EQ(AttributesOf(fs, lookup.path), lookup.attributes) << lookup.path;
        EXPECT_EQ(FileExists(fs, lookup.path), lookup.fileExists) << lookup.path;
        EXPECT_EQ(Exists(fs, lookup.path), lookup.attributes != kInvalidAttributes) << lookup.path;
    }
    EXPECT_EQ(fs.list("update\\nothing here\\", "*.txt"), nullptr);
    EXPECT_EQ(fs.list("update\\readme.txt", "*"), nullptr);

    auto lang = fs.list("lang\\", "*.LNG");
    DirEntry entry;
    ASSERT_TRUE(lang && lang->next(entry));
    EXPECT_EQ(entry.name, "eng.lng");
    EXPECT_FALSE(lang->next(entry));

    EXPECT_THROW(fs.createFolder("update\\new"), Error);
    EXPECT_THROW(fs.deleteFile("update\\readme.txt"), Error);
    EXPECT_THROW(fs.replaceFile("update\\readme.txt", "update\\empty.dat"), Error);
    for (OpenMode mode : {OpenMode::ReadWrite, OpenMode::CreateAlways}) {
        EXPECT_THROW(fs.open("update\\readme.txt", mode), Error);
    }
    EXPECT_THROW(fs.open("update\\readme.txt", OpenMode::Read)->write("x"), Error);
    EXPECT_THROW(fs.open("update\\data", OpenMode::Read), Error);
    fs.removeQuietly("update\\readme.txt");
    EXPECT_TRUE(FileExists(fs, "update\\readme.txt"));
    EXPECT_EQ(fs.freeBytes("update\\"), std::nullopt);
}

} // namespace
} // namespace qly::test
