#include "update/command_switches.h"

#include "common/ascii_case.h"
#include "update/exit_codes.h"

#include <algorithm>
#include <array>

namespace qly {

namespace {

enum class Kind { Silent, VerySilent, Dir, Lang, Log, Help, Reset };

struct SwitchRow {
    std::string_view name; // upper case, without "/"
    Kind kind;
    bool takesValue;
    std::string_view usage; // empty for the ones the usage text leaves out
};

constexpr std::array kSwitches{
    SwitchRow{"SILENT", Kind::Silent, false,
              "/SILENT          the window runs the update by itself and closes at the end"},
    SwitchRow{"VERYSILENT", Kind::VerySilent, false,
              "/VERYSILENT      no window; what it would show goes to the log"},
    SwitchRow{"DIR", Kind::Dir, true,
              "/DIR=\"folder\"    the game folder (it must hold main.exe), before the registry"},
    SwitchRow{"LANG", Kind::Lang, true,
              "/LANG=XXX        the language whose code is XXX, e.g. ENG, POL, DEU, RUS"},
    SwitchRow{"LOG", Kind::Log, true, "/LOG=\"file\"      the log file"},
    SwitchRow{"?", Kind::Help, false, "/? or /HELP      this text"},
    SwitchRow{"HELP", Kind::Help, false, ""},
    SwitchRow{"RESET", Kind::Reset, false, ""},
};

} // namespace

bool HidesProgress(std::string_view commandLine) {
    return commandLine == "-reset";
}

std::vector<std::string> SplitArguments(std::string_view commandLine) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument) {
                args.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        args.push_back(std::move(current));
    }
    return args;
}

Switches ParseSwitches(std::string_view commandLine) {
    Switches out;
    out.reset = HidesProgress(commandLine);
    for (const std::string& arg : SplitArguments(commandLine)) {
        if (arg.empty() || (arg.front() != '/' && arg.front() != '-')) {
            out.others.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name =
            AsciiUpperCase(arg.substr(1, equals == std::string::npos ? arg.npos : equals - 1));
        const auto row = std::ranges::find(kSwitches, name, &SwitchRow::name);
        const bool hasValue = equals != std::string::npos;
        std::string value = hasValue ? arg.substr(equals + 1) : std::string();
        std::string problem;
        if (row == kSwitches.end()) {
            problem = "unknown switch " + arg;
        } else if (row->takesValue && value.empty()) {
            problem = "the switch " + arg + " needs a value after \"=\"";
        } else if (!row->takesValue && hasValue) {
            problem = "the switch " + arg + " takes no value";
        }
        if (!problem.empty()) {
            if (out.refused.empty()) {
                out.refused = problem;
            }
            continue;
        }
        switch (row->kind) {
        case Kind::Silent:
            out.silent = true;
            break;
        case Kind::VerySilent:
            out.verySilent = true;
            break;
        case Kind::Dir:
            out.dir = std::move(value);
            break;
        case Kind::Lang:
            out.lang = AsciiUpperCase(value);
            break;
        case Kind::Log:
            out.log = std::move(value);
            break;
        case Kind::Help:
            out.help = true;
            break;
        case Kind::Reset:
            break; // only the whole command line "-reset" means something
        }
    }
    return out;
}

std::string UsageText() {
    std::string text = "qlypatch [switches]\n\n";
    for (const SwitchRow& row : kSwitches) {
        if (!row.usage.empty()) {
            text += std::string(row.usage) + "\n";
        }
    }
    text += "\nExit codes:\n";
    for (const ExitCodeRow& row : ExitCodes()) {
        text +=
            std::to_string(static_cast<int32_t>(row.code)) + "  " + std::string(row.meaning) + "\n";
    }
    return text;
}

} // namespace qly
