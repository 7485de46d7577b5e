// The command line of one qlypatch-tool subcommand: positional words, flags and options that
// take a value ("--lang ENG" or "--lang=ENG").
#pragma once

#include "common/error.h"

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace qly::tools {

// A command line the subcommand cannot accept; the tool answers it with its usage and exit 2.
class UsageError : public Error {
public:
    using Error::Error;
};

struct ToolArguments {
    std::vector<std::string> positional;
    std::set<std::string> flags;                // e.g. "--json"
    std::map<std::string, std::string> options; // e.g. "--lang" -> "ENG"; the last one wins

    bool has(const std::string& flag) const { return flags.contains(flag); }
    std::optional<std::string> option(const std::string& name) const;
};

// Splits args by the known flags and value options; "--" ends the options. Throws UsageError
// on an unknown option, a missing value, or a positional count outside [minWords, maxWords].
ToolArguments ParseToolArguments(std::span<const std::string> args,
                                 const std::set<std::string>& knownFlags,
                                 const std::set<std::string>& valueOptions, size_t minWords,
                                 size_t maxWords);

// Every value of an option that may be given several times ("--no-warn wrap --no-warn=tall"),
// taken out of args. Throws UsageError when its last one has no value.
std::vector<std::string> TakeRepeatedOption(std::vector<std::string>& args,
                                            const std::string& name);

// The integer value of an option, when it is given. Throws UsageError when it is not a whole
// number within [low, high].
std::optional<int64_t> IntegerOption(const ToolArguments& args, const std::string& name,
                                     int64_t low, int64_t high);

} // namespace qly::tools
