#include "tools/window_preview.h"

#include "chrome_pictures.h"
#include "common/error.h"
#include "languages/language_state.h"
#include "languages/message_lines.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/software_surface.h"
#include "tools/bundle.h"
#include "tools/language_file_check.h"
#include "tools/offscreen_text_area.h"
#include "layout/window_geometry.h"

#include <cmath>

namespace qly::tools {
namespace {

// Colours of the controls as the Windows program shows them under wine, 0x00BBGGRR.
constexpr uint32_t kButtonFace = 0xFFFFFF;
constexpr uint32_t kButtonFrame = 0xFA9630;
constexpr uint32_t kFrameGrey = 0xAEAEAE;
constexpr uint32_t kArrowGrey = 0x656565;
constexpr uint32_t kDisabledFace = 0xF0F0F0;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGreyText = 0x6D6D6D;
constexpr uint32_t kLinkOutline = 0x00FFFF; // yellow: the link areas are invisible on Windows
constexpr int32_t kDropButtonWidth = 17;
constexpr int32_t kFocusInset = 3;

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

// A one-pixel frame; with dotEvery 2, every other pixel, as focus and link outlines are drawn.
void frame(posix::SoftwareSurface& s, const Rect& r, uint32_t rgb, int32_t dotEvery = 1) {
    const auto dot = [&](int32_t x, int32_t y) {
        if ((x - r.left + y - r.top + 1) % dotEvery == 0) {
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

// A push button: face, frame, the focus dots when it has the focus, and the caption centred in
// the control font.
void button(posix::SoftwareSurface& s, const Rect& r, const std::string& caption, int32_t charset,
            bool enabled, bool focused) {
    if (r.width <= 0 || r.height <= 0) {
        return;
    }
    fill(s, r, enabled ? kButtonFace : kDisabledFace);
    frame(s, r, enabled ? kButtonFrame : kFrameGrey);
    if (focused) {
        frame(s,
              {r.left + kFocusInset, r.top + kFocusInset, r.width - 2 * kFocusInset,
               r.height - 2 * kFocusInset},
              kText, 2);
    }
    s.setFont(controlFont(charset));
    const auto w = static_cast<int32_t>(std::lround(s.textWidth(caption)));
    const auto h = static_cast<int32_t>(std::lround(s.textHeight(caption)));
    s.drawText(r.left + (r.width - w - 1) / 2, r.top + (r.height - h + 1) / 2, caption,
               enabled ? kText : kGreyText);
}

// A button showing one of the installer's own pictures, centred as a picture button centres it.
template <size_t N>
void pictureButton(posix::SoftwareSurface& s, const Rect& r, const unsigned char (&file)[N]) {
    const BmpImage picture = ReadBmp(std::string(reinterpret_cast<const char*>(file), N));
    fill(s, r, kButtonFace);
    const int32_t left = r.left + (r.width - picture.width) / 2;
    const int32_t top = r.top + (r.height - picture.height) / 2;
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            if (left + x >= r.left && left + x < r.left + r.width && top + y >= r.top &&
                top + y < r.top + r.height) {
                s.setPixel(left + x, top + y,
                           picture.pixels[static_cast<size_t>(y) * picture.width + x]);
            }
        }
    }
}

// The drop-down list with the chosen language's name, drawn in the name's own charset.
void selector(posix::SoftwareSurface& s, const Rect& r, const std::string& name, int32_t charset,
              bool enabled) {
    if (r.width <= 0) {
        return;
    }
    fill(s, r, enabled ? kButtonFace : kDisabledFace);
    frame(s, r, kFrameGrey);
    const Rect drop{r.left + r.width - kDropButtonWidth - 2, r.top + 2, kDropButtonWidth,
                    r.height - 4};
    frame(s, drop, kFrameGrey);
    // A chevron pointing down.
    const int32_t cx = drop.left + drop.width / 2;
    const int32_t cy = drop.top + drop.height / 2 - 2;
    for (int32_t i = 0; i < 4; ++i) {
        s.setPixel(cx - 3 + i, cy + i, kArrowGrey);
        s.setPixel(cx + 3 - i, cy + i, kArrowGrey);
    }
    s.setFont(controlFont(charset));
    const auto h = static_cast<int32_t>(std::lround(s.textHeight(name)));
    s.drawText(r.left + 4, r.top + (r.height - h + 1) / 2, name, enabled ? kText : kGreyText);
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

// The first language whose header code is code, as the installer holds codes (three
// characters, padded with blanks); a code given in small letters finds one in capitals when
// there is no exact match. Null when there is none.
const BundleLanguage* languageWithCode(const std::vector<BundleLanguage>& languages,
                                       const std::string& code) {
    const auto asCode = [](std::string text, bool upper) {
        text = text.substr(0, 3);
        text.resize(3, ' ');
        for (char& c : text) {
            c = upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        }
        return text;
    };
    for (const bool upper : {false, true}) {
        for (const BundleLanguage& lang : languages) {
            const std::string own = LanguageHeaderCode(lang.bytes).value_or("");
            if (asCode(own, upper) == asCode(code, upper)) {
                return &lang;
            }
        }
    }
    return nullptr;
}

} // namespace

WindowPicture RenderWindow(const std::filesystem::path& bundle, const PreviewOptions& options) {
    const BmpImage skin = ReadSkin(bundle);
    if (skin.compressed) {
        throw Error("the skin is run-length encoded; the preview cannot draw it");
    }
    const std::vector<BundleLanguage> languages = ReadLanguages(bundle);
    const BundleLanguage* chosen = languageWithCode(languages, options.language);
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
    for (const Rect& area : {layout.linkRight, layout.linkLeft}) {
        if (area.width > 0 && area.height > 0) {
            frame(window, area, kLinkOutline, 2);
        }
    }
    // The caption changes to the exit text only when the run is over.
    const bool runOver = options.state != PreviewState::Start && !copying;
    // After start-up and after the run the button has the keyboard focus.
    button(window, layout.button, lang.LangText(runOver ? "wyjdz" : "instaluj"), charset, !copying,
           !copying);
    pictureButton(window, MinimizeButtonArea(w), generated::kMinimizePicture);
    pictureButton(window, CloseButtonArea(w), generated::kClosePicture);
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
