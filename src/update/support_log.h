// The support log: when the user is asked for one (the /LOG switch or the QLYPATCH_LOG
// environment variable names a file), it records, one timestamped UTF-8 line per event, how the
// program was started, what the text area showed and how the run ended, so that support can
// read what the user saw without a screenshot.
#pragma once

#include "textscroll/text_area.h"
#include "update/exit_codes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace qly {

// A TextArea that writes one log line per call and passes every call on to the real control.
// Lines: "text: <line>", "cls", "bar: <n>%", and the same with " (dropped)" after the verb
// when the control is drawing and will ignore the call. Texts are logged as UTF-8. A bar line
// the same as the line logged just before it is not logged again (the copy reports each
// percent anew for every file).
class LoggedTextArea : public TextArea {
public:
    using Writer = std::function<void(const std::string& line)>;
    // The UTF-8 form of a text's bytes in a GDI charset's code page.
    using ToUtf8 = std::function<std::string(const std::string& bytes, int32_t charset)>;
    // True while the real control draws (it then drops Cls, Tekst and Bar).
    using DrawingProbe = std::function<bool()>;

    LoggedTextArea(TextArea& inner, Writer write, ToUtf8 toUtf8, DrawingProbe drawing);

    void Cls() override;
    void Tekst(std::string sss) override;
    void Bar(int16_t proc) override;
    void SetFontCharset(int32_t charset) override;
    void Move(const Rect& r) override { inner_.Move(r); }

private:
    // "verb" or "verb (dropped)", as the control is about to treat the call.
    std::string verb(const char* name) const;

    // Writes line unless it repeats the last one and may be left out.
    void write(const std::string& line, bool skipRepeat);

    TextArea& inner_;
    Writer write_;
    ToUtf8 toUtf8_;
    DrawingProbe drawing_;
    int32_t charset_ = 0;
    std::string lastLine_;
};

// A log line as written: the UTC time "YYYY-MM-DD HH:MM:SS.mmm", a blank, then line.
std::string StampedLine(std::chrono::system_clock::time_point when, const std::string& line);

// The last line of a run: "outcome: exit code N, <meaning>", then "; B bytes copied" for an
// installed patch, nothing more when an undo could not finish (what the game folder holds is
// then unknown), and "; nothing copied" otherwise (the game was left as it was).
std::string OutcomeLine(ExitCode code, int64_t bytesCopied);

} // namespace qly
