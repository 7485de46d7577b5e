// The skin bitmap: what the loader accepts, its size, and its rounded corners.
#include "common/bundle_files.h"
#include "tools/bundle_checks.h"
#include "layout/window_geometry.h"

#include <array>
#include <cstdlib>

namespace qly::tools {
namespace {

constexpr const char* kFile = kSkinName;

// A cut-off pixel counts as drawn when a channel differs this much from the corner's own.
constexpr int kDrawnDifference = 48;
// A few drawn pixels are edge smoothing; more are a frame or a picture the corner cuts away.
constexpr int kDrawnPixels = 8;

bool differs(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16}) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > kDrawnDifference) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<BmpImage> CheckSkin(const std::filesystem::path& bundle,
                                  std::vector<Finding>& findings) {
    BmpImage skin;
    try {
        skin = ReadSkin(bundle);
    } catch (const std::exception& e) {
        findings.push_back({kFile, 0, Severity::Error, e.what()});
        return std::nullopt;
    }
    const int32_t w = skin.width;
    const int32_t h = skin.height;
    if (w < kCornerWidth || h < kCornerHeight) {
        findings.push_back({kFile, 0, Severity::Error,
                            std::to_string(w) + " x " + std::to_string(h) +
                                " pixels: smaller than the rounded corners (32 x 32)"});
    }
    if (w > 1024 || h > 768) {
        findings.push_back({kFile, 0, Severity::Warning,
                            std::to_string(w) + " x " + std::to_string(h) +
                                " pixels: the window does not fit a 1024 x 768 screen",
                            WarningKind::Screen});
    }
    if (skin.compressed) {
        findings.push_back({kFile, 0, Severity::Warning,
                            "run-length encoded: the installer shows it, but the rounded "
                            "corners and the preview cannot be checked",
                            WarningKind::Encoded});
        return skin;
    }
    const std::array<std::pair<const char*, std::pair<int32_t, int32_t>>, 4> corners{{
        {"top-left", {0, 0}},
        {"top-right", {w - 1, 0}},
        {"bottom-left", {0, h - 1}},
        {"bottom-right", {w - 1, h - 1}},
    }};
    for (const auto& [name, corner] : corners) {
        const auto [cx, cy] = corner;
        const uint32_t background = skin.pixels[static_cast<size_t>(cy) * w + cx];
        int drawn = 0;
        for (int32_t dy = 0; dy < kCornerHeight / 2 && dy < h; ++dy) {
            for (int32_t dx = 0; dx < kCornerWidth / 2 && dx < w; ++dx) {
                const int32_t x = cx == 0 ? dx : cx - dx;
                const int32_t y = cy == 0 ? dy : cy - dy;
                if (!InsideRoundRegion(x, y, w, h) &&
                    differs(skin.pixels[static_cast<size_t>(y) * w + x], background)) {
                    ++drawn;
                }
            }
        }
        if (drawn > kDrawnPixels) {
            findings.push_back({kFile, 0, Severity::Warning,
                                "the " + std::string(name) + " corner draws " +
                                    std::to_string(drawn) +
                                    " pixels that the rounded window cuts off",
                                WarningKind::Corner});
        }
    }
    return skin;
}

} // namespace qly::tools
