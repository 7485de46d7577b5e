// qlypatch-tool preview BUNDLE [--lang XXX] [--state S] [--percent N] -o window.png
#include "platform/posix/png_writer.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"
#include "tools/window_preview.h"

#include <algorithm>
#include <array>

namespace qly::tools {
namespace {

constexpr std::array<std::pair<const char*, PreviewState>, 5> kStates{{
    {"start", PreviewState::Start},
    {"copying", PreviewState::Copying},
    {"done", PreviewState::Done},
    {"notfound", PreviewState::NotFound},
    {"nospace", PreviewState::NoSpace},
}};

} // namespace

int RunPreview(std::span<const std::string> args, std::ostream& out) {
    const ToolArguments parsed =
        ParseToolArguments(args, {}, {"--lang", "--state", "--percent", "-o"}, 1, 1);
    const std::optional<std::string> target = parsed.option("-o");
    if (!target) {
        throw UsageError("-o window.png is missing");
    }
    PreviewOptions options;
    options.language = parsed.option("--lang").value_or("ENG");
    const std::string state = parsed.option("--state").value_or("start");
    const auto known = std::ranges::find(kStates, state, [](const auto& s) { return s.first; });
    if (known == kStates.end()) {
        throw UsageError("--state is one of start, copying, done, notfound, nospace");
    }
    options.state = known->second;
    options.percent = static_cast<int16_t>(IntegerOption(parsed, "--percent", 0, 100).value_or(50));

    const WindowPicture picture = RenderWindow(parsed.positional[0], options);
    posix::writePng(*target, picture.width, picture.height, picture.pixels);
    out << "wrote " << *target << " (" << picture.width << " x " << picture.height << ", "
        << options.language << ", " << state << ")\n";
    return 0;
}

} // namespace qly::tools
