// Form1 over fakes of every control and service, for tests that drive whole scenarios. The
// file system is the test's choice: the in-memory fake, or the POSIX one over a temporary
// folder (then the process follows the program folder, so "update\" and "lang\" resolve).
#pragma once

#include "support/fake_controls.h"
#include "support/fake_file_system.h"
#include "support/fake_locale.h"
#include "support/fake_message_loop.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/fake_shell.h"
#include "support/fake_text_area.h"
#include "support/fake_version_resource.h"
#include "window/form1.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace qly::test {

// The in-memory file system with listings that honour every "*"/"?" pattern, as the
// program's "lang\*.lng" needs.
class PatternFileSystem : public FakeFileSystem {
public:
    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
};

// Layout file answers by section and key; missing entries give the default.
class FakeProfileFile : public ProfileFile {
public:
    std::string getString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t bufferSize) override;

    std::map<std::pair<std::string, std::string>, std::string> values_;
    std::string pathAsked_;
};

// A language file: header [code], "#jezyk" = name, "#skrypt" = charset, and for every other
// key given, the text. Entries are written "/" key "/= " text "'".
std::string LangFileText(const std::string& code, const std::string& name, int charset,
                         const std::map<std::string, std::string>& texts);
// A complete language whose every text starts with tag: "<tag> przed1", "<tag> poz2", ...
std::string FullLangFile(const std::string& code, const std::string& tag, int charset = 0);

class Form1Rig {
public:
    // programFolder: what the process reports; follow: really change the working folder.
    Form1Rig(FileSystem& files, std::string programFolder, bool follow);

    // Constructs the window and runs its start-up; returns what Form_Load returned.
    bool load();
    Form1& form() { return *form_; }

    FileSystem& files_;
    EventLog log_;
    FakeMessageLoop loop_;
    FakeMainWindow window_{&log_};
    FakeButton command1_;
    FakeButton command2_;
    FakeButton command3_;
    FakeComboBox combo_;
    FakeTextArea text_{loop_};
    FakeImageArea image1_;
    FakeImageArea image2_;
    FakeProfileFile profile_;
    FakeRegistry registry_;
    FakeShell shell_;
    FakeVersionResource versions_;
    FakeLocale locale_;
    FakeProcess process_;

private:
    std::unique_ptr<Form1> form_;
};

} // namespace qly::test
