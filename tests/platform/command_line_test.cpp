#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(ArgumentsAfterProgramName, DropsAQuotedNameWithBlanksInside) {
    EXPECT_EQ(argumentsAfterProgramName(R"("C:\Downloads\Quillory Patch\qlypatch.exe" -reset)"),
              "-reset");
    // The name's quotes end it even without a blank after them.
    EXPECT_EQ(argumentsAfterProgramName(R"("C:\a b\qlypatch.exe"-reset)"), "-reset");
}

TEST(ArgumentsAfterProgramName, DropsAPlainNameAtTheFirstBlank) {
    EXPECT_EQ(argumentsAfterProgramName("qlypatch.exe -reset"), "-reset");
    EXPECT_EQ(argumentsAfterProgramName("qlypatch.exe\t-reset"), "-reset");
}

TEST(ArgumentsAfterProgramName, TrimsOnlyTheBlanksBeforeTheFirstArgument) {
    EXPECT_EQ(argumentsAfterProgramName("qlypatch.exe  \t  -reset  x "), "-reset  x ");
    EXPECT_EQ(argumentsAfterProgramName(R"("q.exe" "a b" c)"), R"("a b" c)");
}

TEST(ArgumentsAfterProgramName, IsEmptyWithoutArguments) {
    EXPECT_EQ(argumentsAfterProgramName("qlypatch.exe"), "");
    EXPECT_EQ(argumentsAfterProgramName(R"("C:\x\qlypatch.exe")"), "");
    EXPECT_EQ(argumentsAfterProgramName(R"("C:\x\qlypatch.exe"   )"), "");
    EXPECT_EQ(argumentsAfterProgramName(""), "");
    // An unclosed quote runs to the end: all of it is the name.
    EXPECT_EQ(argumentsAfterProgramName(R"("C:\x\qly patch.exe -reset)"), "");
}

} // namespace
} // namespace qly
