// Checks the demo bundle in demo/: its language files, its layout file and its skin agree with
// what the installer reads from them.
#include "languages/language_state.h"
#include "languages/message_lines.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_profile_file.h"
#include "support/recording_line_sink.h"
#include "window/layout_file.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qly {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLangSizeLimit = 32767;
// Height the language selector takes from its font; the layout file gives it none.
constexpr int32_t kSelectorHeight = 24;
constexpr int32_t kCornerRadius = 16;

std::optional<fs::path> demoFolder() {
    const char* root = std::getenv("QLY_SOURCE_DIR");
    if (root == nullptr || *root == '\0') {
        return std::nullopt;
    }
    return fs::path(root) / "demo";
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The real file services, with the working folder moved to the demo bundle.
class BundleFileSystem : public posix::PosixFileSystem {
public:
    explicit BundleFileSystem(std::string root) : root_(std::move(root)) {}
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        return PosixFileSystem::open(root_ + "/" + path, mode);
    }

private:
    std::string root_;
};

// Bytes that the code page of the charset leaves undefined.
std::set<unsigned char> undefinedBytes(int32_t charset) {
    switch (charset) {
    case 0:
        return {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    case 204:
        return {0x98};
    case 238:
        return {0x81, 0x83, 0x88, 0x90, 0x98};
    default:
        return {};
    }
}

bool isValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

class DemoBundleTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto folder = demoFolder();
        ASSERT_TRUE(folder) << "QLY_SOURCE_DIR must name the source tree";
        demo = *folder;
        ASSERT_TRUE(fs::is_directory(demo / "lang")) << demo;
    }

    fs::path demo;
};

TEST_F(DemoBundleTest, ShipsTheFourLanguagesWithTheirCharsets) {
    BundleFileSystem files(demo.string());
    LanguageState lang(files);
    std::map<std::string, int32_t> charsets;
    for (const auto& entry : fs::directory_iterator(demo / "lang")) {
        if (entry.path().extension() == ".lng") {
            lang.ReadLangFile(entry.path().filename().string());
            charsets[lang.LangBuffer.substr(1, 3)] = ParseIniNumber(lang.LangText("#skrypt"));
        }
    }
    EXPECT_EQ(charsets["ENG"], 0);
    EXPECT_EQ(charsets["DEU"], 0);
    EXPECT_EQ(charsets["POL"], 238);
    EXPECT_EQ(charsets["RUS"], 204);
}

TEST_F(DemoBundleTest, EveryLanguageFileIsComplete) {
    const std::vector<std::string> singleKeys = {
        "#jezyk", "#skrypt",      "instaluj",         "wyjdz",
        "error",  "brak miejsca", "nie moge znalezc", "podaj folder"};
    BundleFileSystem files(demo.string());
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(demo / "lang")) {
        if (entry.path().extension() != ".lng") {
            continue;
        }
        ++checked;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        LanguageState lang(files);
        lang.ReadLangFile(name);
        const std::string& text = lang.LangBuffer;

        EXPECT_LT(text.size(), kLangSizeLimit);
        ASSERT_GE(text.size(), 5u);
        EXPECT_EQ(text.find('['), 0u) << "the header must open the file";
        EXPECT_EQ(text.find(']'), 4u);
        for (std::size_t i = 1; i <= 3; ++i) {
            EXPECT_TRUE(text[i] >= 'A' && text[i] <= 'Z') << "header: " << text.substr(0, 5);
        }

        for (const std::string& key : singleKeys) {
            EXPECT_FALSE(lang.LangText(key).empty()) << key;
        }
        for (const char* prefix : {"przed", "poz", "neg"}) {
            test::RecordingLineSink sink;
            ShowMessageLines(lang, sink, prefix);
            EXPECT_GE(sink.lines.size(), 3u) << prefix << " should be a series of several lines";
        }
    }
    EXPECT_GE(checked, 4);
}

TEST_F(DemoBundleTest, EveryEntryIsClosedAndStandsOnce) {
    for (const auto& entry : fs::directory_iterator(demo / "lang")) {
        if (entry.path().extension() != ".lng") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        const std::string text = readBytes(entry.path());
        // An entry starts a line with "/" key "/"; its text must end at an apostrophe before
        // the next entry starts.
        std::vector<std::size_t> starts;
        for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
            if (text[at] == '/') {
                starts.push_back(at);
            }
            if (text.find('\n', at) == std::string::npos) {
                break;
            }
        }
        ASSERT_FALSE(starts.empty());
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const std::size_t keyEnd = text.find('/', starts[i] + 1);
            ASSERT_NE(keyEnd, std::string::npos);
            const std::string needle = text.substr(starts[i], keyEnd - starts[i] + 1);
            const std::size_t next = i + 1 < starts.size() ? starts[i + 1] : text.size();
            const std::size_t close = text.find('\'', keyEnd + 3);
            EXPECT_TRUE(close != std::string::npos && close < next) << needle << " is not closed";
            EXPECT_EQ(text.find(needle), starts[i]) << needle << " stands earlier in the file";
            EXPECT_EQ(text.find(needle, starts[i] + 1), std::string::npos)
                << needle << " stands twice";
        }
    }
}

TEST_F(DemoBundleTest, LanguageFilesAreWindowsTextInTheirCodePage) {
    BundleFileSystem files(demo.string());
    for (const auto& entry : fs::directory_iterator(demo / "lang")) {
        if (entry.path().extension() != ".lng") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        LanguageState lang(files);
        lang.ReadLangFile(entry.path().filename().string());
        const std::string& text = lang.LangBuffer;
        const std::set<unsigned char> undefined =
            undefinedBytes(ParseIniNumber(lang.LangText("#skrypt")));
        bool highBytes = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            highBytes = highBytes || c >= 0x80;
            EXPECT_EQ(undefined.count(c), 0u) << "byte " << int(c) << " at " << i;
            EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\n' || c == '\t')
                << "control byte " << int(c) << " at " << i;
            if (c == '\n') {
                EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at " << i;
            }
        }
        if (highBytes) {
            EXPECT_FALSE(isValidUtf8(text)) << "written in UTF-8, not in its code page";
        }
    }
}

struct Area {
    std::string name;
    int32_t left, top, width, height;
};

bool overlap(const Area& a, const Area& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// True when pixel (x, y) belongs to a window of w x h whose corners are cut by ellipses of
// twice the radius.
bool insideRoundedWindow(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return false;
    }
    const double px = x + 0.5;
    const double py = y + 0.5;
    const double cx = std::clamp(px, double(kCornerRadius), double(w - kCornerRadius));
    const double cy = std::clamp(py, double(kCornerRadius), double(h - kCornerRadius));
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= kCornerRadius * kCornerRadius;
}

class SkinBitmap {
public:
    explicit SkinBitmap(const fs::path& path) : bytes_(readBytes(path)) {}

    bool valid() const {
        return bytes_.size() >= 54 && bytes_.compare(0, 2, "BM") == 0 && u32(14) >= 40 &&
               u16(26) == 1 && u16(28) == 24 && u32(30) == 0 && width() > 0 && height() != 0 &&
               bytes_.size() >= u32(10) + stride() * std::size_t(std::abs(height()));
    }
    int32_t width() const { return static_cast<int32_t>(u32(18)); }
    // Negative for a picture stored top-down.
    int32_t height() const { return static_cast<int32_t>(u32(22)); }
    // (r, g, b) of pixel (x, y), row 0 at the top.
    std::array<int, 3> pixel(int32_t x, int32_t y) const {
        const int32_t row = height() > 0 ? height() - 1 - y : y;
        const std::size_t at = u32(10) + std::size_t(row) * stride() + std::size_t(x) * 3;
        return {byte(at + 2), byte(at + 1), byte(at)};
    }

private:
    std::size_t stride() const { return (std::size_t(width()) * 3 + 3) & ~std::size_t(3); }
    int byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    uint32_t u16(std::size_t at) const { return uint32_t(byte(at)) | uint32_t(byte(at + 1)) << 8; }
    uint32_t u32(std::size_t at) const { return u16(at) | u16(at + 2) << 16; }

    std::string bytes_;
};

TEST_F(DemoBundleTest, LayoutPlacesEveryControlApartInsideThe451By304Skin) {
    const SkinBitmap skin(demo / "gfx.bmp");
    ASSERT_TRUE(skin.valid());
    const int32_t w = skin.width();
    const int32_t h = std::abs(skin.height());
    EXPECT_EQ(w, 451);
    EXPECT_EQ(h, 304);

    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, (demo / "qlypatch.ini").string());
    auto area = [&](const std::string& section) {
        const int32_t height =
            section == "select" ? kSelectorHeight : layout.ReadIniNumber(section, "wys");
        return Area{section, layout.ReadIniNumber(section, "x"), layout.ReadIniNumber(section, "y"),
                    layout.ReadIniNumber(section, "szer"), height};
    };
    // The close and minimize buttons stand where start-up puts them for a skin of this width.
    const std::vector<Area> areas = {area("linkright"),
                                     area("linkleft"),
                                     area("button"),
                                     area("select"),
                                     area("textscroll"),
                                     {"close", w - 20 - 10, 8, 20, 20},
                                     {"minimize", w - 2 * 20 - 10 - 2, 8, 20, 20}};
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Area& a = areas[i];
        SCOPED_TRACE(a.name);
        EXPECT_GT(a.width, 0);
        EXPECT_GT(a.height, 0);
        for (const auto& [x, y] : {std::pair{a.left, a.top},
                                   {a.left + a.width - 1, a.top},
                                   {a.left, a.top + a.height - 1},
                                   {a.left + a.width - 1, a.top + a.height - 1}}) {
            EXPECT_TRUE(insideRoundedWindow(x, y, w, h)) << "corner " << x << "," << y;
        }
        for (std::size_t j = i + 1; j < areas.size(); ++j) {
            EXPECT_FALSE(overlap(a, areas[j])) << "overlaps " << areas[j].name;
        }
    }
}

TEST_F(DemoBundleTest, SkinIsBlackBehindTheTextArea) {
    // The text area's background is black; a skin of another colour would show at its edges.
    const SkinBitmap skin(demo / "gfx.bmp");
    ASSERT_TRUE(skin.valid());
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, (demo / "qlypatch.ini").string());
    const int32_t left = layout.ReadIniNumber("textscroll", "x");
    const int32_t top = layout.ReadIniNumber("textscroll", "y");
    const int32_t width = layout.ReadIniNumber("textscroll", "szer");
    const int32_t height = layout.ReadIniNumber("textscroll", "wys");
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    ASSERT_LE(left + width, skin.width());
    ASSERT_LE(top + height, std::abs(skin.height()));
    int notBlack = 0;
    for (int32_t y = top; y < top + height; ++y) {
        for (int32_t x = left; x < left + width; ++x) {
            notBlack += skin.pixel(x, y) != std::array<int, 3>{0, 0, 0};
        }
    }
    EXPECT_EQ(notBlack, 0);
    // The frame around it is drawn: the pixels just outside are not all black.
    EXPECT_NE(skin.pixel(left - 3, top + height / 2), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(DemoBundleTest, LayoutCarriesTheLinksAndTheFavoritesTitle) {
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, (demo / "qlypatch.ini").string());
    for (const auto& [section, key] :
         {std::pair{"linkleft", "link"}, {"linkright", "link"}, {"favorites", "link"}}) {
        EXPECT_TRUE(layout.ReadIniString(section, key).starts_with("https://")) << section;
    }
    const std::string title = layout.ReadIniString("favorites", "title");
    EXPECT_FALSE(title.empty());
    // The title names the shortcut file in the Favorites folder.
    EXPECT_EQ(title.find_first_of("\\/:*?\"<>|"), std::string::npos) << title;
}

} // namespace
} // namespace qly
