// A message loop for tests: counts yields, runs scripted actions at the Nth yield, keeps a
// simulated tick count and records message boxes instead of showing them.
#pragma once

#include "platform/message_loop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qly::test {

class FakeMessageLoop : public MessageLoop {
public:
    // Counts the yield, advances the tick count by the per-yield step, then runs the actions
    // scheduled for this yield in the order they were scheduled.
    void yield() override;
    uint32_t tickCount() override { return tick_; }
    // Advances the tick count by ms instead of waiting.
    void sleep(int ms) override;
    void messageBox(const std::string& text) override { messageBoxes_.push_back(text); }

    // Runs action during the nthYield-th yield (1-based); several actions may share a yield.
    void at(int nthYield, std::function<void()> action);
    // Milliseconds the tick count advances at every yield, so that waits end without sleeping.
    void setTickStep(uint32_t ms) { tickStep_ = ms; }
    void setTickCount(uint32_t ms) { tick_ = ms; }

    int yields() const { return yields_; }
    // Sum of the sleep() arguments so far.
    int64_t sleptMs() const { return sleptMs_; }
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
