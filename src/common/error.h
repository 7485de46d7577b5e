// The one exception type of the project: an error that "reaches the caller".
#pragma once

#include <stdexcept>
#include <string>

namespace qly {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace qly
