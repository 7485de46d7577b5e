#include "linux_front/terminal_text_area.h"

#include "common/rounding.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qly {

namespace {

// Redraws of the progress line on a terminal, at most this often (the last one is always
// drawn).
constexpr int64_t kRedrawMs = 100;

std::string oneDecimal(double value) {
    const double tenths = roundHalfEven(value * 10.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", tenths / 10.0);
    return text;
}

} // namespace

std::string FormatBytes(int64_t bytes) {
    constexpr std::array<const char*, 4> kUnits{"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) {
        return std::to_string(std::max<int64_t>(bytes, 0)) + " B";
    }
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    return oneDecimal(value) + " " + kUnits[unit];
}

std::string FormatDuration(int64_t seconds) {
    seconds = std::max<int64_t>(seconds, 0);
    const int64_t hours = seconds / 3600;
    const int64_t minutes = seconds / 60 % 60;
    const int64_t rest = seconds % 60;
    char text[48];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(hours),
                      static_cast<long long>(minutes), static_cast<long long>(rest));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(minutes),
                      static_cast<long long>(rest));
    }
    return text;
}

std::string ProgressLine(int16_t percent, const CopyProgress& progress, int64_t elapsedMs,
                         int32_t width) {
    percent = std::clamp<int16_t>(percent, 0, 100);
    std::string tail = " " + std::to_string(percent) + "%  " + FormatBytes(progress.copied) +
                       " / " + FormatBytes(progress.total);
    if (elapsedMs > 0 && progress.copied > 0) {
        const double perSecond =
            static_cast<double>(progress.copied) * 1000.0 / static_cast<double>(elapsedMs);
        const int64_t left = std::max<int64_t>(progress.total - progress.copied, 0);
        const auto secondsLeft = static_cast<int64_t>(
            roundHalfEven(static_cast<double>(left) / std::max(perSecond, 1.0)));
        tail += "  " + FormatBytes(static_cast<int64_t>(perSecond)) + "/s  " +
                FormatDuration(secondsLeft) + " left";
    }
    // The bar takes what the figures leave of the line, within reason.
    const int32_t room = width - 1 - static_cast<int32_t>(tail.size()) - 2;
    if (room < 10) {
        return tail.substr(1);
    }
    const int32_t cells = std::min(room, 50);
    const int32_t filled = cells * percent / 100;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(cells - filled), '.') + "]" + tail;
}

TerminalTextArea::TerminalTextArea(Terminal& terminal, ToUtf8 toUtf8, ProgressProbe progress,
                                   Clock clock)
    : terminal_(terminal), toUtf8_(std::move(toUtf8)), progress_(std::move(progress)),
      clock_(std::move(clock)) {}

void TerminalTextArea::endProgressLine() {
    if (lineOpen_) {
        terminal_.write("\n");
        lineOpen_ = false;
    }
}

void TerminalTextArea::Tekst(std::string sss) {
    if (muted_) {
        return;
    }
    endProgressLine();
    terminal_.write(toUtf8_(sss, charset_) + "\n");
}

void TerminalTextArea::Bar(int16_t proc) {
    if (muted_ || proc < 0 || proc == lastPercent_) {
        return;
    }
    const int64_t now = clock_();
    if (!startMs_) {
        startMs_ = now;
    }
    lastPercent_ = proc;
    if (!terminal_.interactive()) {
        terminal_.write(std::to_string(proc) + "%\n");
        return;
    }
    if (proc < 100 && lineOpen_ && now - lastDrawMs_ < kRedrawMs) {
        return;
    }
    lastDrawMs_ = now;
    const CopyProgress progress = progress_ ? progress_().value_or(CopyProgress{}) : CopyProgress{};
    terminal_.write("\r\x1b[K" + ProgressLine(proc, progress, now - *startMs_, terminal_.width()));
    lineOpen_ = true;
    if (proc >= 100) {
        endProgressLine();
    }
}

} // namespace qly
