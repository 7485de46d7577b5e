// Form1 over fakes of every control and service, for tests that drive whole scenarios. The
// file system is the rig's own in-memory one, or the test's (the POSIX one over a real folder:
// then the process follows the program folder, so that "update\" and "lang\" resolve).
#pragma once

#include "platform/posix/libcrypto_hash_service.h"
#include "support/fake_controls.h"
#include "support/fake_file_system.h"
#include "support/fake_locale.h"
#include "support/fake_message_loop.h"
#include "window/form1.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace qly::test {

using Lines = std::vector<std::string>;

// Layout file answers by section and key; missing entries give the default.
class FakeProfileFile : public ProfileFile {
public:
    std::string getString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t bufferSize) override;
    // The keys of section in the order they were first given a value.
    std::vector<std::string> keys(const std::string& path, const std::string& section) override;
    void set(const std::string& section, const std::string& key, const std::string& value) {
        if (!values_.contains({section, key})) {
            order_.emplace_back(section, key);
        }
        values_[{section, key}] = value;
    }

    std::map<std::pair<std::string, std::string>, std::string> values_;
    std::vector<std::pair<std::string, std::string>> order_;
    std::string pathAsked_;
};

// Values by key and name: values_ under HKEY_LOCAL_MACHINE, userValues_ under
// HKEY_CURRENT_USER; keys compare exactly.
class FakeRegistry : public Registry {
public:
    using Registry::readString;
    std::optional<std::string> readString(RegistryRoot root, const std::string& subKey,
                                          const std::string& valueName) override {
        const auto& values = root == RegistryRoot::CurrentUser ? userValues_ : values_;
        const auto it = values.find({subKey, valueName});
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    std::map<std::pair<std::string, std::string>, std::string> values_;
    std::map<std::pair<std::string, std::string>, std::string> userValues_;
};

// The folder browser gives the next of answers_, then cancels; opened targets are recorded.
class FakeShell : public Shell {
public:
    using Shell::browseForFolder;
    std::string browseForFolder(const std::string& title, int32_t titleCharset,
                                BrowseStart start) override;
    std::optional<std::string> favoritesFolder() override {
        if (onFavorites_) {
            onFavorites_();
        }
        return favorites_;
    }
    void open(const std::string& target) override { opened_.push_back(target); }

    std::deque<std::string> answers_;
    std::optional<std::string> favorites_;
    std::function<void()> onBrowse_;    // runs when the browser opens
    std::function<void()> onFavorites_; // runs when the Favorites folder is asked for
    Lines browseTitles_;                // "prompt @charset", one per opening of the browser
    std::vector<BrowseStart> browseStarts_;
    Lines opened_;
};

class FakeVersionResource : public VersionResource {
public:
    std::optional<std::array<uint16_t, 4>> fileVersion(const std::string& path) override {
        const auto it = versions_.find(path);
        return it == versions_.end() ? std::nullopt : std::optional(it->second);
    }
    std::string systemFolder() override { return "C:\\WINDOWS\\system32"; }
    std::map<std::string, std::array<uint16_t, 4>> versions_;
};

// Records the working folders set and, when following, really changes to them; the old
// working folder comes back when the process goes.
class FakeProcess : public Process {
public:
    FakeProcess(std::string folder, bool follow) : folder_(std::move(folder)), follow_(follow) {}
    ~FakeProcess() override {
        std::error_code ignored;
        std::filesystem::current_path(original_, ignored);
    }
    std::string programFolder() override { return folder_; }
    std::string commandLine() override { return commandLine_; }
    void setWorkingFolder(const std::string& folder) override;

    std::string folder_;
    bool follow_;
    std::string commandLine_;
    Lines workingFolders_;

private:
    std::filesystem::path original_ = std::filesystem::current_path();
};

// A language file: header [code], "#jezyk" = name, "#skrypt" = charset, then the texts.
std::string LangFileText(const std::string& code, const std::string& name, int charset,
                         const std::map<std::string, std::string>& texts);
// A complete language whose every text is "<tag> <key>": "PL przed1", "PL wyjdz", ...
std::string FullLangFile(const std::string& code, const std::string& tag, int charset = 0);

class Form1Rig {
public:
    // Over the rig's own in-memory file system fs, program folder C:\Patch.
    Form1Rig() : Form1Rig(fs, "C:\\Patch", false) {}
    // programFolder: what the process reports; follow: really change the working folder.
    Form1Rig(FileSystem& files, std::string programFolder, bool follow);

    // Constructs the window and runs its start-up; returns what Form_Load returned.
    bool load();
    Form1& form() { return *form_; }
    // Puts lang\<code>.lng, a complete language tagged tag, into fs.
    void addLanguage(const std::string& code, const std::string& tag, int charset = 0);
    // Registers the full edition in folder, which holds main.exe when withProgram is set.
    void registerGame(const std::string& folder, bool withProgram);
    // The user selects entry index of the selector; returns what the text area shows then.
    Lines selectLanguage(int index) {
        combo_.selected_ = index;
        form_->Combo1_Click();
        return text_.shown_;
    }

    FakeFileSystem fs;
    FileSystem& files_;
    FakeMessageLoop loop_;
    FakeMainWindow window_;
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
    // What the command line chose; its log defaults to log_.
    Form1Options options_;
    Lines log_;
    posix::LibcryptoHashService hashes_;
    // The one-run-per-folder locks the window takes; none by default.
    FolderLocks* folderLocks_ = nullptr;
    // Asks for administrator rights when the folder needs them; none by default.
    Elevation* elevation_ = nullptr;
    // Where an elevated run keeps its journals; none: in the game folder.
    JournalPlaces* journalPlaces_ = nullptr;

private:
    std::unique_ptr<Form1> form_;
};

} // namespace qly::test
