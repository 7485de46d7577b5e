#include "fake_surface.h"

#include "common/error.h"

namespace qly::test {

void FakeSurface::resize(int32_t w, int32_t h, uint32_t) {
    width_ = w < 0 ? 0 : w;
    height_ = h < 0 ? 0 : h;
}

void FakeSurface::drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) {
    texts.push_back({x, y, bytes, rgb});
    if (failDrawAt != 0 && static_cast<int>(texts.size()) == failDrawAt) {
        throw Error("drawing failed");
    }
}

double FakeSurface::textWidth(const std::string& bytes) {
    if (failMeasure) {
        throw Error("measuring failed");
    }
    return static_cast<double>(bytes.size()) * charWidth;
}

double FakeSurface::textHeight(const std::string&) {
    if (failMeasure) {
        throw Error("measuring failed");
    }
    return cellHeight;
}

std::vector<std::string> FakeSurface::textsAt(int32_t x, int32_t y) const {
    std::vector<std::string> out;
    for (const TextCall& call : texts) {
        if (call.x == x && call.y == y) {
            out.push_back(call.text);
        }
    }
    return out;
}

} // namespace qly::test
