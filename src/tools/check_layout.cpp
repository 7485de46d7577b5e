// The layout file as the installer reads it, with the lines where each value stands.
#include "common/bundle_files.h"
#include "layout/layout_file.h"
#include "platform/posix/posix_profile_file.h"
#include "tools/bundle_checks.h"
#include "tools/window_shape.h"

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
    const size_t first = s.find_first_not_of(" \t\v\f");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(s.substr(first, s.find_last_not_of(" \t\v\f") - first + 1));
}

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return s;
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
            section = lower(trimmed(std::string_view(line).substr(1, close - 1)));
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
        const std::string key = lower(trimmed(std::string_view(line).substr(0, equals)));
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

} // namespace

void CheckLayout(const std::filesystem::path& bundle, std::optional<Rect> skin,
                 std::vector<Finding>& findings) {
    const std::filesystem::path path = bundle / kFile;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        findings.push_back({kFile, 0, Severity::Error,
                            "missing: every control would stand at the window's corner with no "
                            "size"});
        return;
    }
    const LayoutLines lines =
        locate(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    const auto add = [&](int32_t line, Severity severity, std::string text) {
        findings.push_back({kFile, line, severity, std::move(text)});
    };
    for (const auto& [line, text] : lines.repeated) {
        add(line, Severity::Warning, text);
    }

    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, path.string());
    const WindowLayout areas = ReadWindowLayout(bundle);
    const std::array<Rect, kControls.size()> rects{areas.linkRight, areas.linkLeft, areas.button,
                                                   areas.select, areas.textArea};
    std::array<bool, kControls.size()> placed{};
    for (size_t i = 0; i < kControls.size(); ++i) {
        const ControlSection& control = kControls[i];
        const auto header = lines.sections.find(control.section);
        if (header == lines.sections.end()) {
            add(0, Severity::Error,
                "section [" + std::string(control.section) + "] is missing: " + control.name +
                    " would stand at the window's corner with no size");
            continue;
        }
        placed[i] = true;
        std::vector<std::string> keys{"x", "y", "szer"};
        if (control.hasHeight) {
            keys.push_back("wys");
        }
        for (const std::string& key : keys) {
            const auto at = lines.keys.find({control.section, key});
            if (at == lines.keys.end()) {
                add(header->second, Severity::Error,
                    "[" + std::string(control.section) + "] has no \"" + key +
                        "\": the installer reads 0");
                placed[i] = false;
                continue;
            }
            const std::string text = layout.ReadIniString(control.section, key);
            const int32_t value = layout.ReadIniNumber(control.section, key);
            if (plainInteger(text)) {
                if (value < 0 && (key == "szer" || key == "wys")) {
                    add(at->second, Severity::Error, "\"" + key + "\" is negative");
                }
                continue;
            }
            if (value == 0 && text.find_first_of("0123456789") == std::string::npos) {
                add(at->second, Severity::Error,
                    "\"" + key + "=" + text + "\" is not a number: the installer reads 0");
                placed[i] = false;
            } else {
                add(at->second, Severity::Warning,
                    "\"" + key + "=" + text + "\" is not a whole number: the installer reads " +
                        std::to_string(value));
            }
        }
        const Rect& r = rects[i];
        if (placed[i] && (r.width == 0 || r.height == 0)) {
            add(header->second, Severity::Error, control.name + std::string(" has no size"));
        }
    }
    for (const char* section : {"linkright", "linkleft"}) {
        const auto at = lines.keys.find({section, "link"});
        if (lines.sections.contains(section) && layout.ReadIniString(section, "link").empty()) {
            add(at == lines.keys.end() ? lines.sections.at(section) : at->second, Severity::Warning,
                "[" + std::string(section) + "] has no \"link\": its area opens nothing");
        }
    }
    if (!layout.ReadIniString("favorites", "link").empty() &&
        layout.ReadIniString("favorites", "title").empty()) {
        add(lines.sections.at("favorites"), Severity::Error,
            "[favorites] has a \"link\" but no \"title\": the shortcut would have no name");
    }

    const auto lineOf = [&](size_t i) {
        const auto header = lines.sections.find(kControls[i].section);
        return header == lines.sections.end() ? 0 : header->second;
    };
    if (skin) {
        const int32_t w = skin->width;
        const int32_t h = skin->height;
        const Rect closeButton = CloseButtonArea(w);
        const Rect minimizeButton = MinimizeButtonArea(w);
        for (size_t i = 0; i < kControls.size(); ++i) {
            const Rect& r = rects[i];
            if (!placed[i] || r.width == 0 || r.height == 0) {
                continue;
            }
            if (r.left < 0 || r.top < 0 || r.left + r.width > w || r.top + r.height > h) {
                add(lineOf(i), Severity::Error,
                    std::string(kControls[i].name) + " (" + describe(r) +
                        ") reaches outside the skin (" + std::to_string(w) + " x " +
                        std::to_string(h) + ")");
            } else if (!InsideRoundRegion(r.left, r.top, w, h) ||
                       !InsideRoundRegion(r.left + r.width - 1, r.top, w, h) ||
                       !InsideRoundRegion(r.left, r.top + r.height - 1, w, h) ||
                       !InsideRoundRegion(r.left + r.width - 1, r.top + r.height - 1, w, h)) {
                add(lineOf(i), Severity::Warning,
                    std::string(kControls[i].name) +
                        " reaches into a rounded corner, where the window is cut off");
            }
            for (const auto& [button, name] : {std::pair{closeButton, "the close button"},
                                               std::pair{minimizeButton, "the minimize button"}}) {
                if (overlap(r, button)) {
                    add(lineOf(i), Severity::Error,
                        std::string(kControls[i].name) + " (" + describe(r) + ") covers " + name +
                            " (" + describe(button) + ")");
                }
            }
        }
    }
    for (size_t i = 0; i < kControls.size(); ++i) {
        for (size_t j = i + 1; j < kControls.size(); ++j) {
            if (placed[i] && placed[j] && overlap(rects[i], rects[j])) {
                add(lineOf(j), Severity::Error,
                    std::string(kControls[j].name) + " (" + describe(rects[j]) + ") overlaps " +
                        kControls[i].name + " (" + describe(rects[i]) + ")");
            }
        }
    }
}

} // namespace qly::tools
