// The native build's locale, version resources, shell and process.
#include "common/error.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_version_resource.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qly {
namespace {

TEST(PosixLocaleTest, NamesMapToWindowsIdentifiers) {
    EXPECT_EQ(posix::LocaleIdOf("pl_PL.UTF-8"), 0x0415u);
    EXPECT_EQ(posix::LocaleIdOf("de_DE@euro"), 0x0407u);
    EXPECT_EQ(posix::LocaleIdOf("ru_RU.KOI8-R"), 0x0419u);
    EXPECT_EQ(posix::LocaleIdOf("es_ES"), 0x0C0Au);
    EXPECT_EQ(posix::LocaleIdOf("fr_CA.UTF-8"), 0x0C0Cu);
    EXPECT_EQ(posix::LocaleIdOf("pt"), 0x0416u);    // language alone: its first territory
    EXPECT_EQ(posix::LocaleIdOf("de_BE"), 0x0407u); // unknown territory: the language
    EXPECT_EQ(posix::LocaleIdOf("C.UTF-8"), 0x0409u);
    EXPECT_EQ(posix::LocaleIdOf(""), 0x0409u);
}

// A small executable image with a fixed version block somewhere inside.
std::string imageWithVersion(uint16_t major, uint16_t minor, uint16_t build, uint16_t rev) {
    std::string bytes = "MZ" + std::string(301, '\x90');
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    };
    put32(0xFEEF04BD);
    put32(0x00020000); // a false start: wrong structure version
    put32(0xFEEF04BD);
    put32(0x00010000);
    put32(static_cast<uint32_t>(major) << 16 | minor);
    put32(static_cast<uint32_t>(build) << 16 | rev);
    bytes += std::string(40, '\0');
    return bytes;
}

TEST(PosixVersionResourceTest, FindsTheFixedBlockOfExecutablesOnly) {
    test::TempFolder folder;
    folder.write("msdxm.ocx", imageWithVersion(6, 4, 9, 1133));
    folder.write("text.txt", imageWithVersion(6, 4, 9, 1133).substr(2));
    folder.write("plain.exe", "MZ no version here");
    posix::PosixVersionResource versions(folder.winPath() + "system32");
    const auto v = versions.fileVersion(folder.winPath() + "msdxm.ocx");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, (std::array<uint16_t, 4>{6, 4, 9, 1133}));
    EXPECT_EQ(versions.fileVersion(folder.file("text.txt")), std::nullopt);
    EXPECT_EQ(versions.fileVersion(folder.file("plain.exe")), std::nullopt);
    EXPECT_EQ(versions.fileVersion(folder.file("absent.ocx")), std::nullopt);
    EXPECT_EQ(versions.systemFolder(), folder.winPath() + "system32");
    // Truncated just after the signature: nothing, and no read beyond the end.
    const std::string image = imageWithVersion(1, 2, 3, 4);
    EXPECT_EQ(posix::FixedFileVersion(image.substr(0, image.find("\xBD\x04\xEF\xFE") + 12)),
              std::nullopt);
}

TEST(PosixShellAndProcessTest, AnswersAreGivenInTurnAndArgumentsJoined) {
    posix::PosixShell shell(std::nullopt, {"C:\\A", "C:\\B"});
    EXPECT_EQ(shell.browseForFolder("t"), "C:\\A");
    EXPECT_EQ(shell.browseForFolder("t"), "C:\\B");
    EXPECT_EQ(shell.browseForFolder("t"), "");
    EXPECT_EQ(shell.favoritesFolder(), std::nullopt);

    const char* argv[] = {"qlypatch", "-reset", "x"};
    EXPECT_EQ(posix::PosixProcess(3, argv).commandLine(), "-reset x");
    EXPECT_EQ(posix::PosixProcess(1, argv).commandLine(), "");

    test::TempFolder folder;
    folder.makeFolder("work");
    const auto before = std::filesystem::current_path();
    posix::PosixProcess process(1, argv);
    EXPECT_TRUE(std::filesystem::is_directory(process.programFolder()));
    process.setWorkingFolder(folder.winPath() + "work");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(folder.file("work")));
    std::filesystem::current_path(before);
    EXPECT_THROW(process.setWorkingFolder(folder.winPath() + "absent"), Error);
}

} // namespace
} // namespace qly
