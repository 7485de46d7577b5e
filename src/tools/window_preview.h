// The installer's window drawn without Windows: the skin with its rounded corners, the
// controls the layout places, and the text area drawn by the installer's own text control in
// a state of the update run.
#pragma once

#include "platform/controls.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qly::tools {

enum class PreviewState {
    Start,    // after start-up: the introduction
    Copying,  // the patch being copied, the bar at a percentage
    Done,     // copied: the success series, the exit button
    NotFound, // no game installed: the "not found" series
    NoSpace,  // the copy stopped for lack of disk space
};

struct PreviewOptions {
    std::string language = "ENG"; // a header code; the first file with it is shown
    PreviewState state = PreviewState::Start;
    int16_t percent = 50; // the bar, while copying
};

struct WindowPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // 0x00BBGGRR, top row first; black outside the window
    Rect textArea;                // where the text area stands in it
};

// Throws Error when the bundle lacks what the window needs (skin, the language).
WindowPicture RenderWindow(const std::filesystem::path& bundle, const PreviewOptions& options);

} // namespace qly::tools
