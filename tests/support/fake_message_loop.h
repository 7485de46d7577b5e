// A message loop for tests: counts yields, runs scripted actions at the Nth yield, keeps a
// simulated tick count and records message boxes instead of showing them.
#pragma once

#include "platform/message_loop.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qly::test {

class FakeMessageLoop : public MessageLoop {
public:
    // Counts the yield, advances the tick count by the step, then runs the actions scheduled
    // for this yield in the order they were scheduled (they may schedule more, or yield).
    void yield() override {
        ++yields_;
        tick_ += tickStep_;
        std::vector<std::function<void()>> due;
        while (auto action = actions_.extract(yields_)) {
            due.push_back(std::move(action.mapped()));
        }
        for (auto& action : due) {
            action();
        }
    }
    uint32_t tickCount() override { return tick_; }
    // Advances the tick count by ms instead of waiting.
    void sleep(int ms) override {
        tick_ += static_cast<uint32_t>(std::max(ms, 0));
        sleptMs_ += std::max(ms, 0);
    }
    void messageBox(const std::string& text) override { messageBoxes_.push_back(text); }

    // Runs action during the nthYield-th yield (1-based); several actions may share a yield.
    void at(int nthYield, std::function<void()> action) { actions_.emplace(nthYield, action); }
    // Milliseconds the tick count advances at every yield, so that waits end without sleeping.
    void setTickStep(uint32_t ms) { tickStep_ = ms; }
    void setTickCount(uint32_t ms) { tick_ = ms; }
    int yields() const { return yields_; }
    int64_t sleptMs() const { return sleptMs_; } // the sum of the sleep() arguments
    const std::vector<std::string>& messageBoxes() const { return messageBoxes_; }

private:
    int yields_ = 0;
    uint32_t tick_ = 0;
    uint32_t tickStep_ = 10;
    int64_t sleptMs_ = 0;
    std::multimap<int, std::function<void()>> actions_;
    std::vector<std::string> messageBoxes_;
};

} // namespace qly::test
