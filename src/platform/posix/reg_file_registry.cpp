#include "platform/posix/reg_file_registry.h"

#include "common/ascii_case.h"
#include "common/utf8.h"

#include <fstream>

namespace qly::posix {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The UTF-16 unit of a "\x" escape whose "x" is at line[pos]: up to four hex digits, which pos
// is moved onto the last of; 0 when there are none.
char32_t readHexUnit(const std::string& line, std::size_t& pos) {
    char32_t code = 0;
    for (int digits = 0; digits < 4 && pos + 1 < line.size() && hexDigit(line[pos + 1]) >= 0;
         ++digits) {
        code = code * 16 + static_cast<char32_t>(hexDigit(line[++pos]));
    }
    return code;
}

// Reads a quoted string starting at line[pos] == '"'; on success pos is past the closing
// quote. Escapes are undone; a NUL ends the text (the rest is read but dropped).
bool readQuoted(const std::string& line, std::size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"') {
        return false;
    }
    out.clear();
    bool cut = false;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        std::string piece(1, c);
        if (c == '\\' && pos + 1 < line.size()) {
            const char e = line[++pos];
            piece.clear();
            if (e == 'n') {
                piece = "\n";
            } else if (e == 'r') {
                piece = "\r";
            } else if (e == 't') {
                piece = "\t";
            } else if (e == '0') {
                cut = true;
            } else if (e == 'x') {
                char32_t code = readHexUnit(line, pos);
                // The units are UTF-16: a character beyond U+FFFF comes as a surrogate pair.
                if (code >= 0xD800 && code <= 0xDBFF && line.compare(pos + 1, 2, "\\x") == 0) {
                    std::size_t next = pos + 2;
                    const char32_t low = readHexUnit(line, next);
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                        pos = next;
                    }
                }
                if (code >= 0xD800 && code <= 0xDFFF) {
                    code = 0xFFFD; // half of a pair has no UTF-8 form
                }
                if (code == 0) {
                    cut = true;
                } else {
                    AppendUtf8(piece, code);
                }
            } else {
                piece = std::string(1, e);
            }
        }
        if (!cut) {
            out += piece;
        }
    }
    return false; // no closing quote
}

// The key name of a section line "[name] timestamp", with "\\" read as "\".
bool sectionName(const std::string& line, std::string& name) {
    if (line.empty() || line[0] != '[') {
        return false;
    }
    name.clear();
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == ']') {
            return true;
        }
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
            ++i;
        }
        name += line[i];
    }
    return false;
}

} // namespace

std::optional<std::string> RegFileRegistry::readString(RegistryRoot /*one hive per file*/,
                                                       const std::string& subKey,
                                                       const std::string& valueName) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return ReadRegFileString(in, subKey, valueName);
}

std::optional<std::string> ReadRegFileString(std::istream& in, const std::string& subKey,
                                             const std::string& valueName) {
    const std::string wantedKey = AsciiLowerCase(subKey);
    const std::string wantedValue = AsciiLowerCase(valueName.empty() ? "@" : valueName);
    bool inKey = false;
    bool keySeen = false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::string name;
        if (sectionName(line, name)) {
            if (keySeen) {
                return std::nullopt; // only the first matching key counts
            }
            inKey = AsciiLowerCase(name) == wantedKey;
            keySeen = inKey;
            continue;
        }
        if (!inKey || line.empty()) {
            continue;
        }
        std::size_t pos = 0;
        std::string valueKey;
        if (line[0] == '@') {
            valueKey = "@";
            pos = 1;
        } else if (!readQuoted(line, pos, valueKey)) {
            continue;
        }
        if (AsciiLowerCase(valueKey) != wantedValue) {
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            return std::nullopt;
        }
        ++pos;
        std::string text;
        // Only "..." is REG_SZ; str(2):, dword:, hex: and the rest are other types.
        if (!readQuoted(line, pos, text)) {
            return std::nullopt;
        }
        return text;
    }
    return std::nullopt;
}

} // namespace qly::posix
