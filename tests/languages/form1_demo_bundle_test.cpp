// Start-up against the shipped demo bundle's language files.
#include "platform/posix/posix_file_system.h"
#include "support/form1_rig.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(Form1DemoBundleTest, CataloguesTheShippedLanguagesAndSpeaksTheLocalesOne) {
    const char* source = std::getenv("QLY_SOURCE_DIR");
    if (source == nullptr) {
        GTEST_SKIP() << "QLY_SOURCE_DIR is not set";
    }
    for (const auto& [locale, name, charset] :
         {std::tuple{0x0415u, "Polski", 238}, std::tuple{0x0419u, "English", 0}}) {
        posix::PosixFileSystem disk;
        test::Form1Rig rig(disk, std::string(source) + "/demo", true);
        rig.locale_.id_ = locale;
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.combo_.itemCount(), 4);
        EXPECT_EQ(rig.combo_.item(rig.combo_.selected_), name);
        EXPECT_EQ(rig.command1_.charset_, charset);
        EXPECT_FALSE(rig.command1_.caption_.empty() || rig.text_.shown_.empty());
    }
}

} // namespace
} // namespace qly
