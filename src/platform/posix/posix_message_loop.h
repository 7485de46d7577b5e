// The message loop of a program without windows: nothing to process, a steady-clock tick
// count, a real sleep and message boxes written to stderr.
#pragma once

#include "platform/message_loop.h"

namespace qly::posix {

class PosixMessageLoop : public MessageLoop {
public:
    void yield() override {}
    uint32_t tickCount() override;
    void sleep(int ms) override;
    // Prints text on a line of its own to stderr.
    void messageBox(const std::string& text) override;
};

} // namespace qly::posix
