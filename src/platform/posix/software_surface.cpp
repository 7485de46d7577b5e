#include "platform/posix/software_surface.h"

#include "common/error.h"
#include "platform/posix/code_pages.h"
#include "platform/surface_clip.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

namespace qly::posix {

namespace {

// GetSysColor's values in the standard Windows scheme, as 0x00BBGGRR, by index.
constexpr std::array<uint32_t, 31> kSystemColours = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x544E43, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

// Coverage at or above this is ink: GDI's non-antialiased text has no half-tones.
constexpr unsigned char kInkThreshold = 128;
// Bounds of the em size in pixels, so that an absurd point size cannot ask for huge glyphs.
constexpr int kMinPixels = 1;
constexpr int kMaxPixels = 1000;

struct LibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// One glyph rendered solid: a mask of inked pixels relative to the pen on the baseline.
struct Glyph {
    int32_t left = 0; // from the pen to the mask's left column
    int32_t top = 0;  // from the baseline up to the mask's top row
    int32_t width = 0;
    int32_t rows = 0;
    std::vector<bool> ink;
    int32_t advance = 0;
};

std::string fileOf(const FontSpec& font) {
    const bool bold = font.weight >= 600;
    if (bold && font.italic) {
        return "LiberationSans-BoldItalic.ttf";
    }
    if (bold) {
        return "LiberationSans-Bold.ttf";
    }
    return font.italic ? "LiberationSans-Italic.ttf" : "LiberationSans-Regular.ttf";
}

int32_t ceilPixels(long fontUnits, int ppem, int unitsPerEm) {
    return static_cast<int32_t>(
        std::ceil(static_cast<double>(fontUnits) * ppem / static_cast<double>(unitsPerEm)));
}

} // namespace

// FreeType's state for the current font: the face, its cell metrics and the glyphs of the
// 256 byte values rendered so far.
struct SoftwareSurface::Typesetter {
    std::string folder;
    LibraryPtr library;
    FacePtr face;
    std::string faceFile;
    std::optional<FontSpec> font;
    FontSpec wanted;
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t underlineTop = 0;
    int32_t underlineRows = 1;
    int32_t strikeTop = 0;
    int32_t strikeRows = 1;
    std::array<std::optional<Glyph>, 256> glyphs;

    // Makes the wanted font the current one, opening its file when it changed.
    void ready() {
        if (font == wanted) {
            return;
        }
        if (!library) {
            FT_Library lib = nullptr;
            if (FT_Init_FreeType(&lib) != 0) {
                throw Error("FreeType cannot start");
            }
            library.reset(lib);
        }
        const std::string file = fileOf(wanted);
        if (!face || faceFile != file) {
            const std::string path = folder + "/" + file;
            FT_Face opened = nullptr;
            if (FT_New_Face(library.get(), path.c_str(), 0, &opened) != 0) {
                throw Error("cannot open the font " + path);
            }
            face.reset(opened);
            faceFile = file;
        }
        // Points to pixels at 96 dots per inch, rounded as GDI's MulDiv rounds.
        const double pixels = std::round(wanted.size * 96.0 / 72.0);
        const int ppem =
            static_cast<int>(std::clamp(pixels, double{kMinPixels}, double{kMaxPixels}));
        if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(ppem)) != 0) {
            throw Error("cannot size the font " + faceFile);
        }
        const int units = face->units_per_EM;
        long winAscent = face->ascender;
        long winDescent = -face->descender;
        long strikePos = face->ascender / 4;
        long strikeSize = face->underline_thickness;
        if (const auto* os2 =
                static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_OS2));
            os2 != nullptr && os2->version != 0xFFFF) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
            strikePos = os2->yStrikeoutPosition;
            strikeSize = os2->yStrikeoutSize;
        }
        ascent = ceilPixels(winAscent, ppem, units);
        descent = ceilPixels(winDescent, ppem, units);
        underlineRows =
            std::max(1, static_cast<int32_t>(std::lround(
                            static_cast<double>(face->underline_thickness) * ppem / units)));
        underlineTop = ascent + static_cast<int32_t>(std::lround(
                                    -static_cast<double>(face->underline_position) * ppem / units));
        underlineTop = std::min(underlineTop, ascent + descent - underlineRows);
        strikeRows = std::max(
            1, static_cast<int32_t>(std::lround(static_cast<double>(strikeSize) * ppem / units)));
        strikeTop = ascent - static_cast<int32_t>(
                                 std::lround(static_cast<double>(strikePos) * ppem / units));
        glyphs = {};
        font = wanted;
    }

    const Glyph& glyph(unsigned char byte) {
        std::optional<Glyph>& slot = glyphs[byte];
        if (slot) {
            return *slot;
        }
        const char32_t ch = toUnicode(byte, codePageOfCharset(font->charset));
        // Index 0 is the font's box for characters it lacks, as GDI shows them.
        const FT_UInt index = FT_Get_Char_Index(face.get(), ch);
        if (FT_Load_Glyph(face.get(), index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
            throw Error("cannot render a glyph of " + faceFile);
        }
        const FT_GlyphSlot g = face->glyph;
        Glyph out;
        out.left = g->bitmap_left;
        out.top = g->bitmap_top;
        out.width = static_cast<int32_t>(g->bitmap.width);
        out.rows = static_cast<int32_t>(g->bitmap.rows);
        out.advance = static_cast<int32_t>((g->advance.x + 32) >> 6);
        out.ink.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.rows));
        for (int32_t r = 0; r < out.rows; ++r) {
            const unsigned char* row =
                g->bitmap.buffer + static_cast<ptrdiff_t>(r) * g->bitmap.pitch;
            for (int32_t c = 0; c < out.width; ++c) {
                const bool inked = g->bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                       ? ((row[c / 8] >> (7 - c % 8)) & 1) != 0
                                       : row[c] >= kInkThreshold;
                out.ink[static_cast<size_t>(r * out.width + c)] = inked;
            }
        }
        slot = std::move(out);
        return *slot;
    }

    int32_t advanceOf(const std::string& bytes) {
        ready();
        int32_t total = 0;
        for (char b : bytes) {
            total += glyph(static_cast<unsigned char>(b)).advance;
        }
        return total;
    }
};

SoftwareSurface::SoftwareSurface(std::string fontFolder)
    : typesetter_(std::make_unique<Typesetter>()) {
    typesetter_->folder = std::move(fontFolder);
}

SoftwareSurface::~SoftwareSurface() = default;
SoftwareSurface::SoftwareSurface(SoftwareSurface&&) noexcept = default;
SoftwareSurface& SoftwareSurface::operator=(SoftwareSurface&&) noexcept = default;

void SoftwareSurface::resize(int32_t w, int32_t h, uint32_t rgb) {
    width_ = std::max(w, 0);
    height_ = std::max(h, 0);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), rgb & 0xFFFFFF);
}

void SoftwareSurface::copyRows(int32_t from, int32_t to, int32_t rows) {
    const ClippedRows r = clipRowCopy(from, to, rows, height_);
    if (r.rows == 0 || width_ == 0) {
        return;
    }
    const auto w = static_cast<size_t>(width_);
    std::memmove(pixels_.data() + static_cast<size_t>(r.to) * w,
                 pixels_.data() + static_cast<size_t>(r.from) * w,
                 static_cast<size_t>(r.rows) * w * sizeof(uint32_t));
}

void SoftwareSurface::setFont(const FontSpec& font) {
    typesetter_->wanted = font;
}

void SoftwareSurface::drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) {
    Typesetter& t = *typesetter_;
    t.ready();
    rgb &= 0xFFFFFF;
    const int64_t baseline = int64_t{y} + t.ascent;
    int64_t pen = x;
    for (char b : bytes) {
        const Glyph& g = t.glyph(static_cast<unsigned char>(b));
        for (int32_t r = 0; r < g.rows; ++r) {
            const int64_t py = baseline - g.top + r;
            if (py < 0 || py >= height_) {
                continue;
            }
            for (int32_t c = 0; c < g.width; ++c) {
                const int64_t px = pen + g.left + c;
                if (px >= 0 && px < width_ && g.ink[static_cast<size_t>(r * g.width + c)]) {
                    pixels_[static_cast<size_t>(py * width_ + px)] = rgb;
                }
            }
        }
        pen += g.advance;
    }
    const FontSpec& font = *t.font;
    const auto rule = [&](int32_t top, int32_t rows) {
        for (int64_t py = int64_t{y} + top; py < int64_t{y} + top + rows; ++py) {
            for (int64_t px = x; px < pen; ++px) {
                if (py >= 0 && py < height_ && px >= 0 && px < width_) {
                    pixels_[static_cast<size_t>(py * width_ + px)] = rgb;
                }
            }
        }
    };
    if (font.underline) {
        rule(t.underlineTop, t.underlineRows);
    }
    if (font.strikethrough) {
        rule(t.strikeTop, t.strikeRows);
    }
}

double SoftwareSurface::textWidth(const std::string& bytes) {
    return typesetter_->advanceOf(bytes);
}

double SoftwareSurface::textHeight(const std::string&) {
    typesetter_->ready();
    return typesetter_->ascent + typesetter_->descent;
}

void SoftwareSurface::fillBlack(int32_t x, int32_t y, int32_t w, int32_t h) {
    const ClippedRect r = clipRect(x, y, w, h, width_, height_);
    for (int32_t row = r.y; row < r.y + r.h; ++row) {
        auto* line = pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(width_);
        std::fill(line + r.x, line + r.x + r.w, 0u);
    }
}

void SoftwareSurface::invert(int32_t x, int32_t y, int32_t w, int32_t h) {
    const ClippedRect r = clipRect(x, y, w, h, width_, height_);
    for (int32_t row = r.y; row < r.y + r.h; ++row) {
        auto* line = pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(width_);
        for (int32_t c = r.x; c < r.x + r.w; ++c) {
            line[c] ^= 0xFFFFFF;
        }
    }
}

uint32_t SoftwareSurface::resolveColor(int32_t colour) const {
    const auto raw = static_cast<uint32_t>(colour);
    if ((raw & 0xFF000000u) == 0x80000000u) {
        const uint32_t index = raw & 0x00FFFFFFu;
        return index < kSystemColours.size() ? kSystemColours[index] : 0;
    }
    return raw & 0xFFFFFF;
}

uint32_t SoftwareSurface::pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

void SoftwareSurface::setPixel(int32_t x, int32_t y, uint32_t rgb) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
        rgb & 0xFFFFFF;
}

} // namespace qly::posix
