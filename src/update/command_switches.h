// The installer's command-line switches, as installer users know them: /SILENT, /VERYSILENT,
// /DIR="folder", /LANG=XXX, /LOG="file", /? and /HELP; "/" or "-", any letter case, values
// with blanks in double quotes. The one word "-reset" alone keeps its own meaning.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

struct Switches {
    bool silent = false;     // the window runs the update by itself and closes at the end
    bool verySilent = false; // no window at all
    bool help = false;
    // The whole command line is exactly "-reset": no progress display.
    bool reset = false;
    std::optional<std::string> dir;  // the game folder
    std::optional<std::string> lang; // the header code of the language, upper case
    std::optional<std::string> log;  // the log file
    // Arguments that are not switches; they change nothing.
    std::vector<std::string> others;
    // Why the command line is refused (the first unknown switch, a value on a switch that
    // takes none, a missing value); empty when it is accepted. The switches around the
    // refused one are still read, so that a refused run knows where to log and whether it
    // may show a message box.
    std::string refused;

    // Neither /SILENT nor /VERYSILENT: a user works the window.
    bool attended() const { return !silent && !verySilent; }
};

// Whether the arguments part of a command line is exactly "-reset" (same letters, same case,
// nothing before or after), which switches the progress display off.
bool HidesProgress(std::string_view commandLine);

// The arguments of a command line (the part after the program's name), split at blanks
// outside double quotes, with the quotes removed.
std::vector<std::string> SplitArguments(std::string_view commandLine);

// The switches of the arguments part of a command line. A later switch of the same name wins.
Switches ParseSwitches(std::string_view commandLine);

// The switches and the exit codes, one per line, for /? and for a refused command line.
std::string UsageText();

} // namespace qly
