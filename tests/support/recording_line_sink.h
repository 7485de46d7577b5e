// A line sink for tests: keeps every line it is given, in order.
#pragma once

#include "textscroll/line_sink.h"

#include <string>
#include <vector>

namespace qly::test {

class RecordingLineSink : public LineSink {
public:
    void Tekst(std::string sss) override { lines.push_back(std::move(sss)); }

    std::vector<std::string> lines;
};

} // namespace qly::test
