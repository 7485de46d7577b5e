#include "tools/tool_arguments.h"

#include <charconv>

namespace qly::tools {

std::optional<std::string> ToolArguments::option(const std::string& name) const {
    const auto found = options.find(name);
    if (found == options.end()) {
        return std::nullopt;
    }
    return found->second;
}

ToolArguments ParseToolArguments(std::span<const std::string> args,
                                 const std::set<std::string>& knownFlags,
                                 const std::set<std::string>& valueOptions, size_t minWords,
                                 size_t maxWords) {
    ToolArguments out;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (valueOptions.contains(name)) {
            if (equals != std::string::npos) {
                out.options[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                out.options[name] = args[++i];
            } else {
                throw UsageError(name + " needs a value");
            }
        } else if (knownFlags.contains(arg)) {
            out.flags.insert(arg);
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    if (out.positional.size() < minWords) {
        throw UsageError("too few arguments");
    }
    if (out.positional.size() > maxWords) {
        throw UsageError("unexpected argument " + out.positional[maxWords]);
    }
    return out;
}

std::optional<int64_t> IntegerOption(const ToolArguments& args, const std::string& name,
                                     int64_t low, int64_t high) {
    const std::optional<std::string> text = args.option(name);
    if (!text) {
        return std::nullopt;
    }
    int64_t value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (text->empty() || error != std::errc() || stop != end || value < low || value > high) {
        throw UsageError(name + " takes a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + *text + "\"");
    }
    return value;
}

} // namespace qly::tools
