// Where message lines go: one call per line, each starting a new line.
#pragma once

#include <string>

namespace qly {

class LineSink {
public:
    virtual ~LineSink() = default;
    // Shows sss as a new (word-wrapped) line; " " shows an empty line.
    virtual void Tekst(std::string sss) = 0;
};

} // namespace qly
