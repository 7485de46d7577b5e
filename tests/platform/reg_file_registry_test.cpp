#include "platform/posix/reg_file_registry.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

constexpr const char* kSystemReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win32

[Software\\Brantmoor Games\\Quillory] 1700000000
#time=1d9a0f0a2b3c4d5
"Install Path"="C:\\Games\\Quillory"
"Quoted"="say \"hi\"\n"
"Cut"="abc\0def"
"Wide"="Gra\x17c\x0144"
"Expand"=str(2):"%ProgramFiles%\\Quillory"
"Number"=dword:00000001
@="unnamed"

[Software\\Brantmoor Games\\Quillory DEMO] 1700000000
"Install Path"="D:\\Demo"

[Software\\Brantmoor Games\\Quillory] 1700000001
"Later"="never read"
)";

TEST(RegFileRegistryTest, ReadsStringValuesOfWineSystemReg) {
    test::TempFolder folder;
    folder.write("system.reg", kSystemReg);
    posix::RegFileRegistry registry(folder.file("system.reg"));
    const std::string key = "SOFTWARE\\Brantmoor Games\\Quillory";
    EXPECT_EQ(registry.readString(key, "Install Path"), "C:\\Games\\Quillory");
    EXPECT_EQ(registry.readString("software\\brantmoor games\\quillory", "install path"),
              "C:\\Games\\Quillory");
    EXPECT_EQ(registry.readString(key + " DEMO", "Install Path"), "D:\\Demo");
    EXPECT_EQ(registry.readString(key, "Quoted"), "say \"hi\"\n");
    EXPECT_EQ(registry.readString(key, "Cut"), "abc");
    EXPECT_EQ(registry.readString(key, "Wide"), "Gra\xC5\xBC\xC5\x84");
    EXPECT_EQ(registry.readString(key, ""), "unnamed");
}

TEST(RegFileRegistryTest, OtherTypesAndMissingEntriesReadAsNothing) {
    test::TempFolder folder;
    folder.write("system.reg", kSystemReg);
    posix::RegFileRegistry registry(folder.file("system.reg"));
    const std::string key = "SOFTWARE\\Brantmoor Games\\Quillory";
    EXPECT_EQ(registry.readString(key, "Expand"), std::nullopt);
    EXPECT_EQ(registry.readString(key, "Number"), std::nullopt);
    EXPECT_EQ(registry.readString(key, "Later"), std::nullopt);
    EXPECT_EQ(registry.readString(key, "Missing"), std::nullopt);
    EXPECT_EQ(registry.readString("SOFTWARE\\Brantmoor Games", "Install Path"), std::nullopt);
    posix::RegFileRegistry none(folder.file("absent.reg"));
    EXPECT_EQ(none.readString(key, "Install Path"), std::nullopt);
}

} // namespace
} // namespace qly
