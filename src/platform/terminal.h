// The terminal a command-line program talks to: its standard output and input, and the
// user's interrupt key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qly {

class Terminal {
public:
    virtual ~Terminal() = default;
    // True when the output goes to a terminal (a progress line may then be redrawn in place).
    virtual bool interactive() const = 0;
    // Columns of the output terminal; 80 when it cannot tell.
    virtual int32_t width() const = 0;
    // Writes UTF-8 text as it is (no line end added).
    virtual void write(std::string_view text) = 0;
    // One line of standard input without its line end; nothing at the end of the input, when
    // there is none, or when the interrupt key cut the reading short.
    virtual std::optional<std::string> readLine() = 0;
    // True once the user has pressed the interrupt key (Ctrl+C), or the program was asked to
    // end (killed, its terminal closed), while this object lived.
    virtual bool interrupted() const = 0;
};

} // namespace qly
