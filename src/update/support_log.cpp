#include "update/support_log.h"

namespace qly {

LoggedTextArea::LoggedTextArea(TextArea& inner, Writer write, ToUtf8 toUtf8, DrawingProbe drawing)
    : inner_(inner), write_(std::move(write)), toUtf8_(std::move(toUtf8)),
      drawing_(std::move(drawing)) {}

std::string LoggedTextArea::verb(const char* name) const {
    std::string v = name;
    if (drawing_ && drawing_()) {
        v += " (dropped)";
    }
    return v;
}

void LoggedTextArea::write(const std::string& line, bool skipRepeat) {
    if (skipRepeat && line == lastLine_) {
        return;
    }
    lastLine_ = line;
    write_(line);
}

void LoggedTextArea::Cls() {
    write(verb("cls"), false);
    inner_.Cls();
}

void LoggedTextArea::Tekst(std::string sss) {
    // Logged before it scrolls in: the line is on record even if the program ends meanwhile.
    write(verb("text") + ": " + (toUtf8_ ? toUtf8_(sss, charset_) : sss), false);
    inner_.Tekst(std::move(sss));
}

void LoggedTextArea::Bar(int16_t proc) {
    write(verb("bar") + ": " + std::to_string(proc) + "%", true);
    inner_.Bar(proc);
}

void LoggedTextArea::SetFontCharset(int32_t charset) {
    charset_ = charset;
    inner_.SetFontCharset(charset);
}

std::string StampedLine(std::chrono::system_clock::time_point when, const std::string& line) {
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(when);
    const auto day = floor<days>(ms);
    const year_month_day date{day};
    const hh_mm_ss time{ms - day};
    const auto two = [](auto n) {
        const auto v = static_cast<int>(n);
        return (v < 10 ? "0" : "") + std::to_string(v);
    };
    const auto millis = static_cast<int>(time.subseconds().count());
    return std::to_string(static_cast<int>(date.year())) + "-" +
           two(static_cast<unsigned>(date.month())) + "-" + two(static_cast<unsigned>(date.day())) +
           " " + two(time.hours().count()) + ":" + two(time.minutes().count()) + ":" +
           two(time.seconds().count()) + "." + (millis < 100 ? "0" : "") + two(millis) + " " + line;
}

std::string OutcomeLine(ExitCode code, int64_t bytesCopied) {
    std::string line = "outcome: exit code " + std::to_string(static_cast<int32_t>(code)) + ", " +
                       std::string(ExitCodeMeaning(code));
    if (code == ExitCode::Installed) {
        line += "; " + std::to_string(bytesCopied) + " bytes copied";
    } else if (code != ExitCode::RecoveryFailed) {
        line += "; nothing copied";
    }
    return line;
}

} // namespace qly
