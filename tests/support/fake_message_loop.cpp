#include "fake_message_loop.h"

#include <utility>

namespace qly::test {

void FakeMessageLoop::yield() {
    ++yields_;
    tick_ += tickStep_;
    // Take the actions out first: an action may schedule further ones or yield again.
    auto [first, last] = actions_.equal_range(yields_);
    std::vector<std::function<void()>> due;
    for (auto it = first; it != last; ++it) {
        due.push_back(std::move(it->second));
    }
    actions_.erase(first, last);
    for (auto& action : due) {
        action();
    }
}

void FakeMessageLoop::sleep(int ms) {
    if (ms > 0) {
        tick_ += static_cast<uint32_t>(ms);
        sleptMs_ += ms;
    }
}

void FakeMessageLoop::at(int nthYield, std::function<void()> action) {
    actions_.emplace(nthYield, std::move(action));
}

} // namespace qly::test
