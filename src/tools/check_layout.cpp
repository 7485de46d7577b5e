// The layout file as the installer reads it, with the lines where each value stands.
#include "common/ascii_case.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "common/trimmed.h"
#include "game/game_identity.h"
#include "game/steam_library.h"
#include "layout/layout_file.h"
#include "layout/window_geometry.h"
#include "platform/posix/posix_profile_file.h"
#include "tools/bundle.h"
#include "tools/bundle_checks.h"

#include <array>
#include <fstream>
#include <iterator>
#include <map>

namespace qly::tools {
namespace {

constexpr const char* kFile = kLayoutFileName;

struct ControlSection {
    const char* section;
    const char* name; // for the reader of the report
    bool hasHeight;
};

constexpr std::array kControls{
    ControlSection{"linkright", "the right link area", true},
    ControlSection{"linkleft", "the left link area", true},
    ControlSection{"button", "the update button", true},
    ControlSection{"select", "the language selector", false},
    ControlSection{"textscroll", "the text area", true},
};

std::string trimmed(std::string_view s) {
    return std::string(Trimmed(s, " \t\v\f"));
}

// Where sections and keys stand, by the reader's rules: lines end at LF or CR, names compare
// without case and surrounding blanks, the first section and the first key of a name win, and
// a line starting with ";" is a key like any other.
struct LayoutLines {
    std::map<std::string, int32_t> sections;                     // name -> header line
    std::map<std::pair<std::string, std::string>, int32_t> keys; // (section, key) -> line
    std::vector<std::pair<int32_t, std::string>> repeated;       // ignored repetitions
};

LayoutLines locate(std::string text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    LayoutLines out;
    std::string section;
    bool firstOfSection = true;
    int32_t number = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        end = end == std::string::npos ? text.size() : end;
        ++number;
        const std::string line = trimmed(std::string_view(text).substr(at, end - at));
        at = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
        if (line.starts_with('[')) {
            const size_t close = line.rfind(']');
            if (close == std::string::npos) {
                continue;
            }
            section = AsciiLowerCase(trimmed(std::string_view(line).substr(1, close - 1)));
            firstOfSection = out.sections.emplace(section, number).second;
            if (!firstOfSection) {
                out.repeated.emplace_back(number, "section [" + section +
                                                      "] is repeated; only its first one is read");
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos || !firstOfSection) {
            continue;
        }
        const std::string key = AsciiLowerCase(trimmed(std::string_view(line).substr(0, equals)));
        if (!out.keys.emplace(std::make_pair(section, key), number).second) {
            out.repeated.emplace_back(number, "key \"" + key + "\" is repeated in [" + section +
                                                  "]; only its first value is read");
        }
    }
    return out;
}

// True when text is a number as a whole, as a patch maker means it: an optional sign and
// digits, blanks around.
bool plainInteger(const std::string& text) {
    const std::string t = trimmed(text);
    const size_t digits = t.starts_with('-') || t.starts_with('+') ? 1 : 0;
    return t.size() > digits && t.find_first_not_of("0123456789", digits) == std::string::npos;
}

bool overlap(const Rect& a, const Rect& b) {
    return a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0 &&
           a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

std::string describe(const Rect& r) {
    return std::to_string(r.width) + " x " + std::to_string(r.height) + " at " +
           std::to_string(r.left) + ", " + std::to_string(r.top);
}

// One check of the layout file: where its lines stand, what the installer reads from it, and
// the findings so far.
struct LayoutCheck {
    const LayoutLines& lines;
    const LayoutFile& layout;
    std::array<Rect, kControls.size()> rects;
    std::array<bool, kControls.size()> placed{};
    std::vector<Finding>& findings;

    void add(int32_t line, Severity severity, std::string text,
             WarningKind kind = WarningKind::Other) {
        findings.push_back({kFile, line, severity, std::move(text), kind});
    }
    // The header line of control i's section; 0 without one.
    int32_t lineOf(size_t i) const {
        const auto header = lines.sections.find(kControls[i].section);
        return header == lines.sections.end() ? 0 : header->second;
    }
};

// Every control's section and its numbers; placed tells which controls have all of theirs.
void checkControlSections(LayoutCheck& check) {
    for (size_t i = 0; i < kControls.size(); ++i) {
        const ControlSection& control = kControls[i];
        const auto header = check.lines.sections.find(control.section);
        if (header == check.lines.sections.end()) {
            check.add(0, Severity::Error,
                      "section [" + std::string(control.section) + "] is missing: " + control.name +
                          " would stand at the window's corner with no size");
            continue;
        }
        check.placed[i] = true;
        std::vector<std::string> keys{"x", "y", "szer"};
        if (control.hasHeight) {
            keys.push_back("wys");
        }
        for (const std::string& key : keys) {
            const auto at = check.lines.keys.find({control.section, key});
            if (at == check.lines.keys.end()) {
                check.add(header->second, Severity::Error,
                          "[" + std::string(control.section) + "] has no \"" + key +
                              "\": the installer reads 0");
                check.placed[i] = false;
                continue;
            }
            const std::string text = check.layout.ReadIniString(control.section, key);
            const int32_t value = check.layout.ReadIniNumber(control.section, key);
            if (plainInteger(text)) {
                if (value < 0 && (key == "szer" || key == "wys")) {
                    check.add(at->second, Severity::Error, "\"" + key + "\" is negative");
                }
                continue;
            }
            if (value == 0 && text.find_first_of("0123456789") == std::string::npos) {
                check.add(at->second, Severity::Error,
                          "\"" + key + "=" + text + "\" is not a number: the installer reads 0");
                check.placed[i] = false;
            } else {
                check.add(at->second, Severity::Warning,
                          "\"" + key + "=" + text +
                              "\" is not a whole number: the installer reads " +
                              std::to_string(value),
                          WarningKind::Number);
            }
        }
        const Rect& r = check.rects[i];
        if (check.placed[i] && (r.width == 0 || r.height == 0)) {
            check.add(header->second, Severity::Error, control.name + std::string(" has no size"));
        }
    }
}

// The link areas' addresses and the Favorites shortcut's name.
void checkLinks(LayoutCheck& check) {
    for (const char* section : {"linkright", "linkleft"}) {
        const auto at = check.lines.keys.find({section, "link"});
        if (check.lines.sections.contains(section) &&
            check.layout.ReadIniString(section, "link").empty()) {
            check.add(at == check.lines.keys.end() ? check.lines.sections.at(section) : at->second,
                      Severity::Warning,
                      "[" + std::string(section) + "] has no \"link\": its area opens nothing",
                      WarningKind::Link);
        }
    }
    if (!check.layout.ReadIniString("favorites", "link").empty() &&
        check.layout.ReadIniString("favorites", "title").empty()) {
        check.add(check.lines.sections.at("favorites"), Severity::Error,
                  "[favorites] has a \"link\" but no \"title\": the shortcut would have no name");
    }
}

// Every placed control inside the skin, clear of its rounded corners and of the window's own
// buttons.
void checkAgainstSkin(LayoutCheck& check, const Rect& skin) {
    const int32_t w = skin.width;
    const int32_t h = skin.height;
    const Rect closeButton = CloseButtonArea(w);
    const Rect minimizeButton = MinimizeButtonArea(w);
    for (size_t i = 0; i < kControls.size(); ++i) {
        const Rect& r = check.rects[i];
        if (!check.placed[i] || r.width == 0 || r.height == 0) {
            continue;
        }
        if (r.left < 0 || r.top < 0 || r.left + r.width > w || r.top + r.height > h) {
            check.add(check.lineOf(i), Severity::Error,
                      std::string(kControls[i].name) + " (" + describe(r) +
                          ") reaches outside the skin (" + std::to_string(w) + " x " +
                          std::to_string(h) + ")");
        } else if (!InsideRoundRegion(r.left, r.top, w, h) ||
                   !InsideRoundRegion(r.left + r.width - 1, r.top, w, h) ||
                   !InsideRoundRegion(r.left, r.top + r.height - 1, w, h) ||
                   !InsideRoundRegion(r.left + r.width - 1, r.top + r.height - 1, w, h)) {
            check.add(check.lineOf(i), Severity::Warning,
                      std::string(kControls[i].name) +
                          " reaches into a rounded corner, where the window is cut off",
                      WarningKind::Corner);
        }
        for (const auto& [button, name] : {std::pair{closeButton, "the close button"},
                                           std::pair{minimizeButton, "the minimize button"}}) {
            if (overlap(r, button)) {
                check.add(check.lineOf(i), Severity::Error,
                          std::string(kControls[i].name) + " (" + describe(r) + ") covers " + name +
                              " (" + describe(button) + ")");
            }
        }
    }
}

// No two placed controls on the same pixels.
void checkOverlaps(LayoutCheck& check) {
    for (size_t i = 0; i < kControls.size(); ++i) {
        for (size_t j = i + 1; j < kControls.size(); ++j) {
            if (check.placed[i] && check.placed[j] && overlap(check.rects[i], check.rects[j])) {
                check.add(check.lineOf(j), Severity::Error,
                          std::string(kControls[j].name) + " (" + describe(check.rects[j]) +
                              ") overlaps " + kControls[i].name + " (" + describe(check.rects[i]) +
                              ")");
            }
        }
    }
}

// The game's identity in [game]: keys the installer would skip or never find the game with.
void checkGame(LayoutCheck& check) {
    const auto lineOf = [&](const char* key) {
        const auto at = check.lines.keys.find({kGameSection, key});
        return at == check.lines.keys.end() ? 0 : at->second;
    };
    const auto text = [&](const char* key) {
        return trimmed(check.layout.ReadIniString(kGameSection, key));
    };
    const std::string keys = check.layout.ReadIniString(kGameSection, "registry");
    for (size_t at = 0; at <= keys.size();) {
        const size_t end = std::min(keys.find(';', at), keys.size());
        const std::string key = trimmed(std::string_view(keys).substr(at, end - at));
        if (!key.empty() && !ParseGameRegistryKey(key)) {
            check.add(lineOf("registry"), Severity::Error,
                      "registry key \"" + key +
                          "\" is skipped: write it as HKLM\\... or HKCU\\... with the key below");
        }
        at = end + 1;
    }
    if (const std::string steam = text("steam"); !steam.empty() && !IsSteamAppId(steam)) {
        check.add(lineOf("steam"), Severity::Error,
                  "\"steam=" + steam +
                      "\" is not a Steam app id (a number): the game is never "
                      "found there");
    }
    for (const char* store : {"gog", "uninstall"}) {
        if (text(store).find('\\') != std::string::npos) {
            check.add(lineOf(store), Severity::Error,
                      "\"" + std::string(store) +
                          "\" names one key, without \"\\\": the game "
                          "is never found there");
        }
    }
    if (const std::string exe = text("exe"); !exe.empty()) {
        if (const std::string problem = GameProgramNameProblem(exe); !problem.empty()) {
            check.add(lineOf("exe"), Severity::Error,
                      "\"exe=" + exe + "\" cannot be the game's program (" + problem +
                          "): no folder is ever taken for the game's");
        }
    }
    const std::string caption = check.layout.ReadIniString(kGameSection, "caption");
    if (!caption.empty() && caption.find("%1") == std::string::npos) {
        check.add(lineOf("caption"), Severity::Warning,
                  "\"caption\" has no %1: the window's caption shows no percentage while the "
                  "patch is copied",
                  WarningKind::Caption);
    }
}

} // namespace

int32_t LayoutLine(const std::string& text, const std::string& section, const std::string& key) {
    const LayoutLines lines = locate(text);
    if (key.empty()) {
        const auto found = lines.sections.find(section);
        return found == lines.sections.end() ? 0 : found->second;
    }
    const auto found = lines.keys.find({section, key});
    return found == lines.keys.end() ? 0 : found->second;
}

void CheckLayout(const std::filesystem::path& bundle, std::optional<Rect> skin,
                 std::vector<Finding>& findings) {
    const std::filesystem::path path = bundle / kFile;
    std::string text;
    try {
        text = ReadWhole(path);
    } catch (const Error&) {
        findings.push_back({kFile, 0, Severity::Error,
                            "missing: every control would stand at the window's corner with no "
                            "size"});
        return;
    }
    const LayoutLines lines = locate(std::move(text));
    for (const auto& [line, repeated] : lines.repeated) {
        findings.push_back({kFile, line, Severity::Warning, repeated, WarningKind::Repeated});
    }
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, path.string());
    const WindowLayout areas = ReadWindowLayout(bundle);
    LayoutCheck check{lines,
                      layout,
                      {areas.linkRight, areas.linkLeft, areas.button, areas.select, areas.textArea},
                      {},
                      findings};
    checkControlSections(check);
    checkLinks(check);
    checkGame(check);
    if (skin) {
        checkAgainstSkin(check, *skin);
    }
    checkOverlaps(check);
}

} // namespace qly::tools
