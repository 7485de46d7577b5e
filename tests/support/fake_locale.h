// A thread locale the test chooses.
#pragma once

#include "platform/locale.h"

#include <string>

namespace qly::test {

class FakeLocale : public Locale {
public:
    explicit FakeLocale(uint32_t id = 0x0409) : id_(id) {}
    uint32_t threadLocale() override { return id_; }
    // Marks the text so that a test sees it went through here.
    std::string toCharsetText(const std::string& utf8, int32_t charset) override {
        return charset == 0 ? utf8 : "<" + std::to_string(charset) + ":" + utf8 + ">";
    }

    uint32_t id_;
};

} // namespace qly::test
