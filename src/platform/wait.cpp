#include "platform/wait.h"

namespace qly {

void Wait(MessageLoop& loop, int16_t milliseconds) {
    const uint32_t start = loop.tickCount();
    uint32_t now = start;
    do {
        now = loop.tickCount();
        loop.yield();
    } while (static_cast<int32_t>(now - start) < milliseconds);
}

} // namespace qly
