// The text area of the Linux program: the run's lines on the terminal in UTF-8, and its
// progress as a bar with bytes, rate and time left, redrawn in place on a terminal, or as
// plain percent lines when the output goes to a file or a pipe.
#pragma once

#include "platform/terminal.h"
#include "textscroll/text_area.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qly {

// Bytes copied so far and bytes in all, as the copy engine counts them.
struct CopyProgress {
    int64_t copied = 0;
    int64_t total = 0;
};

// "512 B", "1.5 KiB", "27.0 MiB", "1.2 GiB".
std::string FormatBytes(int64_t bytes);

// "0:07", "12:05", "1:02:03".
std::string FormatDuration(int64_t seconds);

// One progress line fitted into width columns: bar, percent, bytes, and, once a rate is
// known (elapsedMs > 0 and some bytes copied), the rate and the time left.
std::string ProgressLine(int16_t percent, const CopyProgress& progress, int64_t elapsedMs,
                         int32_t width);

class TerminalTextArea final : public TextArea {
public:
    using ToUtf8 = std::function<std::string(const std::string& bytes, int32_t charset)>;
    using ProgressProbe = std::function<std::optional<CopyProgress>()>;
    using Clock = std::function<int64_t()>; // milliseconds, steady

    TerminalTextArea(Terminal& terminal, ToUtf8 toUtf8, ProgressProbe progress, Clock clock);

    void Cls() override {}
    void Tekst(std::string sss) override;
    void Bar(int16_t proc) override;
    void SetFontCharset(int32_t charset) override { charset_ = charset; }
    void Move(const Rect&) override {}

    // Ends a progress line left open, so that what follows starts on a line of its own.
    void endProgressLine();
    // Shows nothing more: what a closed window would no longer show.
    void mute() {
        endProgressLine();
        muted_ = true;
    }

private:
    Terminal& terminal_;
    ToUtf8 toUtf8_;
    ProgressProbe progress_;
    Clock clock_;
    int32_t charset_ = 0;
    bool lineOpen_ = false;
    bool muted_ = false;
    std::optional<int64_t> startMs_;
    int16_t lastPercent_ = -1;
    int64_t lastDrawMs_ = 0;
};

} // namespace qly
