#include "support/form1_rig.h"

#include <algorithm>

namespace qly::test {

std::string FakeProfileFile::getString(const std::string& path, const std::string& section,
                                       const std::string& key, const std::string& defaultValue,
                                       std::size_t /*bufferSize*/) {
    pathAsked_ = path;
    const auto it = values_.find({section, key});
    return it == values_.end() ? defaultValue : it->second;
}

std::vector<std::string> FakeProfileFile::keys(const std::string& path,
                                               const std::string& section) {
    pathAsked_ = path;
    std::vector<std::string> names;
    for (const auto& [s, key] : order_) {
        if (s == section && values_.contains({s, key})) {
            names.push_back(key);
        }
    }
    // Values set directly come after, in the map's order.
    for (const auto& [entry, value] : values_) {
        if (entry.first == section &&
            std::find(names.begin(), names.end(), entry.second) == names.end()) {
            names.push_back(entry.second);
        }
    }
    return names;
}

std::string FakeShell::browseForFolder(const std::string& title, int32_t titleCharset,
                                       BrowseStart start) {
    browseTitles_.push_back(title + " @" + std::to_string(titleCharset));
    browseStarts_.push_back(start);
    if (onBrowse_) {
        onBrowse_();
    }
    if (answers_.empty()) {
        return {};
    }
    std::string answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void FakeProcess::setWorkingFolder(const std::string& folder) {
    workingFolders_.push_back(folder);
    if (follow_) {
        std::string native = folder;
        std::ranges::replace(native, '\\', '/');
        std::filesystem::current_path(native); // throws when the folder is missing
    }
}

std::string LangFileText(const std::string& code, const std::string& name, int charset,
                         const std::map<std::string, std::string>& texts) {
    std::string out = "[" + code + "]\r\n/#jezyk/= " + name +
                      "'\r\n/#skrypt/= " + std::to_string(charset) + "'\r\n";
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
    loop_.setTickStep(10); // nothing ticks by itself: every yield counts 10 ms
}

bool Form1Rig::load() {
    const Form1Controls controls{window_, command1_, command2_, command3_,
                                 combo_,  text_,     image1_,   image2_};
    const Form1Services services{RunServices{files_, profile_, registry_, versions_, locale_, loop_,
                                             process_, hashes_, folderLocks_, elevation_,
                                             journalPlaces_},
                                 shell_};
    if (!options_.log) {
        options_.log = [this](const std::string& line) { log_.push_back(line); };
    }
    form_ = std::make_unique<Form1>(controls, services, options_);
    return form_->Form_Load();
}

void Form1Rig::addLanguage(const std::string& code, const std::string& tag, int charset) {
    fs.addFile("lang\\" + code + ".lng", FullLangFile(code, tag, charset));
}

void Form1Rig::registerGame(const std::string& folder, bool withProgram) {
    registry_.values_[{"SOFTWARE\\Brantmoor Games\\Quillory", "Install Path"}] = folder;
    fs.addFolder(folder);
    if (withProgram) {
        fs.addFile(folder + "\\main.exe", "MZ");
    }
}

} // namespace qly::test
