#include "platform/posix/posix_message_loop.h"

#include <chrono>
#include <iostream>
#include <thread>

namespace qly::posix {

uint32_t PosixMessageLoop::tickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    // Wraps at 2^32 like the Windows tick count.
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void PosixMessageLoop::sleep(int ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void PosixMessageLoop::messageBox(const std::string& text) {
    std::cerr << text << '\n';
}

} // namespace qly::posix
