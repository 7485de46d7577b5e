// A fake scrolling text area: records every call in order, and yields once to the message
// loop per Tekst and Cls, so that scripted actions run "during" a line as with the real one.
#pragma once

#include "platform/message_loop.h"
#include "textscroll/text_area.h"

#include <string>
#include <vector>

namespace qly::test {

class FakeTextArea : public TextArea {
public:
    explicit FakeTextArea(MessageLoop& loop) : loop_(loop) {}

    void Tekst(std::string sss) override;
    void Cls() override;
    void Bar(int16_t proc) override;
    void SetFontCharset(int32_t charset) override;
    void Move(const Rect& r) override { bounds_ = r; }

    // Every call: "Tekst:<text>", "Cls", "Bar:<n>", "Charset:<n>".
    std::vector<std::string> calls_;
    Rect bounds_;
    int32_t charset_ = 0;

    // The texts of the Tekst calls since the last Cls: what the area shows now.
    std::vector<std::string> shown() const;
    // The percentages drawn, in order.
    std::vector<int> bars() const;

private:
    MessageLoop& loop_;
};

} // namespace qly::test
