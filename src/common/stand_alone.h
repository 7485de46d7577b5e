// Steps that stand alone: a failure ends that one step, and the flow goes on with the next.
#pragma once

#include <exception>

namespace qly {

// Runs step; any failure it raises ends the step and nothing more.
template <typename Step> void StandAloneStep(Step&& step) noexcept {
    try {
        step();
    } catch (const std::exception&) {
        // qly::Error and every other failure of a step end that step and nothing more.
    } catch (...) {
    }
}

} // namespace qly
