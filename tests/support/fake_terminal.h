// A terminal the test plays: what was written, prepared answers, and an interrupt key that
// is pressed once interrupted() has been asked a chosen number of times.
#pragma once

#include "platform/terminal.h"

#include <deque>
#include <string>

namespace qly::test {

class FakeTerminal : public Terminal {
public:
    explicit FakeTerminal(bool interactive = false) : interactive_(interactive) {}
    bool interactive() const override { return interactive_; }
    int32_t width() const override { return width_; }
    void write(std::string_view text) override { written_ += text; }
    std::optional<std::string> readLine() override {
        if (answers_.empty()) {
            return std::nullopt;
        }
        std::string line = answers_.front();
        answers_.pop_front();
        return line;
    }
    bool interrupted() const override {
        ++asked_;
        return interruptAfter_ >= 0 && asked_ > interruptAfter_;
    }

    bool interactive_;
    int32_t width_ = 100;
    std::string written_;
    std::deque<std::string> answers_;
    int interruptAfter_ = -1; // -1: never
    mutable int asked_ = 0;
};

} // namespace qly::test
