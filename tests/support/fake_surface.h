// A Surface for tests of layout and flow rather than pixels: the in-memory surface with every
// byte 10 pixels wide and every text cell 10 high, recording the texts instead of drawing them.
#pragma once

#include "common/error.h"
#include "platform/posix/software_surface.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qly::test {

class FakeSurface : public posix::SoftwareSurface {
public:
    // Records the text; throws Error at the failDrawAt-th call (1-based) when that is set.
    void drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t) override {
        textsAt[{x, y}].push_back(bytes);
        if (++draws == failDrawAt) {
            throw Error("drawing failed");
        }
    }
    double textWidth(const std::string& bytes) override { return 10.0 * bytes.size(); }
    double textHeight(const std::string&) override { return 10; }

    int failDrawAt = 0;
    int draws = 0;
    // The texts drawn at x with the top of their cell at y, in order, by (x, y).
    std::map<std::pair<int32_t, int32_t>, std::vector<std::string>> textsAt;
};

} // namespace qly::test
