#include "textscroll/text_scroll.h"

#include "common/error.h"
#include "common/rounding.h"
#include "textscroll/value_conversion.h"

#include <algorithm>

namespace qly {

namespace {

// Pause of every step of Cls, whatever SpeedScroll says.
constexpr int kClsPauseMs = 5;
// Rows Cls moves per step.
constexpr int32_t kClsRowsPerStep = 5;

int32_t roundToInt(double x) {
    return static_cast<int32_t>(std::clamp(roundHalfEven(x), double{INT32_MIN}, double{INT32_MAX}));
}

} // namespace

class TextScroll::DrawingScope {
public:
    explicit DrawingScope(int16_t& flag) : flag_(flag) { flag_ = -1; }
    ~DrawingScope() { flag_ = 0; }
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;

private:
    int16_t& flag_;
};

TextScroll::TextScroll(Surface& surface, MessageLoop& loop, FontSpec ambientFont)
    : surface_(surface), loop_(loop), ambientFont_(std::move(ambientFont)),
      font_(ambientFont_), bounds_{0, 0, surface.width(), surface.height()} {
    surface_.resize(bounds_.width, bounds_.height, surface_.resolveColor(color_));
}

void TextScroll::Antyalias(bool vnew) {
    halo_ = vnew ? -1 : 0;
}

void TextScroll::Color(int32_t vNewValue) {
    color_ = vNewValue;
    surface_.resize(surface_.width(), surface_.height(), surface_.resolveColor(color_));
}

void TextScroll::SpeedScroll(double sp) {
    speedScroll_ = toInt16(PropertyValue{sp});
}

void TextScroll::SpeedScroll(int64_t sp) {
    if (sp < INT16_MIN || sp > INT16_MAX) {
        throw Error("Overflow");
    }
    speedScroll_ = static_cast<int16_t>(sp);
}

void TextScroll::SpeedScroll(std::string_view sp) {
    speedScroll_ = toInt16(PropertyValue{std::string(sp)});
}

void TextScroll::Move(const Rect& r) {
    bounds_ = r;
    surface_.resize(r.width, r.height, surface_.resolveColor(color_));
}

double TextScroll::measureWidth(const std::string& s) {
    surface_.setFont(font_);
    return surface_.textWidth(s);
}

void TextScroll::draw(int32_t x, int32_t y, const std::string& s, int32_t colour) {
    surface_.setFont(font_);
    surface_.drawText(x, y, s, surface_.resolveColor(colour));
}

void TextScroll::pause(int ms) {
    loop_.sleep(ms);
    loop_.yield();
    surface_.present();
}

int32_t TextScroll::MixColor() const {
    // Signed division and masking, so that a system colour splits as its raw bits do.
    const auto channel = [](int32_t v, int32_t divisor) { return (v / divisor) & 255; };
    int32_t mixed = 0;
    int32_t weight = 1;
    for (int32_t divisor : {1, 256, 65536}) {
        const int32_t sum = channel(colorFont_, divisor) + channel(color_, divisor);
        mixed += roundToInt(sum / 2.0) * weight;
        weight *= 256;
    }
    return mixed;
}

void TextScroll::Cls() {
    if (drawing_ != 0) {
        return;
    }
    DrawingScope scope(drawing_);
    const int32_t h = surface_.height();
    for (int32_t i = 1; i <= kClsRowsPerStep; ++i) {
        surface_.copyRows(0, h - i, 1);
    }
    const int32_t steps = roundToInt(h / double{kClsRowsPerStep}) + 1;
    for (int32_t step = 0; step < steps; ++step) {
        surface_.copyRows(kClsRowsPerStep, 0, h - kClsRowsPerStep);
        pause(kClsPauseMs);
    }
}

size_t TextScroll::nextLineLength(const std::string& s, int32_t avail) {
    const auto fitsBeforeBreak = [&](size_t p) { return measureWidth(s.substr(0, p)) < avail; };
    // Candidates (1-based): 1 and the position after every space; the line ends before the
    // last one at which the text through its first character is still narrower than avail.
    size_t lastFit = 0;
    if (fitsBeforeBreak(1)) {
        lastFit = 1;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] != ' ') {
                continue;
            }
            const size_t p = i + 2;
            if (p > s.size() || !fitsBeforeBreak(p)) {
                break;
            }
            lastFit = p;
        }
    }
    if (lastFit > 1) {
        return lastFit - 1;
    }
    // The rule gives no line here: the first word, with its spaces and the next word's first
    // character, is too wide. Break inside the first word (with its first space) at the last
    // character that still fits, but take at least one character so that the text goes on.
    const size_t space = s.find(' ');
    const size_t limit = space == std::string::npos ? s.size() : space + 1;
    size_t lo = 1;
    size_t hi = limit;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (roundToInt(measureWidth(s.substr(0, mid))) <= avail) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

void TextScroll::Tekst(std::string sss) {
    if (drawing_ != 0) {
        return;
    }
    DrawingScope scope(drawing_);
    std::string s = std::move(sss);
    const int32_t w = surface_.width();
    bool shown = false;
    // SpaceL is read again for every line: a change while a line scrolls in moves the next.
    while (!s.empty()) {
        const size_t length = wrapLength(s, w);
        if (length == s.size()) {
            break;
        }
        ScrollLineIn(s.substr(0, length));
        s.erase(0, length);
        shown = true;
    }
    if (!s.empty() || !shown) {
        ScrollLineIn(s);
    }
}

std::vector<std::string> TextScroll::WrapLines(std::string sss) {
    std::string s = std::move(sss);
    std::vector<std::string> lines;
    while (!s.empty()) {
        const size_t length = wrapLength(s, surface_.width());
        if (length == s.size()) {
            break;
        }
        lines.push_back(s.substr(0, length));
        s.erase(0, length);
    }
    if (!s.empty() || lines.empty()) {
        lines.push_back(std::move(s));
    }
    return lines;
}

size_t TextScroll::wrapLength(const std::string& s, int32_t width) {
    const int32_t avail = width - spaceL_;
    if (roundToInt(measureWidth(s)) <= avail) {
        return s.size();
    }
    return nextLineLength(s, avail);
}

void TextScroll::ScrollLineIn(const std::string& line) {
    const int32_t h = surface_.height();
    surface_.setFont(font_);
    const int32_t n = roundToInt(surface_.textHeight(line));
    for (int32_t k = 0; k <= n; ++k) {
        if (halo_ == -1) {
            const int32_t mixed = MixColor();
            draw(spaceL_ - 1, h - k, line, mixed);
            draw(spaceL_ + 1, h - k, line, mixed);
        }
        draw(spaceL_, h - k, line, colorFont_);
        surface_.copyRows(0, h - 1, 1);
        surface_.copyRows(2, 1, h - 2);
        pause(speedScroll_);
    }
    draw(spaceL_, h - (n + 1), line, colorFont_);
    surface_.present();
    for (int32_t gap = 0; gap < spaceW_; ++gap) {
        surface_.copyRows(2, 1, h - 2);
        surface_.copyRows(0, h - 1, 1);
        pause(speedScroll_);
    }
    drawing_ = 0;
}

void TextScroll::Bar(int16_t proc) {
    if (drawing_ != 0) {
        return;
    }
    DrawingScope scope(drawing_);
    const std::string label = std::to_string(proc) + "%";
    surface_.setFont(font_);
    const double th = surface_.textHeight(label);
    const double tw = surface_.textWidth(label);
    const int32_t w = surface_.width();
    const int32_t h = surface_.height();
    // Past 100 percent the inverted part would leave the strip; it is clipped to it.
    const int32_t fill = std::clamp(roundToInt(proc / 100.0 * w), 0, std::max(w, 0));
    const int32_t top = roundToInt(h - th);
    surface_.fillBlack(0, top, w, h);
    draw(w / 2 - roundToInt(tw) / 2, top, label, colorFont_);
    surface_.invert(0, top, fill, roundToInt(th));
    surface_.present();
}

void TextScroll::ReadProperties(const PropertyBag& bag) {
    font_ = toFont(bag.read("Font", ambientFont_));
    ColorFont(toInt32(bag.read("ColorFont", kDefaultColorFont)));
    Color(toInt32(bag.read("Color", kDefaultColor)));
    spaceL_ = toInt16(bag.read("SpaceL", int32_t{kDefaultSpaceL}));
    spaceW_ = toInt16(bag.read("SpaceW", int32_t{kDefaultSpaceW}));
    speedScroll_ = toInt16(bag.read("SpeedScroll", int32_t{kDefaultSpeedScroll}));
    halo_ = toInt16(bag.read("Antyalias", false));
}

void TextScroll::WriteProperties(PropertyBag& bag) const {
    const auto writeUnlessDefault = [&bag](const char* key, auto value, auto fallback) {
        if (value != fallback) {
            bag.write(key, PropertyValue{value});
        }
    };
    writeUnlessDefault("Font", font_, ambientFont_);
    writeUnlessDefault("Color", color_, kDefaultColor);
    writeUnlessDefault("ColorFont", colorFont_, kDefaultColorFont);
    writeUnlessDefault("SpaceL", int32_t{spaceL_}, int32_t{kDefaultSpaceL});
    writeUnlessDefault("SpaceW", int32_t{spaceW_}, int32_t{kDefaultSpaceW});
    writeUnlessDefault("SpeedScroll", int32_t{speedScroll_}, int32_t{kDefaultSpeedScroll});
    writeUnlessDefault("Antyalias", int32_t{halo_}, int32_t{0});
}

PropertyBag TextScroll1Properties() {
    PropertyBag bag;
    bag.write("_extentx", int32_t{5133});
    bag.write("_extenty", int32_t{4868});
    FontSpec font;
    font.face = "Arial";
    font.size = 9;
    font.weight = 400;
    font.charset = 238;
    bag.write("font", font);
    bag.write("colorfont", static_cast<int32_t>(0x8000000Eu));
    bag.write("spacel", int32_t{2});
    bag.write("spacew", int32_t{0});
    bag.write("speedscroll", int32_t{2});
    bag.write("antyalias", true);
    return bag;
}

} // namespace qly
