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

std::vector<std::string> TakeRepeatedOption(std::vector<std::string>& args,
                                            const std::string& name) {
    std::vector<std::string> values;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                throw UsageError(name + " needs a value");
            }
            values.push_back(args[++i]);
        } else if (args[i].starts_with(name + "=")) {
            values.push_back(args[i].substr(name.size() + 1));
        } else {
            rest.push_back(args[i]);
        }
    }
    args = std::move(rest);
    return values;
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
