// A program's resources rewritten: the new tree reads back whole through our own reader, the
// headers describe the file the loader will map, and damaged programs are refused, not
// misread.
#include "bundle/icon_file.h"
#include "bundle/memory_file.h"
#include "bundle/pe_layout.h"
#include "bundle/resource_writer.h"
#include "bundle/version_info.h"
#include "common/error.h"
#include "platform/posix/posix_version_resource.h"
#include "support/fake_pe.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using test::FakePeWithResources;

ResourceKey named(std::u16string name) {
    return {true, std::move(name), 0};
}

// What a resource compiler gives the installer: a version, an icon group, a manifest, and a
// named resource type, all in US English.
ResourceTree installerTree() {
    const ResourceKey english = ResourceKey::Id(0x409);
    ResourceTree tree;
    VersionInfo version;
    version.fileVersion = {1, 0, 0, 0};
    version.strings = {{"CompanyName", "Brantmoor Games"}, {"FileVersion", "1.0.0.0"}};
    tree[ResourceKey::Id(kResourceVersion)][ResourceKey::Id(1)][english] = {
        EncodeVersionInfo(version), 0};
    for (uint16_t id = 1; id <= 3; ++id) {
        tree[ResourceKey::Id(kResourceIcon)][ResourceKey::Id(id)][english] = {
            std::string(40 * id, static_cast<char>('0' + id)), 0};
    }
    tree[ResourceKey::Id(kResourceGroupIcon)][ResourceKey::Id(1)][english] = {"group", 0};
    tree[ResourceKey::Id(24)][ResourceKey::Id(1)][english] = {"<assembly/>", 1252};
    tree[named(u"SKINS")][named(u"Dark")][english] = {std::string(3, '\0'), 0};
    return tree;
}

PeImage imageOf(const std::string& program) {
    PeImageRead read = ReadPeImage(program);
    EXPECT_TRUE(read.image) << read.problem;
    return read.image.value_or(PeImage{});
}

TEST(ResourceWriterTest, NewTreeReadsBackWholeAndTheHeadersDescribeTheNewSection) {
    const std::string program = FakePeWithResources(installerTree());
    ASSERT_EQ(ResourcesOf(program), installerTree());

    // Trees of other sizes: smaller, one large picture, names only, nothing at all.
    ResourceTree grown = installerTree();
    grown[ResourceKey::Id(kResourceIcon)][ResourceKey::Id(1)][ResourceKey::Id(0x409)].bytes =
        std::string(70000, 'i');
    ResourceTree shrunk;
    shrunk[ResourceKey::Id(kResourceVersion)][ResourceKey::Id(1)][ResourceKey::Id(0)] = {"v", 0};
    ResourceTree namesOnly;
    namesOnly[named(u"B")][named(u"\u017C\u00F3\u0142w")][named(u"x")] = {"1", 0};
    namesOnly[named(u"A")][ResourceKey::Id(7)][ResourceKey::Id(0)] = {"22", 0};
    for (const ResourceTree& tree : {grown, shrunk, namesOnly, ResourceTree{}}) {
        const std::string out = ReplaceResources(program, tree);
        EXPECT_EQ(ResourcesOf(out), tree);

        const PeImage before = imageOf(program);
        const PeImage after = imageOf(out);
        ASSERT_EQ(after.sections.size(), before.sections.size() + 1);
        const PeSection& added = after.sections.back();
        EXPECT_EQ(added.name, ".rsrc");
        EXPECT_EQ(after.sections[1].name, ".oldrsrc");
        // Past the last section, on the alignments, with the image grown to hold it.
        EXPECT_GE(added.virtualAddress, before.sizeOfImage);
        EXPECT_EQ(added.virtualAddress % after.sectionAlignment, 0u);
        EXPECT_EQ(added.rawOffset % after.fileAlignment, 0u);
        EXPECT_EQ(added.rawSize % after.fileAlignment, 0u);
        EXPECT_EQ(after.sizeOfImage % after.sectionAlignment, 0u);
        EXPECT_GE(after.sizeOfImage, added.virtualAddress + added.virtualSize);
        EXPECT_EQ(after.directories[kResourceDirectory].rva, added.virtualAddress);
        EXPECT_EQ(after.directories[kResourceDirectory].size, added.virtualSize);
        // The file ends with the new section: what is appended next starts there.
        MemoryFile file(out);
        EXPECT_EQ(ReadPeLayout(file)->imageEnd, std::ssize(out));
        EXPECT_EQ(std::size_t{added.rawOffset} + added.rawSize, out.size());
        // The rest of the program is as it was, the old resources zeroed.
        EXPECT_EQ(out.substr(0x400, 0x200), program.substr(0x400, 0x200));
        const PeSection& old = before.sections[1];
        EXPECT_EQ(out.substr(old.rawOffset, old.virtualSize), std::string(old.virtualSize, '\0'));
        EXPECT_EQ(out.substr(before.sections[2].rawOffset, 0x200),
                  program.substr(before.sections[2].rawOffset, 0x200));
    }
}

// An unstripped build's symbol table follows the sections; the new section goes before it, and
// the header points at the symbols where they now lie.
TEST(ResourceWriterTest, SymbolTableMovesBehindTheNewSection) {
    std::string program = FakePeWithResources(installerTree());
    const std::string symbols = std::string(36, 's') + std::string("\x0D\0\0\0_mainCRT\0", 13);
    std::string pointer;
    AppendLittleEndian(pointer, static_cast<uint32_t>(program.size()));
    AppendLittleEndian<uint32_t>(pointer, 2); // two 18-byte symbols
    program.replace(0x84 + 8, 8, pointer);
    program += symbols;

    const std::string out = ReplaceResources(program, {});
    const uint32_t moved = ReadLittleEndian<uint32_t>(out, 0x84 + 8);
    EXPECT_EQ(out.substr(moved), symbols);
    const auto image = imageOf(out);
    const PeSection& added = image.sections.back();
    EXPECT_EQ(std::size_t{added.rawOffset} + added.rawSize, moved);
    EXPECT_EQ(ResourcesOf(out), ResourceTree{});
    MemoryFile file(out);
    EXPECT_EQ(ReadPeLayout(file)->imageEnd, std::ssize(out));
}

TEST(ResourceWriterTest, VersionResourceReadsBackAsWrittenAndAsTheGameCheckFindsIt) {
    VersionInfo info;
    info.fileVersion = {1, 2, 300, 65535};
    info.productVersion = {4, 5, 6, 7};
    info.strings = {{"CompanyName", "Pixel Forge \u017C\u00F3\u0142w"},
                    {"FileDescription", "Emberfall \xF0\x9F\x94\xA5 patch"},
                    {"ProductName", ""},
                    {"FileVersion", "1.2.300.65535"}};
    const std::string bytes = EncodeVersionInfo(info);
    const std::optional<VersionInfo> back = DecodeVersionInfo(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->fileVersion, info.fileVersion);
    EXPECT_EQ(back->productVersion, info.productVersion);
    EXPECT_EQ(back->strings, info.strings);
    EXPECT_EQ(back->table, "040904B0");
    EXPECT_EQ(back->translations, info.translations);
    // The installer's own search for the fixed block, independent of this decoder.
    EXPECT_EQ(posix::FixedFileVersion("MZ" + bytes), info.fileVersion);

    // Cut anywhere, the bytes are never read past their end; the fixed part is required.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::optional<VersionInfo> cut = DecodeVersionInfo(bytes.substr(0, n));
        EXPECT_FALSE(cut && cut->strings == info.strings) << n;
    }
    info.strings = {{"Comments", std::string(40000, 'x')}};
    EXPECT_THROW(EncodeVersionInfo(info), Error);
}

TEST(ResourceWriterTest, DamagedProgramsAreRefusedWithTheirReason) {
    const std::string good = FakePeWithResources(installerTree());
    const std::size_t table = 0x84 + 20 + 240;
    const std::size_t rsrc = table + 40;
    const std::size_t resourceEntry = 0x84 + 20 + 112 + 16;
    auto with32 = [&](std::size_t at, uint32_t value) {
        std::string bytes = good;
        std::string b;
        AppendLittleEndian(b, value);
        bytes.replace(at, 4, b);
        return bytes;
    };
    // The first entry of the type directory (after its 16-byte header) made to point back at
    // the directory itself, and a type entry that names data instead of a directory.
    const uint32_t rsrcRaw = ReadLittleEndian<uint32_t>(good, rsrc + 20);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not a program", "MZ too short"},
        {"cut inside the section table", good.substr(0, table + 50)},
        {"section beyond the end of the file", with32(rsrc + 16, 0x100000)},
        {"file alignment not a power of two", with32(0x84 + 20 + 36, 0x300)},
        {"resource directory outside every section", with32(resourceEntry, 0x900000)},
        {"directory that contains itself", with32(rsrcRaw + 16 + 4, 0x80000000)},
        {"type entry naming data", with32(rsrcRaw + 16 + 4, 0x40)},
        {"data entry outside the sections",
         [&] {
             // The last data entry's RVA: data entries follow the three directory levels; find
             // the first by its RVA field pointing into the section.
             std::string bytes = good;
             for (std::size_t at = rsrcRaw; at + 16 < rsrcRaw + 0x200; at += 4) {
                 const uint32_t rva = ReadLittleEndian<uint32_t>(bytes, at);
                 if (rva > 0x2000 && rva < 0x2200 &&
                     ReadLittleEndian<uint32_t>(bytes, at + 4) > 0) {
                     std::string b;
                     AppendLittleEndian<uint32_t>(b, 0x7FFFFFF0);
                     bytes.replace(at, 4, b);
                     break;
                 }
             }
             return bytes;
         }()},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(ResourcesOf(c.bytes), Error) << c.what;
        EXPECT_THROW(ReplaceResources(c.bytes, installerTree()), Error) << c.what;
    }

    // Headers with no room left for one more section header, or something in that room.
    std::string full = with32(0x84 + 20 + 60, static_cast<uint32_t>(table + 3 * 40 + 20));
    EXPECT_THROW(ReplaceResources(full, {}), Error);
    std::string busy = good;
    busy.replace(table + 3 * 40, 4, "BIND");
    EXPECT_THROW(ReplaceResources(busy, {}), Error);
}

TEST(ResourceWriterTest, ChecksumCountsTheWholeFileButItsOwnField) {
    std::string file = FakePeWithResources(installerTree()) + "odd";
    const std::size_t field = *PeChecksumOffset(file);
    EXPECT_EQ(field, 0x84 + 20 + 64u);
    PeChecksum whole(field);
    whole.add(file);
    PeChecksum pieces(field);
    pieces.add(std::string_view(file).substr(0, field + 2)); // a piece ends inside the field
    pieces.add(std::string_view(file).substr(field + 2));
    EXPECT_EQ(pieces.value(), whole.value());
    file.replace(field, 4, "\x12\x34\x56\x78");
    PeChecksum other(field);
    other.add(file);
    EXPECT_EQ(other.value(), whole.value());
    file[0x500] ^= 1;
    PeChecksum changed(field);
    changed.add(file);
    EXPECT_NE(changed.value(), whole.value());
    EXPECT_FALSE(PeChecksumOffset("MZ"));
}

TEST(IconFileTest, IconReplacesEveryOldIconAndItsGroupKeepsItsName) {
    // Two pictures, a bitmap and a PNG.
    std::string ico;
    AppendLittleEndian<uint16_t>(ico, 0);
    AppendLittleEndian<uint16_t>(ico, 1);
    AppendLittleEndian<uint16_t>(ico, 2);
    std::string bitmap;
    AppendLittleEndian<uint32_t>(bitmap, 40);
    bitmap += std::string(60, 'b');
    const std::string png = "\x89PNG\r\n\x1A\n" + std::string(20, 'p');
    const auto entry = [&](uint8_t size, const std::string& data, std::size_t offset) {
        ico += static_cast<char>(size);
        ico += static_cast<char>(size);
        ico += std::string(2, '\0');
        AppendLittleEndian<uint16_t>(ico, 1);
        AppendLittleEndian<uint16_t>(ico, 32);
        AppendLittleEndian(ico, static_cast<uint32_t>(data.size()));
        AppendLittleEndian(ico, static_cast<uint32_t>(offset));
    };
    entry(16, bitmap, 6 + 32);
    entry(0, png, 6 + 32 + bitmap.size());
    ico += bitmap + png;

    const IconFileRead read = ReadIconFile(ico);
    ASSERT_EQ(read.pictures.size(), 2u) << read.problem;
    ResourceTree tree = installerTree();
    tree[ResourceKey::Id(kResourceGroupIcon)].clear();
    tree[ResourceKey::Id(kResourceGroupIcon)][named(u"MAINICON")][ResourceKey::Id(0x415)] = {"old",
                                                                                             0};
    ReplaceIcons(tree, read.pictures);

    const ResourceNames& icons = tree.at(ResourceKey::Id(kResourceIcon));
    ASSERT_EQ(icons.size(), 2u); // the old third picture is gone
    EXPECT_EQ(icons.at(ResourceKey::Id(1)).at(ResourceKey::Id(0x415)).bytes, bitmap);
    EXPECT_EQ(icons.at(ResourceKey::Id(2)).at(ResourceKey::Id(0x415)).bytes, png);
    const ResourceNames& groups = tree.at(ResourceKey::Id(kResourceGroupIcon));
    ASSERT_EQ(groups.size(), 1u);
    const std::string& group = groups.at(named(u"MAINICON")).at(ResourceKey::Id(0x415)).bytes;
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(ReadLittleEndian<uint16_t>(group, 4), 2);
    EXPECT_EQ(static_cast<uint8_t>(group[6]), 16);
    EXPECT_EQ(ReadLittleEndian<uint32_t>(group, 6 + 8), bitmap.size());
    EXPECT_EQ(ReadLittleEndian<uint16_t>(group, 6 + 12), 1);
    EXPECT_EQ(ReadLittleEndian<uint32_t>(group, 6 + 14 + 8), png.size());
    EXPECT_EQ(ReadLittleEndian<uint16_t>(group, 6 + 14 + 12), 2);

    // Files that are no icon, each with its reason.
    std::string cursor = ico;
    cursor[2] = 2;
    std::string outside = ico;
    outside[6 + 16 + 12] = 0x7F;
    std::string neither = ico;
    neither[6 + 32] = 'X';
    for (const std::string& bad :
         {std::string("BM not an icon"), std::string(), cursor, outside, neither,
          ico.substr(0, 6 + 20), std::string("\0\0\1\0\0\0", 6)}) {
        const IconFileRead refused = ReadIconFile(bad);
        EXPECT_TRUE(refused.pictures.empty());
        EXPECT_FALSE(refused.problem.empty());
    }
}

} // namespace
} // namespace qly
