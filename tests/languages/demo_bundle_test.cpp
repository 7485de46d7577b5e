// Checks the demo bundle in demo/: its language files, its layout file and its skin agree with
// what the installer reads from them.
#include "languages/language_keys.h"
#include "languages/language_state.h"
#include "languages/message_lines.h"
#include "platform/posix/posix_profile_file.h"
#include "support/fake_file_system.h"
#include "support/recording_line_sink.h"
#include "window/layout_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>

namespace qly {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

fs::path demoFolder() {
    const char* root = std::getenv("QLY_SOURCE_DIR"); // the source tree
    return fs::path(root != nullptr ? root : "QLY_SOURCE_DIR unset") / "demo";
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True when s is well-formed UTF-8 (the structure only).
bool isUtf8(const std::string& s) {
    for (std::size_t i = 0, n = 0; i < s.size(); i += n) {
        const auto c = static_cast<unsigned char>(s[i]);
        n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size() ||
            std::any_of(&s[i + 1], &s[i + n], [](char b) { return (b & 0xC0) != 0x80; })) {
            return false;
        }
    }
    return true;
}

TEST(DemoBundle, EveryLanguageFileIsCompleteClosedAndInItsCodePage) {
    ASSERT_TRUE(fs::is_directory(demoFolder() / "lang")) << demoFolder();
    // Bytes the code page of each charset leaves undefined.
    const std::map<int32_t, std::string> undefined = {
        {0, "\x81\x8D\x8F\x90\x9D"}, {204, "\x98"}, {238, "\x81\x83\x88\x90\x98"}};
    test::FakeFileSystem files;
    std::map<std::string, int32_t> charsets;
    for (const auto& entry : fs::directory_iterator(demoFolder() / "lang")) {
        if (entry.path().extension() != ".lng") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        LanguageState lang(files);
        const std::string& text = lang.LangBuffer = readBytes(entry.path());
        ASSERT_GE(text.size(), 5u);
        EXPECT_LT(text.size(), 32767u);
        EXPECT_TRUE(text[0] == '[' && text[4] == ']' &&
                    std::all_of(&text[1], &text[4], [](char c) { return c >= 'A' && c <= 'Z'; }))
            << "header: " << text.substr(0, 5);
        const int32_t charset = charsets[text.substr(1, 3)] =
            ParseIniNumber(lang.LangText("#skrypt"));
        // Every key the program reads, the later ones with built-in texts included: a demo
        // file shows each text in its own language.
        for (const LanguageKey& key : LanguageKeys()) {
            EXPECT_FALSE(lang.LangText(std::string(key.key)).empty()) << key.key;
        }
        for (const char* prefix : {"przed", "poz", "neg"}) {
            test::RecordingLineSink sink;
            ShowMessageLines(lang, sink, prefix);
            EXPECT_GE(sink.lines.size(), 3u) << prefix;
        }
        // Every entry "/key/" starts a line, stands once and is closed before the next one.
        for (std::size_t at = text.find("\n/"); at != npos;) {
            const std::size_t keyEnd = text.find('/', at + 2);
            ASSERT_NE(keyEnd, npos) << text.substr(at + 1, 20);
            const std::string needle = text.substr(at + 1, keyEnd - at);
            const std::size_t next = text.find("\n/", at + 1);
            EXPECT_LT(text.find('\'', keyEnd + 3), std::min(next, text.size())) << needle;
            EXPECT_EQ(text.find(needle), at + 1) << needle << " stands earlier";
            EXPECT_EQ(text.find(needle, at + 2), npos) << needle << " stands twice";
            at = next;
        }
        // Windows text in the charset's code page: CR LF lines, no control or undefined bytes.
        ASSERT_EQ(undefined.count(charset), 1u) << charset;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            EXPECT_EQ(undefined.at(charset).find(text[i]), npos) << "byte " << i;
            EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\t' || (c == '\n' && text[i - 1] == '\r'))
                << "control byte " << int(c) << " at " << i;
        }
        const bool highBytes = std::any_of(text.begin(), text.end(), [](char c) { return c < 0; });
        EXPECT_FALSE(highBytes && isUtf8(text)) << "written in UTF-8";
    }
    EXPECT_EQ(charsets,
              (std::map<std::string, int32_t>{{"DEU", 0}, {"ENG", 0}, {"POL", 238}, {"RUS", 204}}));
}

TEST(DemoBundle, LayoutPlacesEveryControlApartInsideTheRoundedSkin) {
    const std::string bmp = readBytes(demoFolder() / "gfx.bmp");
    ASSERT_TRUE(bmp.size() >= 54 && bmp.starts_with("BM")) << demoFolder();
    int32_t w = 0;
    int32_t h = 0;
    std::memcpy(&w, &bmp[18], 4);
    std::memcpy(&h, &bmp[22], 4);
    h = std::abs(h); // negative for a picture stored top-down
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, (demoFolder() / "qlypatch.ini").string());
    struct Area {
        std::string name;
        int32_t left, top, width, height;
    };
    // Close and minimize stand where start-up puts them for a skin of this width.
    std::vector<Area> areas = {{"close", w - 30, 8, 20, 20}, {"minimize", w - 52, 8, 20, 20}};
    for (const std::string s : {"linkright", "linkleft", "button", "select", "textscroll"}) {
        // The selector takes its height (24) from its font; the file gives it none.
        areas.push_back({s, layout.ReadIniNumber(s, "x"), layout.ReadIniNumber(s, "y"),
                         layout.ReadIniNumber(s, "szer"),
                         s == "select" ? 24 : layout.ReadIniNumber(s, "wys")});
    }
    // A pixel inside a w x h window whose corners are cut by circles of radius 16.
    const auto inside = [&](int32_t x, int32_t y) {
        const double px = x + 0.5, py = y + 0.5;
        const double dx = px - std::clamp(px, 16.0, w - 16.0);
        const double dy = py - std::clamp(py, 16.0, h - 16.0);
        return x >= 0 && y >= 0 && x < w && y < h && dx * dx + dy * dy <= 256;
    };
    for (const Area& a : areas) {
        SCOPED_TRACE(a.name);
        EXPECT_TRUE(a.width > 0 && a.height > 0);
        EXPECT_TRUE(inside(a.left, a.top) && inside(a.left + a.width - 1, a.top) &&
                    inside(a.left, a.top + a.height - 1) &&
                    inside(a.left + a.width - 1, a.top + a.height - 1));
        for (const Area& b : areas) {
            EXPECT_FALSE(&a != &b && a.left < b.left + b.width && b.left < a.left + a.width &&
                         a.top < b.top + b.height && b.top < a.top + a.height)
                << "overlaps " << b.name;
        }
    }
    for (const char* section : {"linkleft", "linkright", "favorites"}) {
        EXPECT_TRUE(layout.ReadIniString(section, "link").starts_with("https://")) << section;
    }
    // The title names the shortcut file in the Favorites folder.
    const std::string title = layout.ReadIniString("favorites", "title");
    EXPECT_TRUE(!title.empty() && title.find_first_of("\\/:*?\"<>|") == npos) << title;
}

} // namespace
} // namespace qly
