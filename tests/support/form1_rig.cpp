#include "support/form1_rig.h"

#include "platform/posix/posix_file_system.h"

namespace qly::test {

namespace {

// The entries of a complete listing that match a pattern.
class FilteredListing : public DirListing {
public:
    FilteredListing(std::unique_ptr<DirListing> all, std::string pattern)
        : all_(std::move(all)), pattern_(std::move(pattern)) {}
    bool next(DirEntry& entry) override {
        while (all_->next(entry)) {
            if (posix::matchesPattern(entry.name, pattern_)) {
                return true;
            }
        }
        return false;
    }

private:
    std::unique_ptr<DirListing> all_;
    std::string pattern_;
};

} // namespace

std::unique_ptr<DirListing> PatternFileSystem::list(const std::string& folder,
                                                    const std::string& pattern) {
    std::unique_ptr<DirListing> all = FakeFileSystem::list(folder, "*");
    if (!all || pattern == "*" || pattern == "*.*") {
        return all;
    }
    return std::make_unique<FilteredListing>(std::move(all), pattern);
}

std::string FakeProfileFile::getString(const std::string& path, const std::string& section,
                                       const std::string& key, const std::string& defaultValue,
                                       std::size_t bufferSize) {
    pathAsked_ = path;
    const auto it = values_.find({section, key});
    std::string value = it == values_.end() ? defaultValue : it->second;
    if (bufferSize > 0 && value.size() > bufferSize - 1) {
        value.resize(bufferSize - 1);
    }
    return value;
}

std::string LangFileText(const std::string& code, const std::string& name, int charset,
                         const std::map<std::string, std::string>& texts) {
    std::string out = "[" + code + "]\r\n";
    out += "/#jezyk/= " + name + "'\r\n";
    out += "/#skrypt/= " + std::to_string(charset) + "'\r\n";
    for (const auto& [key, text] : texts) {
        out += "/" + key + "/= " + text + "'\r\n";
    }
    return out;
}

std::string FullLangFile(const std::string& code, const std::string& tag, int charset) {
    std::map<std::string, std::string> texts;
    for (const char* key : {"instaluj", "wyjdz", "error", "brak miejsca", "nie moge znalezc",
                            "podaj folder", "przed1", "przed2", "poz1", "poz2", "neg1"}) {
        texts[key] = tag + " " + key;
    }
    return LangFileText(code, tag, charset, texts);
}

Form1Rig::Form1Rig(FileSystem& files, std::string programFolder, bool follow)
    : files_(files), process_(std::move(programFolder), follow) {
    command2_.bounds_ = Rect{0, 0, 20, 20};
    command3_.bounds_ = Rect{0, 0, 20, 20};
    combo_.bounds_ = Rect{0, 0, 100, 21};
    // Nothing ticks by itself: every yield counts 10 ms.
    loop_.setTickStep(10);
}

bool Form1Rig::load() {
    const Form1Controls controls{window_, command1_, command2_, command3_,
                                 combo_,  text_,     image1_,   image2_};
    const Form1Services services{files_,    profile_, registry_, shell_,
                                 versions_, locale_,  loop_,     process_};
    form_ = std::make_unique<Form1>(controls, services);
    return form_->Form_Load();
}

} // namespace qly::test
