// Layout files as editors write them, with the answers the Windows profile reader gives; the
// Linux reader's tests and the cross-check against the real reader under wine share them.
#pragma once

#include <string>
#include <vector>

namespace qly::test {

struct ProfileCase {
    std::string section;
    std::string key;
    std::string answer; // "dflt" is the default the lookup passes
};

struct ProfileFileCases {
    std::string name;
    std::string text;
    std::vector<ProfileCase> cases;
};

inline std::vector<ProfileFileCases> EditorProfileCases() {
    return {
        // Lone CR line ends, as old editors write them.
        {"cr.ini",
         "[button]\rx=306\ry = 214\r\r[select]\rszer=124\r",
         {{"button", "x", "306"},
          {"button", "y", "214"},
          {"select", "szer", "124"},
          {"button", "szer", "dflt"}}},
        // Blanks around section and key names, in the file and in the question.
        {"blanks.ini",
         "[  textscroll\t]\n  x  =22\n\twys\t= 176 \n[ linkleft ]\nlink = https://q.example/ \n",
         {{"textscroll", "x", "22"},
          {" textscroll ", " wys ", "176"},
          {"linkleft", "link", "https://q.example/"},
          {"linkleft ", "link\t", "https://q.example/"}}},
        // A line that starts with ";" is a key like any other, not a comment.
        {"semicolon.ini",
         "[favorites]\n;title=Quillory Online\n; link = https://q.example/\ntitle=Real\n",
         {{"favorites", ";title", "Quillory Online"},
          {"favorites", "; link", "https://q.example/"},
          {"favorites", "title", "Real"},
          {"favorites", "link", "dflt"}}},
    };
}

// A section's key names in the file's order, as both readers list them.
struct ProfileKeysCase {
    std::string name;
    std::string text;
    std::string section;
    std::vector<std::string> keys;
};

inline std::vector<ProfileKeysCase> ProfileKeysCases() {
    return {
        {"order.ini",
         "[favorites]\r\ntitle=Q\r\n[game]\r\nsteam=1\r\nregistry=HKLM\\A\r\n gog = 2\r\n"
         "\r\n[other]\r\nuninstall=x\r\n",
         "game",
         {"steam", "registry", "gog"}},
        {"case.ini", "[GAME]\nExe=a.exe\n", "game", {"Exe"}},
        {"none.ini", "[button]\nx=1\n", "game", {}},
    };
}

} // namespace qly::test
