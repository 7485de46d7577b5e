#include "window/changing_files_scope.h"

namespace qly {

namespace {

template <typename Step> void Quietly(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // The system's view of the run is a courtesy; the run goes on without it.
    }
}

} // namespace

ChangingFilesScope::ChangingFilesScope(MainWindow& window, const std::string& reason,
                                       int32_t charset, const int32_t& result) noexcept
    : window_(window), result_(result) {
    Quietly([&] { window_.blockSessionEnd(reason, charset); });
}

ChangingFilesScope::~ChangingFilesScope() {
    Quietly([&] { window_.allowSessionEnd(); });
    if (result_ < 0) {
        Quietly([&] { window_.setTaskbarError(); });
    } else {
        Quietly([&] { window_.clearTaskbarProgress(); });
    }
}

} // namespace qly
