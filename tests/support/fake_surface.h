// A Surface for tests of layout and flow rather than pixels: every byte is charWidth pixels
// wide, every text cell cellHeight high; it records the texts drawn and can be made to fail.
#pragma once

#include "platform/surface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qly::test {

class FakeSurface : public Surface {
public:
    struct TextCall {
        int32_t x;
        int32_t y;
        std::string text;
        uint32_t rgb;
    };

    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    void resize(int32_t w, int32_t h, uint32_t) override;
    void copyRows(int32_t, int32_t, int32_t) override { ++rowCopies; }
    void setFont(const FontSpec& f) override { font = f; }
    // Records the call; throws Error at the failDrawAt-th call (1-based) when that is set.
    void drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) override;
    // Throws Error when failMeasure is set.
    double textWidth(const std::string& bytes) override;
    double textHeight(const std::string& bytes) override;
    void fillBlack(int32_t, int32_t, int32_t, int32_t) override {}
    void invert(int32_t, int32_t, int32_t, int32_t) override {}
    void present() override { ++presents; }
    uint32_t resolveColor(int32_t colour) const override {
        return static_cast<uint32_t>(colour) & 0xFFFFFF;
    }

    // The texts drawn at x with the top of their cell at y, in order.
    std::vector<std::string> textsAt(int32_t x, int32_t y) const;

    int32_t charWidth = 10;
    int32_t cellHeight = 10;
    int failDrawAt = 0;
    bool failMeasure = false;
    FontSpec font;
    std::vector<TextCall> texts;
    int rowCopies = 0;
    int presents = 0;

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
};

} // namespace qly::test
