#include "tools/make_command.h"

#include "tools/tool_arguments.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace qly::tools {

namespace {

// "38.7 kB", "6.0 MB": small patches would all read "0.0 MB".
std::string megabytes(uint64_t bytes) {
    char text[32];
    if (bytes < 1000000) {
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    }
    return text;
}

} // namespace

std::string MakeSummaryText(const patch::MakeSummary& s, double seconds) {
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    const double ratio = s.bytesAfter == 0 ? 0
                                           : 100.0 * static_cast<double>(s.patchSize) /
                                                 static_cast<double>(s.bytesAfter);
    char share[32];
    std::snprintf(share, sizeof share, "%.2f%%", ratio);
    return std::to_string(s.added) + " added, " + std::to_string(s.changed) + " changed, " +
           std::to_string(s.removed) + " removed, " + std::to_string(s.unchanged) + " unchanged; " +
           megabytes(s.bytesBefore) + " before, " + megabytes(s.bytesAfter) + " after; patch " +
           megabytes(s.patchSize) + " (" + share + " of the new files) in " + time + "\n";
}

int RunMake(std::span<const std::string> args, const MakeServices& services) {
    // --keep-whole may be given several times: collect them before the parser keeps the last.
    std::vector<std::string> rest;
    patch::MakeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--keep-whole" && i + 1 < args.size()) {
            options.keepWhole.push_back(args[++i]);
        } else if (args[i].starts_with("--keep-whole=")) {
            options.keepWhole.push_back(args[i].substr(13));
        } else {
            rest.push_back(args[i]);
        }
    }
    const ToolArguments parsed = ParseToolArguments(rest, {"--fallback-whole"}, {"-o"}, 2, 2);
    const auto bundle = parsed.option("-o");
    if (!bundle) {
        throw UsageError("the bundle folder (-o BUNDLE) is missing");
    }
    options.fallbackWhole = parsed.has("--fallback-whole");
    for (const std::string& folder : parsed.positional) {
        if (!std::filesystem::is_directory(folder)) {
            throw UsageError("no folder at " + folder);
        }
    }
    if (std::filesystem::exists(std::filesystem::path(*bundle) / "update")) {
        throw UsageError(*bundle + " holds a patch tree (update/): a bundle carries one patch");
    }
    std::filesystem::create_directories(*bundle);

    patch::MakeIo io = services.io;
    if (services.progressLine) {
        io.progress = [&](uint64_t done, uint64_t total, const std::string& name) {
            const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
            services.progressLine(std::to_string(percent) + "% " + name);
        };
    }
    const auto start = std::chrono::steady_clock::now();
    const patch::MakeSummary summary = patch::MakePatch(
        parsed.positional[0], parsed.positional[1],
        (std::filesystem::path(*bundle) / patch::kBundleArchiveName).string(), options, io);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (services.progressLine) {
        services.progressLine("");
    }
    services.out << MakeSummaryText(summary, took.count());
    return 0;
}

} // namespace qly::tools
