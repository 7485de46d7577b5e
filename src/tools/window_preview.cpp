#include "tools/window_preview.h"

#include "common/error.h"
#include "languages/language_state.h"
#include "languages/message_lines.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/software_surface.h"
#include "tools/bundle.h"
#include "tools/language_file_check.h"
#include "tools/offscreen_text_area.h"
#include "tools/window_shape.h"

#include <cmath>

namespace qly::tools {
namespace {

// Colours of the standard Windows scheme, 0x00BBGGRR.
constexpr uint32_t kButtonFace = 0xF0F0F0;
constexpr uint32_t kButtonShadow = 0xA0A0A0;
constexpr uint32_t kButtonDark = 0x696969;
constexpr uint32_t kWindowWhite = 0xFFFFFF;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGreyText = 0x6D6D6D;
constexpr uint32_t kLinkOutline = 0x00FFFF; // yellow: the link areas are invisible on Windows
constexpr int32_t kDropButtonWidth = 17;

// The controls' font: 11 pixels to the em, as the installer creates it.
FontSpec controlFont(int32_t charset) {
    FontSpec font;
    font.face = "Tahoma";
    font.size = 8.25;
    font.charset = charset;
    return font;
}

void fill(posix::SoftwareSurface& s, const Rect& r, uint32_t rgb) {
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        for (int32_t x = r.left; x < r.left + r.width; ++x) {
            s.setPixel(x, y, rgb);
        }
    }
}

void frame(posix::SoftwareSurface& s, const Rect& r, uint32_t rgb, int32_t dotEvery = 1) {
    int32_t n = 0;
    const auto dot = [&](int32_t x, int32_t y) {
        if (n++ % dotEvery == 0) {
            s.setPixel(x, y, rgb);
        }
    };
    for (int32_t x = r.left; x < r.left + r.width; ++x) {
        dot(x, r.top);
        dot(x, r.top + r.height - 1);
    }
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        dot(r.left, y);
        dot(r.left + r.width - 1, y);
    }
}

// A push button: face, edges, and the caption centred in the control font.
void button(posix::SoftwareSurface& s, const Rect& r, const std::string& caption, int32_t charset,
            bool enabled) {
    if (r.width <= 0 || r.height <= 0) {
        return;
    }
    fill(s, r, kButtonFace);
    frame(s, r, kButtonDark);
    frame(s, {r.left + 1, r.top + 1, r.width - 2, r.height - 2}, kButtonShadow);
    s.setFont(controlFont(charset));
    const auto w = static_cast<int32_t>(std::lround(s.textWidth(caption)));
    const auto h = static_cast<int32_t>(std::lround(s.textHeight(caption)));
    s.drawText(r.left + (r.width - w) / 2, r.top + (r.height - h) / 2, caption,
               enabled ? kText : kGreyText);
}

// The glyph of the close (a cross) or minimize (a bar) button, drawn in pixels.
void chromeButton(posix::SoftwareSurface& s, const Rect& r, bool close) {
    fill(s, r, kButtonFace);
    frame(s, r, kButtonDark);
    for (int32_t i = 6; i < r.width - 6; ++i) {
        if (close) {
            s.setPixel(r.left + i, r.top + i, kText);
            s.setPixel(r.left + r.width - 1 - i, r.top + i, kText);
        } else {
            s.setPixel(r.left + i, r.top + r.height - 7, kText);
            s.setPixel(r.left + i, r.top + r.height - 6, kText);
        }
    }
}

// The drop-down list with the chosen language's name, drawn in the name's own charset.
void selector(posix::SoftwareSurface& s, const Rect& r, const std::string& name, int32_t charset,
              bool enabled) {
    if (r.width <= 0) {
        return;
    }
    fill(s, r, enabled ? kWindowWhite : kButtonFace);
    frame(s, r, kButtonShadow);
    const Rect drop{r.left + r.width - kDropButtonWidth - 1, r.top + 1, kDropButtonWidth,
                    r.height - 2};
    fill(s, drop, kButtonFace);
    frame(s, drop, kButtonShadow);
    const int32_t cx = drop.left + drop.width / 2;
    const int32_t cy = drop.top + drop.height / 2;
    for (int32_t i = 0; i < 4; ++i) {
        for (int32_t x = cx - 3 + i; x <= cx + 3 - i; ++x) {
            s.setPixel(x, cy - 2 + i, enabled ? kText : kGreyText);
        }
    }
    s.setFont(controlFont(charset));
    const auto h = static_cast<int32_t>(std::lround(s.textHeight(name)));
    s.drawText(r.left + 4, r.top + (r.height - h) / 2, name, enabled ? kText : kGreyText);
}

// Plays on the text area what the window shows in state, with the language in lang.
void playState(TextScroll& area, const LanguageState& lang, const PreviewOptions& options) {
    // Start-up's language switch: cleared, then the introduction.
    area.Cls();
    ShowMessageLines(lang, area, "przed");
    if (options.state == PreviewState::Start) {
        return;
    }
    area.Tekst(" "); // the update button's first line
    if (options.state == PreviewState::NotFound) {
        ShowMessageLines(lang, area, "neg");
        return;
    }
    area.Tekst(" "); // before the copy
    if (options.state == PreviewState::Copying) {
        area.Bar(options.percent);
        return;
    }
    if (options.state == PreviewState::Done) {
        area.Bar(100);
    }
    area.Tekst(" "); // after a copy that did not fail
    if (options.state == PreviewState::Done) {
        ShowMessageLines(lang, area, "poz");
    } else {
        area.Tekst(lang.LangText("brak miejsca"));
    }
}

} // namespace

WindowPicture RenderWindow(const std::filesystem::path& bundle, const PreviewOptions& options) {
    const BmpImage skin = ReadSkin(bundle);
    if (skin.compressed) {
        throw Error("the skin is run-length encoded; the preview cannot draw it");
    }
    // The code as the installer holds it: three characters, padded with blanks. A code given
    // in small letters finds a file of the same code in capitals when there is no exact one.
    const auto asCode = [](std::string code, bool upper) {
        code = code.substr(0, 3);
        code.resize(3, ' ');
        for (char& c : code) {
            c = upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        }
        return code;
    };
    const std::vector<BundleLanguage> languages = ReadLanguages(bundle);
    const BundleLanguage* chosen = nullptr;
    for (const bool upper : {false, true}) {
        for (const BundleLanguage& lang : languages) {
            const std::string code = LanguageHeaderCode(lang.bytes).value_or("");
            if (chosen == nullptr && asCode(code, upper) == asCode(options.language, upper)) {
                chosen = &lang;
            }
        }
    }
    if (chosen == nullptr) {
        throw Error("no language file with the code " + options.language);
    }
    posix::PosixFileSystem unused;
    LanguageState lang(unused);
    lang.LangBuffer = chosen->bytes;
    const int32_t charset = LanguageCharset(chosen->bytes).value_or(0);
    const WindowLayout layout = ReadWindowLayout(bundle);

    const int32_t w = skin.width;
    const int32_t h = skin.height;
    posix::SoftwareSurface window;
    window.resize(w, h, 0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            window.setPixel(x, y, skin.pixels[static_cast<size_t>(y) * w + x]);
        }
    }

    const bool copying = options.state == PreviewState::Copying;
    for (const auto& [area, section] :
         {std::pair{layout.linkRight, "linkright"}, std::pair{layout.linkLeft, "linkleft"}}) {
        if (area.width > 0 && area.height > 0) {
            frame(window, area, kLinkOutline, 2);
        }
    }
    // The caption changes to the exit text only when the run is over.
    const bool runOver = options.state != PreviewState::Start && !copying;
    button(window, layout.button, lang.LangText(runOver ? "wyjdz" : "instaluj"), charset, !copying);
    chromeButton(window, MinimizeButtonArea(w), false);
    chromeButton(window, CloseButtonArea(w), true);
    selector(window, layout.select, lang.LangText("#jezyk"), charset, !copying);

    OffscreenTextArea text(layout.textArea, charset);
    playState(text.control(), lang, options);
    const Rect& a = layout.textArea;
    for (int32_t y = 0; y < text.surface().height(); ++y) {
        for (int32_t x = 0; x < text.surface().width(); ++x) {
            window.setPixel(a.left + x, a.top + y, text.surface().pixel(x, y));
        }
    }

    WindowPicture picture{w, h, window.pixels(), a};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (!InsideRoundRegion(x, y, w, h)) {
                picture.pixels[static_cast<size_t>(y) * w + x] = 0;
            }
        }
    }
    return picture;
}

} // namespace qly::tools
