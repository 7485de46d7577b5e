// What the user and the support log are told when the bundle packed behind the program cannot
// be opened: every front end ends its run the same way there.
#pragma once

#include "common/error.h"
#include "platform/file_system.h"

#include <functional>
#include <string>

namespace qly {

// Logs why the packed bundle could not be opened (e, as OpenPackedBundle threw it) and the
// outcome, exit code 1. Returns the text for the user: for a damaged download the built-in
// "uszkodzony" text, since none of its language files can be trusted; else the reason.
std::string ReportUnopenedBundle(const Error& e, FileSystem& disk,
                                 const std::function<void(const std::string&)>& log);

} // namespace qly
