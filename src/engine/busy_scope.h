// Marks an object busy for the length of one call, however the call ends.
#pragma once

namespace qly {

class BusyScope {
public:
    // Sets flag; the destructor clears it.
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

} // namespace qly
