// textscroll-render: plays a script of TextScroll calls on an in-memory surface, without
// pauses, and writes the final image as a PNG, for looking at the control without Windows.
//
//   textscroll-render [--scale N] [SCRIPT|-] OUTPUT.png
//
// The script (standard input when it is "-" or missing) holds one call per line, starting
// from the stored properties of the installer's TextScroll1 on a 194 x 184 area:
//   size W H          place the area and make it W x H, filled with the background
//   charset N         the font's charset; later texts are converted to its code page
//   tekst TEXT        a line of UTF-8 text (everything after the first space, kept as is)
//   cls               scroll everything out
//   bar N             the percentage bar
//   antyalias 0|-1, colorfont C, color C, spacel N, spacew N, speedscroll N, fontsize P
// Colours are numbers in the control's form, 0x00BBGGRR or 0x80000000 + n; "0x" for hex.
// Blank lines and lines starting with '#' are skipped.
#include "common/error.h"
#include "platform/posix/code_pages.h"
#include "platform/posix/png_writer.h"
#include "platform/posix/software_surface.h"
#include "textscroll/text_scroll.h"
#include "tools/no_wait_loop.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int64_t number(const std::string& word) {
    size_t used = 0;
    const long long value = std::stoll(word, &used, 0);
    if (used != word.size()) {
        throw qly::Error("not a number: " + word);
    }
    return value;
}

int32_t int32Argument(std::istringstream& args) {
    std::string word;
    if (!(args >> word)) {
        throw qly::Error("a number is missing");
    }
    const int64_t value = number(word);
    if (value < INT32_MIN || value > UINT32_MAX) {
        throw qly::Error("out of range: " + word);
    }
    // Colours above 0x7FFFFFFF are written as unsigned, held as the same 32 bits.
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int16_t int16Argument(std::istringstream& args) {
    const int32_t value = int32Argument(args);
    if (value < INT16_MIN || value > INT16_MAX) {
        throw qly::Error("out of range: " + std::to_string(value));
    }
    return static_cast<int16_t>(value);
}

void play(std::istream& script, qly::TextScroll& control) {
    std::string line;
    int lineNumber = 0;
    while (std::getline(script, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream args(line);
        std::string command;
        if (!(args >> command) || command[0] == '#') {
            continue;
        }
        try {
            if (command == "tekst") {
                const size_t start = line.find("tekst") + 6;
                const std::string text = start <= line.size() ? line.substr(start) : "";
                const unsigned codePage = qly::posix::codePageOfCharset(control.Font().charset);
                control.Tekst(qly::posix::utf8ToCodePage(text, codePage));
            } else if (command == "size") {
                const int32_t w = int32Argument(args);
                const int32_t h = int32Argument(args);
                control.Move({0, 0, w, h});
            } else if (command == "charset") {
                control.SetFontCharset(int32Argument(args));
            } else if (command == "cls") {
                control.Cls();
            } else if (command == "bar") {
                control.Bar(int16Argument(args));
            } else if (command == "antyalias") {
                control.Antyalias(int32Argument(args) != 0);
            } else if (command == "colorfont") {
                control.ColorFont(int32Argument(args));
            } else if (command == "color") {
                control.Color(int32Argument(args));
            } else if (command == "spacel") {
                control.SpaceL(int16Argument(args));
            } else if (command == "spacew") {
                control.SpaceW(int16Argument(args));
            } else if (command == "speedscroll") {
                control.SpeedScroll(int32_t{int16Argument(args)});
            } else if (command == "fontsize") {
                double size = 0;
                if (!(args >> size) || size <= 0) {
                    throw qly::Error("a positive point size is missing");
                }
                control.Font().size = size;
            } else {
                throw qly::Error("unknown call \"" + command + "\"");
            }
        } catch (const std::exception& e) {
            throw qly::Error("line " + std::to_string(lineNumber) + ": " + e.what());
        }
    }
}

// Repeats every pixel scale x scale times, so that single-pixel details can be seen.
std::vector<uint32_t> enlarge(const qly::posix::SoftwareSurface& surface, int32_t scale) {
    const int32_t w = surface.width() * scale;
    const int32_t h = surface.height() * scale;
    std::vector<uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                surface.pixel(x / scale, y / scale);
        }
    }
    return out;
}

int usage() {
    std::cerr << "usage: textscroll-render [--scale N] [SCRIPT|-] OUTPUT.png\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int32_t scale = 1;
    if (args.size() >= 2 && args[0] == "--scale") {
        scale = std::atoi(args[1].c_str());
        args.erase(args.begin(), args.begin() + 2);
        if (scale < 1 || scale > 16) {
            return usage();
        }
    }
    if (args.empty() || args.size() > 2) {
        return usage();
    }
    const std::string output = args.back();
    const std::string scriptPath = args.size() == 2 ? args[0] : "-";
    try {
        qly::posix::SoftwareSurface surface;
        qly::tools::NoWaitLoop loop;
        surface.resize(194, 184, 0);
        qly::TextScroll control(surface, loop);
        control.ReadProperties(qly::TextScroll1Properties());
        if (scriptPath == "-") {
            play(std::cin, control);
        } else {
            std::ifstream script(scriptPath);
            if (!script) {
                throw qly::Error("cannot read " + scriptPath);
            }
            play(script, control);
        }
        if (surface.width() <= 0 || surface.height() <= 0) {
            throw qly::Error("the area is empty; nothing to write");
        }
        qly::posix::writePng(output, surface.width() * scale, surface.height() * scale,
                             enlarge(surface, scale));
    } catch (const std::exception& e) {
        std::cerr << "textscroll-render: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
