// Reading and writing the patch tree's integrity manifest.
#include "common/error.h"
#include "update/manifest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qly {
namespace {

const std::string kA(64, 'a');
const std::string kB = "0123456789ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef";

Sha256Digest digestOf(const std::string& hex) {
    return ParseManifest(hex + "  x").at(0).digest;
}

TEST(ManifestTest, ReadsBothMarkersBomCrLfSpacesAndLetters) {
    const std::string text = "\xEF\xBB\xBF" + kA + " *data/Main Menu.pak\r\n" + kB +
                             "  ./\xC5\x81\xC3\xB3"
                             "d\xC5\xBA/\xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0 "
                             "1.txt\r\n\r\n" +
                             kA + "   leading blank.txt\n";
    const std::vector<ManifestEntry> entries = ParseManifest(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, "data\\Main Menu.pak");
    EXPECT_EQ(entries[1].path, "\xC5\x81\xC3\xB3"
                               "d\xC5\xBA\\\xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0 1.txt");
    EXPECT_EQ(entries[2].path, " leading blank.txt");
    EXPECT_EQ(ToHex(entries[0].digest), kA);
    EXPECT_EQ(ToHex(entries[1].digest),
              "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
}

TEST(ManifestTest, FormatReadsBackSortedWithSlashes) {
    const std::vector<ManifestEntry> entries{{"z.txt", digestOf(kA)},
                                             {"data\\sub dir\\\xC5\x81.bin", digestOf(kB)},
                                             {"a.txt", digestOf(kB)}};
    const std::string text = FormatManifest(entries);
    EXPECT_EQ(text, ToHex(digestOf(kB)) + "  a.txt\n" + ToHex(digestOf(kB)) +
                        "  data/sub dir/\xC5\x81.bin\n" + kA + "  z.txt\n");
    const std::vector<ManifestEntry> back = ParseManifest(text);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].path, "data\\sub dir\\\xC5\x81.bin");
    EXPECT_EQ(back[1].digest, digestOf(kB));
    EXPECT_EQ(FormatManifest({}), "");
}

// Each bad line is reported with its own line number, after good lines.
TEST(ManifestTest, RefusesMalformedLinesAndPathsOutsideTheTreeNamingTheLine) {
    const std::string good = kA + "  fine.txt\n\n";
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {kA.substr(1) + "  short.txt", "hexadecimal"},
        {std::string(63, 'a') + "g  bad.txt", "hexadecimal"},
        {kA + " bad-separator.txt", "\"  \""}, {kA + "\tbad-separator.txt", "\"  \""},
        {kA + "  ", "\"  \""}, {kA, "\"  \""},
        {kA + "  /etc/passwd", "absolute"}, {kA + " *C:/Windows/x.dll", "absolute"},
        {kA + "  \\\\server\\x", "absolute"}, {kA + "  ../outside.txt", "\"..\""},
        {kA + "  data/../../outside.txt", "\"..\""}, {kA + "  data\\..\\x", "\"..\""},
        {kA + "  data//x", "empty"}, {kA + "  data/", "empty"}, {kA + "  ./.", "no file"},
        {kA + "  fine.txt", "twice"}, {"\\" + kA + "  back\\\\slash", "line break"},
        // A CR left by a CR CR LF ending, or any other control character, names no file.
        {kA + "  cut.txt\r", "control character"}, {kA + "  data\x01/x", "control character"},
        {kA + std::string("  nul\0x", 7), "control character"}};
    // clang-format on
    for (const auto& [line, reason] : cases) {
        SCOPED_TRACE(line);
        try {
            ParseManifest(good + line + "\r\n");
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), testing::StartsWith("line 3: "));
            EXPECT_THAT(e.what(), testing::HasSubstr(reason));
        }
    }
}

} // namespace
} // namespace qly
