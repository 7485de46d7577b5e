// What the window shows the system while an update changes the game's files.
#pragma once

#include "platform/controls.h"

#include <cstdint>
#include <string>

namespace qly {

// For its lifetime the end of the session is refused with reason (bytes of charset's code
// page). At its end the task bar button shows a failure when result is below 0 (-1 failed,
// -2 no space), and no progress otherwise. Never throws: these are signs, not the work.
class ChangingFilesScope {
public:
    ChangingFilesScope(MainWindow& window, const std::string& reason, int32_t charset,
                       const int32_t& result) noexcept;
    ~ChangingFilesScope();
    ChangingFilesScope(const ChangingFilesScope&) = delete;
    ChangingFilesScope& operator=(const ChangingFilesScope&) = delete;

private:
    MainWindow& window_;
    const int32_t& result_;
};

} // namespace qly
