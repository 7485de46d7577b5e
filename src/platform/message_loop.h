// The window's message loop and the few services that go with it.
#pragma once

#include <cstdint>
#include <string>

namespace qly {

class MessageLoop {
public:
    virtual ~MessageLoop() = default;
    // Processes all pending window messages once and returns.
    virtual void yield() = 0;
    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual uint32_t tickCount() = 0;
    // Suspends the thread for ms milliseconds (nothing for ms <= 0).
    virtual void sleep(int ms) = 0;
    // Modal message box with text, an OK button and the application's title.
    virtual void messageBox(const std::string& text) = 0;
};

} // namespace qly
