#include "update/unopened_bundle.h"

#include "languages/language_keys.h"
#include "languages/language_state.h"
#include "update/exit_codes.h"
#include "update/support_log.h"

namespace qly {

std::string ReportUnopenedBundle(const Error& e, FileSystem& disk,
                                 const std::function<void(const std::string&)>& log) {
    const bool damaged = e.kind() == FailureKind::Damaged;
    log(std::string(damaged ? "damaged download: " : "cannot unpack: ") + e.what());
    log(OutcomeLine(ExitCode::CouldNotStart, 0));
    return damaged ? LangTextOrBuiltIn(LanguageState(disk), "uszkodzony") : std::string(e.what());
}

} // namespace qly
