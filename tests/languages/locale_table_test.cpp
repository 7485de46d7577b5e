#include "languages/locale_table.h"
#include "support/fake_locale.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(LocaleLangCode, MatchesWholeIdentifiersAndTheTwentySpanishSublanguages) {
    // Slovak shares the Czech file; Russian itself (0x0419) is not listed. Spanish is language
    // 0x0A with sublanguages 1 to 20 only. A nonzero sort order above the low 16 bits matches
    // nothing.
    const std::pair<uint32_t, const char*> rows[] = {
        {0x0415, "pol"},     {0x041B, "cze"},     {0x0422, "rus"},     {0x0419, "eng"},
        {0x0807, "deu"},     {0x1407, "deu"},     {0x1807, "eng"},     {0x180C, "fra"},
        {0x1C0C, "eng"},     {0x0409, "eng"},     {0x0000, "eng"},     {0x040A, "esp"},
        {0x500A, "esp"},     {0x000A, "eng"},     {0x540A, "eng"},     {0xFC0A, "eng"},
        {0x00010415, "eng"}, {0x0001040A, "eng"}, {0x80000422, "eng"}, {0xFFFFFFFF, "eng"}};
    for (const auto& [id, code] : rows) {
        EXPECT_EQ(LocaleLangCode(id), code) << std::hex << id;
        test::FakeLocale thread(id);
        EXPECT_EQ(LocaleLangCode(thread), code) << std::hex << id;
    }
    int spanish = 0;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        spanish += LocaleLangCode(id) == "esp";
    }
    EXPECT_EQ(spanish, 20);
}

} // namespace
} // namespace qly
