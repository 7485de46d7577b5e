// A message loop with nothing to wait for: the text area's animation runs as fast as it can,
// for drawing its final picture without a window.
#pragma once

#include "platform/message_loop.h"

#include <iostream>

namespace qly::tools {

class NoWaitLoop : public MessageLoop {
public:
    void yield() override {}
    uint32_t tickCount() override { return 0; }
    void sleep(int) override {}
    void messageBox(const std::string& text) override { std::cerr << text << '\n'; }
};

} // namespace qly::tools
