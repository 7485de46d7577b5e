#include "bundle/bundle_name.h"

#include "common/ascii_case.h"
#include "engine/path_case.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qly {

namespace {

// Longest name accepted; far beyond what any patch tree needs, and it bounds the index.
constexpr std::size_t kMaxNameBytes = 4096;

// True when text is well-formed UTF-8: no stray or truncated sequences, no overlong forms,
// no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        constexpr std::array<char32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::optional<std::string> BundleNameProblem(std::string_view name) {
    if (name.empty()) {
        return "an empty name";
    }
    if (name.size() > kMaxNameBytes) {
        return "a name longer than " + std::to_string(kMaxNameBytes) + " bytes";
    }
    if (!validUtf8(name)) {
        return "a name that is not UTF-8";
    }
    if (name.front() == '\\' || name.front() == '/') {
        return "an absolute path";
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find('\\', start);
        const std::string_view component = name.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (component.empty()) {
            return "an empty folder name";
        }
        if (component == "." || component == "..") {
            return "a \".\" or \"..\" component";
        }
        if (auto problem = WindowsNameProblem(component)) {
            return problem;
        }
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        start = end + 1;
    }
}

namespace {

// The device name that component stands for whatever its extension ("NUL.txt", "com1.dat",
// "COM\u00B9"), in capitals; empty when it is none.
std::string deviceName(std::string_view component) {
    std::string base = AsciiUpperCase(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (base == device) {
            return base;
        }
    }
    if (!base.starts_with("COM") && !base.starts_with("LPT")) {
        return {};
    }
    const std::string_view digit = std::string_view(base).substr(3);
    const bool isDigit = digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9';
    // A superscript one, two or three counts too.
    const bool isSuperscript = digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
    return isDigit || isSuperscript ? base : std::string();
}

} // namespace

std::optional<std::string> WindowsNameProblem(std::string_view component) {
    if (component.empty()) {
        return "an empty name";
    }
    for (char c : component) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "a control character";
        }
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return std::string("the character ") + c;
        }
    }
    // Windows drops a trailing dot or blank, so that two names would meet.
    if (component.back() == '.') {
        return "a dot at its end";
    }
    if (component.back() == ' ') {
        return "a blank at its end";
    }
    if (const std::string device = deviceName(component); !device.empty()) {
        return "the device name " + device;
    }
    return std::nullopt;
}

std::string BundlePathKey(std::string_view path) {
    std::string key = lowerCase(path);
    std::ranges::replace(key, '/', '\\');
    while (key.starts_with(".\\")) {
        key.erase(0, 2);
    }
    key.erase(key.find_last_not_of('\\') + 1);
    return key;
}

} // namespace qly
