// The preview against the window the Windows program shows under wine (the end-to-end test's
// reference screenshot of the demo bundle after start-up).
#include "common/error.h"
#include "platform/posix/png_writer.h"
#include "tools/window_preview.h"
#include "layout/window_geometry.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace qly::tools {
namespace {

namespace fs = std::filesystem;

fs::path sourceDir() {
    return fs::path(std::getenv("QLY_SOURCE_DIR"));
}

// Pixels of area that differ in any channel.
int64_t differing(const WindowPicture& a, const posix::PngPixels& b, const Rect& area) {
    int64_t n = 0;
    for (int32_t y = area.top; y < area.top + area.height; ++y) {
        for (int32_t x = area.left; x < area.left + area.width; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(a.width) + x;
            n += a.pixels[i] != b.pixels[i] ? 1 : 0;
        }
    }
    return n;
}

TEST(PreviewTest, TextAreaMatchesTheWindowsProgramAfterStartUp) {
    const WindowPicture picture = RenderWindow(sourceDir() / "demo", {});
    const posix::PngPixels reference =
        posix::readPng((sourceDir() / "tests/e2e/reference/start.png").string());
    ASSERT_EQ(picture.width, reference.width);
    ASSERT_EQ(picture.height, reference.height);

    const Rect whole{0, 0, picture.width, picture.height};
    const int64_t inText = differing(picture, reference, picture.textArea);
    const int64_t inWindow = differing(picture, reference, whole);
    const double textShare = 100.0 * inText / (picture.textArea.width * picture.textArea.height);
    const double windowShare = 100.0 * inWindow / (whole.width * whole.height);
    std::cout << "preview vs Windows screenshot: text area " << inText << " pixels differ ("
              << textShare << "%), whole window " << inWindow << " (" << windowShare
              << "%: the marked link areas and the corners of the native controls)\n";
    // Glyph hinting may move single pixels; a wrong line break, font or scroll position
    // moves thousands.
    EXPECT_LT(textShare, 0.5);
    EXPECT_LT(windowShare, 2.0);
}

TEST(PreviewTest, StatesDrawTheirTextsBarAndCaptions) {
    const fs::path demo = sourceDir() / "demo";
    const WindowPicture start = RenderWindow(demo, {});
    const Rect area = start.textArea;
    // The bar covers the bottom rows of the text area, its left part inverted to light.
    const auto lightShareOfBar = [&](int16_t percent) {
        PreviewOptions copying{"ENG", PreviewState::Copying, percent};
        const WindowPicture p = RenderWindow(demo, copying);
        int32_t light = 0;
        const int32_t y = area.top + area.height - 2;
        for (int32_t x = area.left; x < area.left + area.width; ++x) {
            light += (p.pixels[static_cast<size_t>(y) * p.width + x] & 0xFF) > 0x80 ? 1 : 0;
        }
        return light * 100 / area.width;
    };
    EXPECT_NEAR(lightShareOfBar(0), 0, 3);
    EXPECT_NEAR(lightShareOfBar(42), 42, 3);
    EXPECT_NEAR(lightShareOfBar(100), 100, 3);

    // Each outcome shows its own text, and languages differ in their text and caption.
    std::vector<std::vector<uint32_t>> seen{start.pixels};
    for (const PreviewOptions& options : {PreviewOptions{"ENG", PreviewState::Done, 50},
                                          PreviewOptions{"ENG", PreviewState::NotFound, 50},
                                          PreviewOptions{"ENG", PreviewState::NoSpace, 50},
                                          PreviewOptions{"POL"}, PreviewOptions{"RUS"}}) {
        const WindowPicture p = RenderWindow(demo, options);
        for (const auto& other : seen) {
            EXPECT_NE(p.pixels, other) << options.language << static_cast<int>(options.state);
        }
        seen.push_back(p.pixels);
    }
    // Outside the rounded corners nothing belongs to the window.
    EXPECT_EQ(start.pixels[0], 0u);
    EXPECT_EQ(start.pixels[static_cast<size_t>(start.width) * start.height - 1], 0u);
    EXPECT_EQ(RenderWindow(demo, {"pol"}).pixels, RenderWindow(demo, {"POL"}).pixels);
    EXPECT_THROW(RenderWindow(demo, {"XYZ"}), Error);
}

} // namespace
} // namespace qly::tools
