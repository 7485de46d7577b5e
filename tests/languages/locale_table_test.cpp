#include "languages/locale_table.h"
#include "platform/locale.h"

#include <gtest/gtest.h>
#include <set>

namespace qly {
namespace {

TEST(LocaleLangCode, GivesTheCodeOfEveryListedLocale) {
    const std::pair<uint32_t, const char*> listed[] = {
        {0x0405, "cze"}, {0x041B, "cze"}, {0x0407, "deu"}, {0x0807, "deu"}, {0x0C07, "deu"},
        {0x1007, "deu"}, {0x1407, "deu"}, {0x040C, "fra"}, {0x080C, "fra"}, {0x0C0C, "fra"},
        {0x100C, "fra"}, {0x140C, "fra"}, {0x180C, "fra"}, {0x0410, "ita"}, {0x0810, "ita"},
        {0x0413, "ned"}, {0x0813, "ned"}, {0x0415, "pol"}, {0x0416, "por"}, {0x0816, "por"},
        {0x0422, "rus"}, {0x0423, "rus"}, {0x0424, "rus"}, {0x0427, "rus"}};
    for (const auto& [id, code] : listed) {
        EXPECT_EQ(LocaleLangCode(id), code) << std::hex << id;
    }
}

TEST(LocaleLangCode, KnowsExactlyTheTwentySpanishLocales) {
    for (uint32_t n = 0; n < 20; ++n) {
        EXPECT_EQ(LocaleLangCode(0x040A + 0x400 * n), "esp") << n;
    }
    EXPECT_EQ(LocaleLangCode(1034), "esp");
    EXPECT_EQ(LocaleLangCode(20490), "esp");
    EXPECT_EQ(LocaleLangCode(0x000A), "eng");
    EXPECT_EQ(LocaleLangCode(0x540A), "eng");
    EXPECT_EQ(LocaleLangCode(0xFC0A), "eng");
}

TEST(LocaleLangCode, EveryOtherIdentifierGivesEnglish) {
    // All 16-bit identifiers: only the listed ones and the Spanish ones give another code.
    std::set<uint32_t> nonEnglish;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        if (LocaleLangCode(id) != "eng") {
            nonEnglish.insert(id);
        }
    }
    EXPECT_EQ(nonEnglish.size(), 24u + 20u);
    for (uint32_t id : {0x0419u, 0x0409u, 0x0809u, 0x0421u, 0x0425u, 0x0426u, 0x0428u, 0x0406u,
                        0x0408u, 0x0414u, 0x0417u, 0x1807u, 0x1C0Cu, 0x0C10u, 0x0815u}) {
        EXPECT_EQ(nonEnglish.count(id), 0u) << std::hex << id;
    }
}

TEST(LocaleLangCode, NonzeroSortIdentifierGivesEnglish) {
    EXPECT_EQ(LocaleLangCode(0x00010415), "eng");
    EXPECT_EQ(LocaleLangCode(0x0001040A), "eng");
    EXPECT_EQ(LocaleLangCode(0x00050407), "eng");
    EXPECT_EQ(LocaleLangCode(0x80000422), "eng");
    EXPECT_EQ(LocaleLangCode(0xFFFFFFFF), "eng");
}

class FixedLocale : public Locale {
public:
    explicit FixedLocale(uint32_t id) : id_(id) {}
    uint32_t threadLocale() override { return id_; }

private:
    uint32_t id_;
};

TEST(LocaleLangCode, AsksTheThreadLocale) {
    FixedLocale polish(0x0415);
    FixedLocale russian(0x0419);
    EXPECT_EQ(LocaleLangCode(polish), "pol");
    EXPECT_EQ(LocaleLangCode(russian), "eng");
}

} // namespace
} // namespace qly
