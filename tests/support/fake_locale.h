// A thread locale the test chooses.
#pragma once

#include "platform/locale.h"

namespace qly::test {

class FakeLocale : public Locale {
public:
    explicit FakeLocale(uint32_t id = 0x0409) : id_(id) {}
    uint32_t threadLocale() override { return id_; }

    uint32_t id_;
};

} // namespace qly::test
