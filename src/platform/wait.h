// A pause that keeps the window responsive.
#pragma once

#include "platform/message_loop.h"

#include <cstdint>

namespace qly {

// Returns once the loop's tick count has moved at least milliseconds past its value at the
// call (32-bit signed difference, so a wrap of the counter does not matter), having yielded
// to the message loop at least once.
void Wait(MessageLoop& loop, int16_t milliseconds);

} // namespace qly
