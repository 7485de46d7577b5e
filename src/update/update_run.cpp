#include "update/update_run.h"

#include "common/ascii_case.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "common/stand_alone.h"
#include "languages/language_keys.h"
#include "languages/locale_table.h"
#include "languages/message_lines.h"
#include "layout/layout_file.h"
#include "patch/patch_files.h"
#include "platform/wait.h"
#include "textscroll/line_sink.h"
#include "update/command_switches.h"
#include "update/elevation_step.h"
#include "update/failure_text.h"
#include "update/file_version.h"
#include "update/game_folder_lock.h"
#include "update/game_version.h"
#include "update/manifest_check.h"

#include <limits>

namespace qly {

bool HoldsGame(FileSystem& files, const std::string& folder, const GameIdentity& identity) {
    return GameProgramIn(files, folder, identity.exe).has_value();
}

bool HoldsPatchTree(FileSystem& files) {
    try {
        const std::optional<uint32_t> found = files.statusOf(kPatchTreeName);
        return found && (*found & kAttrDirectory) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool HoldsPatchArchive(FileSystem& files) {
    try {
        const std::optional<uint32_t> found = files.statusOf(patch::kBundleArchiveName);
        return found && (*found & kAttrDirectory) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

GameLocation LocateGame(const GameLookupServices& services, const GameIdentity& identity,
                        const std::optional<std::string>& dir) {
    GameLocation found;
    found.exe = identity.exe;
    if (dir) {
        found.folder = *dir;
        found.source = GameSource::DirSwitch;
        // A folder given as "C:\Games\Quillory\" or a drive root "E:\": the copy adds its own.
        if (!found.folder.empty() && (found.folder.back() == '\\' || found.folder.back() == '/')) {
            found.folder.pop_back();
        }
        return found;
    }
    const FoundGame game = FindGame(identity, services);
    found.folder = game.folder;
    found.source = game.folder.empty() ? GameSource::None : game.source;
    found.registryView = game.registryView;
    found.from = game.from;
    return found;
}

std::string DescribeGameLocation(const GameLocation& location) {
    std::string from;
    switch (location.source) {
    case GameSource::None:
        return "game folder: not registered";
    case GameSource::FullEdition:
        from = "registry, full edition";
        break;
    case GameSource::DemoEdition:
        from = "registry, DEMO edition";
        break;
    case GameSource::RegistryKey:
        from = "registry, " + location.from;
        break;
    case GameSource::Steam:
    case GameSource::Gog:
    case GameSource::Uninstall:
        from = location.from;
        break;
    case GameSource::DirSwitch:
        from = "/DIR";
        break;
    case GameSource::Browser:
        from = "folder browser";
        break;
    }
    if (!location.registryView.empty()) {
        from += ", " + location.registryView + " view";
    }
    const std::string exe = location.exe.empty() ? DefaultGameIdentity().exe : location.exe;
    return "game folder: " + location.folder + " (" + from + ")" +
           (location.status == 1 ? "" : ", no " + exe + " in it");
}

std::string DescribeRecovery(RecoveryResult result) {
    switch (result) {
    case RecoveryResult::NothingFound:
        return "recovery: no interrupted run in the game folder";
    case RecoveryResult::Undone:
        return "recovery: an interrupted run was undone; the game is as before it";
    case RecoveryResult::Completed:
        return "recovery: an interrupted run had finished; its clean-up was completed";
    case RecoveryResult::Failed:
        return "recovery: an interrupted run could not be undone; the journal stays";
    case RecoveryResult::Damaged:
        return "recovery: the journal of an interrupted run is damaged; nothing was touched";
    }
    return "recovery: unknown result";
}

std::string DescribeCopyFailure(const std::optional<CopyFailure>& failure) {
    if (!failure) {
        return "reason unknown";
    }
    if (failure->stopped) {
        return "stopped";
    }
    std::string reason;
    switch (failure->kind) {
    case FailureKind::InUse:
        reason = "in use by another program";
        break;
    case FailureKind::AccessDenied:
        reason = "access denied";
        break;
    case FailureKind::ReadOnly:
        reason = "read-only";
        break;
    case FailureKind::DiskFull:
        reason = "disk full";
        break;
    case FailureKind::Vanished:
        reason = "not there";
        break;
    case FailureKind::InTheWay:
        reason = "a file or folder in the way";
        break;
    case FailureKind::Damaged:
        reason = "damaged: not the file the patch lists";
        break;
    case FailureKind::Link:
        reason = "a link or junction to somewhere else; nothing was changed";
        break;
    case FailureKind::Other:
        reason = "failed";
        break;
    }
    std::string line = (failure->path.empty() ? "" : failure->path + ": ") + reason;
    if (failure->systemCode != 0) {
        line += " (system error " + std::to_string(failure->systemCode) + ")";
    }
    if (!failure->undone) {
        line += "; an undo could not finish, the journal stays in the game folder";
    }
    return line;
}

namespace {

// The message series of the language files, shown through the front end.
class FrontEndLines final : public LineSink {
public:
    explicit FrontEndLines(RunFrontEnd& frontEnd) : frontEnd_(frontEnd) {}
    void Tekst(std::string sss) override { frontEnd_.showLine(sss); }

private:
    RunFrontEnd& frontEnd_;
};

// Holds the front end's input back while the game's files may change, and tells it at the
// end whether the run failed. Never throws: these are signs, not the work.
class LockedInputScope {
public:
    LockedInputScope(RunFrontEnd& frontEnd, const std::string& reason, int32_t charset,
                     const int32_t& result) noexcept
        : frontEnd_(frontEnd), result_(result) {
        StandAloneStep([&] { frontEnd_.lockInput(reason, charset); });
    }
    ~LockedInputScope() {
        StandAloneStep([&] { frontEnd_.unlockInput(result_ < 0); });
    }
    LockedInputScope(const LockedInputScope&) = delete;
    LockedInputScope& operator=(const LockedInputScope&) = delete;

private:
    RunFrontEnd& frontEnd_;
    const int32_t& result_;
};

// Marks the engine as running for the duration of one copy, and releases it afterwards when
// a stop asked for that meanwhile.
class CopyingScope {
public:
    CopyingScope(bool& copying, bool& releaseAfter, std::unique_ptr<classCopySys>& engine)
        : copying_(copying), releaseAfter_(releaseAfter), engine_(engine) {
        copying_ = true;
    }
    ~CopyingScope() {
        copying_ = false;
        if (releaseAfter_) {
            releaseAfter_ = false;
            engine_.reset();
        }
    }
    CopyingScope(const CopyingScope&) = delete;
    CopyingScope& operator=(const CopyingScope&) = delete;

private:
    bool& copying_;
    bool& releaseAfter_;
    std::unique_ptr<classCopySys>& engine_;
};

// Has the engine consult check for the length of one copy.
class SourceCheckScope {
public:
    SourceCheckScope(classCopySys& engine, SourceCheck* check) : engine_(engine) {
        engine_.SetSourceCheck(check);
    }
    ~SourceCheckScope() { engine_.SetSourceCheck(nullptr); }
    SourceCheckScope(const SourceCheckScope&) = delete;
    SourceCheckScope& operator=(const SourceCheckScope&) = delete;

private:
    classCopySys& engine_;
};

// Catalogue index of the first language coded exactly code, or LangCount.
int16_t findCode(const LanguageState& lang, const std::string& code) {
    int16_t i = 0;
    while (i < lang.LangCount && lang.LangCodes[i] != code) {
        ++i;
    }
    return i;
}

} // namespace

UpdateRun::UpdateRun(const RunServices& services, RunOptions options, RunFrontEnd& frontEnd)
    : services_(services), options_(std::move(options)), frontEnd_(frontEnd),
      lang_(services.files) {}

UpdateRun::~UpdateRun() = default;

void UpdateRun::Line(const std::string& text) {
    StandAloneStep([&] { frontEnd_.showLine(text); });
}

// ---------------------------------------------------------------------------------------
// Start-up

std::string UpdateRun::EnterProgramFolder() {
    std::string programFolder;
    StandAloneStep([&] {
        programFolder = services_.process.programFolder();
        services_.process.setWorkingFolder(programFolder);
    });
    StandAloneStep([&] {
        identity_ = ReadGameIdentity(LayoutFile(services_.profile, LayoutFilePath(programFolder)));
    });
    return programFolder;
}

void UpdateRun::CreateEngine() {
    engine_ = std::make_unique<classCopySys>(services_.files, services_.loop);
    engine_->CopyState = [this](int16_t procent, int64_t&, int64_t&) { Progress(procent); };
}

void UpdateRun::Progress(int16_t percent) {
    if (stopped_) {
        return;
    }
    StandAloneStep([&] {
        if (!HidesProgress(services_.process.commandLine())) {
            frontEnd_.setBar(percent);
        }
    });
}

std::vector<LanguageEntry> UpdateRun::LoadLangList() {
    std::vector<LanguageEntry> entries;
    int16_t count = 0;
    std::unique_ptr<DirListing> listing;
    StandAloneStep(
        [&] { listing = services_.files.list(std::string(kLanguageFolderName) + "\\", "*.lng"); });
    DirEntry entry;
    // Files that cannot be read or have no complete "[code]" header are left out, so that the
    // list index of every entry still names its catalogued file.
    while (listing && count < LanguageState::kMaxLanguages) {
        try {
            if (!listing->next(entry)) {
                break;
            }
        } catch (const std::exception&) {
            break;
        }
        if ((entry.attributes & (kAttrDirectory | kAttrHidden | kAttrSystem)) != 0) {
            continue;
        }
        try {
            lang_.ReadLangFile(entry.name);
            const std::string& text = lang_.LangBuffer;
            const std::size_t open = text.find('[');
            const std::size_t close = open == std::string::npos ? open : text.find(']', open);
            if (close == std::string::npos) {
                continue;
            }
            lang_.setLangCode(text.substr(open + 1, close - open - 1));
            // Each name is shown in its own language's characters.
            entries.push_back(
                {lang_.LangText("#jezyk"), ParseIniNumber(lang_.LangText("#skrypt"))});
            lang_.LangFiles[count] = entry.name;
            lang_.LangCodes[count] = lang_.LangCode;
            ++count;
        } catch (const std::exception&) {
            continue;
        }
    }
    lang_.LangCount = count;
    return entries;
}

void UpdateRun::FindGameFolder(const LanguageLoader& load) {
    GameLocation found;
    StandAloneStep([&] {
        found = LocateGame({services_.registry, services_.files, services_.localPath}, identity_,
                           options_.dir);
    });
    DestPatch = found.folder;
    const auto testFolder = [&] {
        status = found.source == GameSource::None
                     ? 0
                     : (HoldsGame(services_.files, DestPatch, identity_) ? 1 : 2);
        found.status = status;
        frontEnd_.log(DescribeGameLocation(found));
    };
    if (found.source != GameSource::DemoEdition && found.source != GameSource::None) {
        testFolder();
        // Only a folder that holds the game picks its language the safe way.
        if (status == 1) {
            StandAloneStep([&] { PickDefaultLangSafe(load); });
        } else {
            StandAloneStep([&] { PickDefaultLang(load); });
        }
    } else {
        // The DEMO edition picks its language before the game test, and never the safe way.
        StandAloneStep([&] { PickDefaultLang(load); });
        testFolder();
    }
}

bool UpdateRun::RecoverGameFolder() {
    if (DestPatch.empty()) {
        return true;
    }
    if (!LockGameFolder()) {
        return false;
    }
    if (options_.confirmRecovery &&
        HasInterruptedRun(services_.files, DestPatch + "\\", journalPlace_) &&
        !options_.confirmRecovery()) {
        recoveryDeclined_ = true;
        frontEnd_.log("recovery: the user declined; the game folder was left as it is");
        ReleaseGameFolder();
        return false;
    }
    if (!journalPlace_.empty()) {
        // A journal another user could have written is never acted on, and is no reason to
        // refuse this run: the runs it could stand for are that user's own.
        for (const std::string& path : UntrustedJournals(services_.files, DestPatch + "\\")) {
            frontEnd_.log("recovery: " + path + " in the game folder was not written by an " +
                          "administrator's run; left alone");
        }
    }
    const RecoveryResult result =
        RecoverInterruptedRun(services_.files, DestPatch + "\\", &services_.loop, journalPlace_);
    // Until the update starts nothing changes here: the folder keeps nothing of ours meanwhile,
    // also while the line below scrolls in.
    ReleaseGameFolder();
    frontEnd_.log(DescribeRecovery(result));
    const std::string line = RecoveryLine(lang_, result);
    if (!line.empty()) {
        frontEnd_.showLine(line);
    }
    return true;
}

bool UpdateRun::EnsureRights() {
    if (services_.elevation == nullptr || DestPatch.empty()) {
        return true;
    }
    const std::string langCode =
        langIndex_ >= 0 && langIndex_ < lang_.LangCount ? lang_.LangCodes[langIndex_] : "";
    const ElevationResult result =
        EnsureRightsFor(*services_.elevation, DestPatch,
                        ElevatedArguments(services_.process.commandLine(), DestPatch, langCode),
                        [this](const std::string& line) { frontEnd_.log(line); });
    switch (result.kind) {
    case ElevationResult::Kind::NotNeeded:
        return true;
    case ElevationResult::Kind::HandedOver:
        handedOverExit_ = result.exitCode;
        return false;
    case ElevationResult::Kind::Refused:
        rightsRefused_ = true;
        outcome_ = RunOutcome::CouldNotStart;
        Line(LangTextWithArguments(lang_, "brak uprawnien", {DestPatch}));
        return false;
    }
    return false;
}

bool UpdateRun::LockGameFolder() {
    if (rightsRefused_ || handedOverExit_) {
        return false;
    }
    if (folderLock_ && lockedFolder_ == DestPatch) {
        return true;
    }
    // A folder without the game is never changed (the run asks for another one, or ends):
    // nothing to guard, and no rights to ask for.
    if (!HoldsGame(services_.files, DestPatch, identity_)) {
        return true;
    }
    if (!EnsureRights()) {
        return false;
    }
    if (services_.folderLocks == nullptr) {
        return FindJournalPlace();
    }
    folderLock_.reset();
    std::string refusal = "lock: another update of " + DestPatch + " is running";
    try {
        folderLock_ = WaitForFolderLock(*services_.folderLocks, services_.loop, DestPatch);
    } catch (const std::exception& e) {
        refusal = std::string("lock: ") + e.what();
    }
    lockRefused_ = !folderLock_;
    if (lockRefused_) {
        outcome_ = RunOutcome::CouldNotStart; // also when the front end goes after this
        frontEnd_.log(refusal + "; nothing was changed");
        Line(LangTextOrBuiltIn(lang_, "inna aktualizacja"));
        return false;
    }
    lockedFolder_ = DestPatch;
    frontEnd_.log("lock: " + DestPatch + " is this run's until it has changed it");
    return FindJournalPlace();
}

bool UpdateRun::FindJournalPlace() {
    journalPlace_.clear();
    if (services_.journalPlaces == nullptr) {
        return true;
    }
    try {
        if (const auto place = services_.journalPlaces->placeFor(DestPatch)) {
            journalPlace_ = *place;
            frontEnd_.log("journal: kept in " + journalPlace_ +
                          ", where only administrators "
                          "can write");
        }
        return true;
    } catch (const std::exception& e) {
        // Without a journal no one else can change, an elevated run cannot be undone safely.
        ReleaseGameFolder();
        lockRefused_ = true;
        outcome_ = RunOutcome::CouldNotStart;
        frontEnd_.log(std::string("journal: ") + e.what() + "; nothing was changed");
        Line(lang_.LangText("error"));
        return false;
    }
}

void UpdateRun::ReleaseGameFolder() {
    if (folderLock_) {
        folderLock_.reset();
        frontEnd_.log("lock: " + lockedFolder_ + " released");
        lockedFolder_.clear();
    }
}

// ---------------------------------------------------------------------------------------
// Languages

int16_t UpdateRun::RequestedLangIndex() {
    if (!options_.lang) {
        return lang_.LangCount;
    }
    const std::string wanted = AsciiUpperCase(*options_.lang);
    int16_t i = 0;
    // The command line's letter case is the user's; headers are matched in capitals.
    while (i < lang_.LangCount && AsciiUpperCase(lang_.LangCodes[i]) != wanted) {
        ++i;
    }
    if (i == lang_.LangCount) {
        frontEnd_.log("language: no file for /LANG=" + *options_.lang +
                      ", the usual choice follows");
    }
    return i;
}

void UpdateRun::PickDefaultLang(const LanguageLoader& load) {
    int16_t i = RequestedLangIndex();
    if (i < lang_.LangCount) {
        frontEnd_.log("language: " + lang_.LangCodes[i] + " (/LANG)");
        load(i);
        return;
    }
    lang_.setLangCode(AsciiUpperCase(LocaleLangCode(services_.locale)));
    const std::string localeCode = lang_.LangCode;
    i = findCode(lang_, lang_.LangCode);
    std::string why = "the system locale";
    if (i == lang_.LangCount) {
        lang_.setLangCode("ENG");
        i = findCode(lang_, lang_.LangCode);
        why = "no file for the system locale's " + localeCode;
    }
    if (i == lang_.LangCount) {
        if (lang_.LangCount == 0) {
            // Nothing to speak: every text reads as empty.
            frontEnd_.log("language: none, the bundle has no language file");
            lang_.LangBuffer.clear();
            lang_.LangCharset = 0;
            return;
        }
        // Neither the locale's language nor English: the first one catalogued.
        i = 0;
        why += ", no English file either: the first one";
    }
    frontEnd_.log("language: " + lang_.LangCodes[i] + " (" + why + ")");
    load(i);
}

void UpdateRun::PickDefaultLangSafe(const LanguageLoader& load) {
    try {
        PickDefaultLang(load);
    } catch (const std::exception&) {
        PickDefaultLang(load);
    }
}

void UpdateRun::ReadLanguage(int16_t i) {
    if (i < 0 || i >= lang_.LangCount) {
        throw Error("no language at index " + std::to_string(i));
    }
    lang_.ReadLangFile(lang_.LangFiles[i]);
    langIndex_ = i;
    lang_.LangCharset = ParseIniNumber(lang_.LangText("#skrypt"));
}

void UpdateRun::ShowState() {
    FrontEndLines lines(frontEnd_);
    if (ErrorCode < 0) {
        if (ErrorCode == -1) {
            ShowFailure();
        }
        if (ErrorCode == -2) {
            frontEnd_.showLine(lang_.LangText("brak miejsca"));
        }
        return;
    }
    if (etap == 0) {
        ShowMessageLines(lang_, lines, "przed");
    } else if (status == 0) {
        ShowMessageLines(lang_, lines, "neg");
    } else if (upToDate_) {
        frontEnd_.showLine(LangTextOrBuiltIn(lang_, "aktualna"));
    } else if (status == 1 || status == 2) {
        ShowMessageLines(lang_, lines, "poz");
    }
}

// ---------------------------------------------------------------------------------------
// The run

void UpdateRun::Run() {
    if (stopped_) {
        return;
    }
    etap = 1;
    frontEnd_.log("run: started");
    Line(" ");
    if (status == 1) {
        StandAloneStep([&] { CopyStep(false); });
    }
    // Nothing found: a bundle that allows it asks for the folder before saying so.
    const bool browse = status == 0 && identity_.browse && !options_.unattended;
    if (status == 0 && !browse) {
        GameNotFound();
    }
    if (status == 2 || browse) {
        StandAloneStep([&] { AskForFolder(); });
    }
    // The run's changes are done (or undone): the folder is free for another run.
    ReleaseGameFolder();
}

void UpdateRun::GameNotFound() {
    outcome_ = RunOutcome::GameNotFound;
    FrontEndLines lines(frontEnd_);
    StandAloneStep([&] { ShowMessageLines(lang_, lines, "neg"); });
}

void UpdateRun::CopyStep(bool blankLineFirst) {
    if (stopped_) {
        return; // the front end went before the copy: nothing is changed
    }
    bool locked = false;
    StandAloneStep([&] { locked = LockGameFolder(); });
    if (!locked) {
        if (!handedOverExit_) {
            outcome_ = RunOutcome::CouldNotStart;
        }
        ErrorCode = -1;
        return;
    }
    if (blankLineFirst) {
        Line(" ");
    }
    if (!HoldsPatchTree(services_.files) && !HoldsPatchArchive(services_.files)) {
        // An incomplete download or unpacking: a problem of the bundle, not of the game.
        outcome_ = RunOutcome::CouldNotStart;
        ErrorCode = -1;
        frontEnd_.log("copy not started: the bundle has no update\\ folder (nor an "
                      "update.qlypatch) beside the installer; nothing was changed");
        // The download's fault first, as ShowFailure tells a damaged file.
        Line(LangTextOrBuiltIn(lang_, "uszkodzony"));
        Line(lang_.LangText("error"));
        return;
    }
    StandAloneStep([&] { UpdateFiles(); });
    outcome_ = OutcomeOfCopy(ErrorCode);
    if (versionRefused_ || refusedFile_) {
        outcome_ = RunOutcome::VersionMismatch;
        frontEnd_.log(refusedFile_ ? "copy refused: " + *refusedFile_ +
                                         " is not the version the patch was made for; nothing "
                                         "was changed"
                                   : "copy refused: the game is not the version the patch is for");
        return;
    }
    if (upToDate_) {
        frontEnd_.log("copy not needed: the game is already at the patch's version; nothing was "
                      "changed");
        return;
    }
    if (lastFailure_ && !lastFailure_->undone) {
        // The run's own undo, or the recovery of an earlier one, could not finish.
        outcome_ = RunOutcome::RecoveryFailed;
    } else if (stopped_ && ErrorCode == -1) {
        // The user closed the installer during the copy, and it was undone: as if closed
        // before installing.
        outcome_ = RunOutcome::NotRun;
    }
    if (ErrorCode >= 0) {
        FrontEndLines lines(frontEnd_);
        StandAloneStep([&] { ShowMessageLines(lang_, lines, "poz"); });
    }
    if (ErrorCode == -1 && outcome_ == RunOutcome::NotRun) {
        // Not a failure to tell: the user ended the run, and its front end is going.
        frontEnd_.log("copy stopped by the user; the run was undone");
    } else if (ErrorCode == -1) {
        frontEnd_.log("copy failed: " + DescribeCopyFailure(lastFailure_));
        StandAloneStep([&] { ShowFailure(); });
    }
    if (ErrorCode == -2) {
        Line(lang_.LangText("brak miejsca"));
    }
}

void UpdateRun::AskForFolder() {
    Line(lang_.LangText("nie moge znalezc"));
    if (options_.unattended) {
        // Nobody to ask: the run ends as if the user had cancelled the browser.
        frontEnd_.log("game folder: not asked for, the run is unattended");
        status = 0;
        Line(" ");
        GameNotFound();
        return;
    }
    Line(lang_.LangText("podaj folder"));
    StandAloneStep([&] { Wait(services_.loop, 1000); });
    DestPatch.clear();
    // Asked because nothing names the game: it is most likely where games install.
    const BrowseStart start = status == 0 ? BrowseStart::ProgramFiles : BrowseStart::Desktop;
    // A folder without the game is refused without a word: the browser opens again.
    while (DestPatch.empty() && !stopped_) {
        try {
            DestPatch =
                frontEnd_.askForFolder(lang_.LangText("podaj folder"), lang_.LangCharset, start);
        } catch (const std::exception&) {
            DestPatch.clear(); // a browser that fails is a browser cancelled
        }
        if (DestPatch.empty()) {
            frontEnd_.log("game folder: the user cancelled the folder browser");
            etap = 1;
            status = 0;
            Line(" ");
            GameNotFound();
            break;
        }
        // A drive root comes back with its separator; the copy adds one of its own.
        if (DestPatch.back() == '\\' || DestPatch.back() == '/') {
            DestPatch.pop_back();
        }
        if (!HoldsGame(services_.files, DestPatch, identity_)) {
            frontEnd_.log("game folder: " + DestPatch + " (folder browser) refused, no " +
                          identity_.exe + " in it");
            DestPatch.clear();
        } else {
            frontEnd_.log(
                DescribeGameLocation({DestPatch, 1, GameSource::Browser, "", "", identity_.exe}));
            bool goOn = true;
            StandAloneStep([&] { goOn = RecoverGameFolder(); });
            if (!goOn) {
                // Refused rights or another run's lock set the outcome; a declined recovery
                // leaves the run as not run.
                if (lockRefused_ || rightsRefused_) {
                    ErrorCode = -1;
                }
                frontEnd_.log("run: ended before any change in the game folder");
                break;
            }
            CopyStep(true);
        }
    }
}

void UpdateRun::UpdateFiles() {
    const LockedInputScope locked(frontEnd_, LangTextOrBuiltIn(lang_, "instalacja"),
                                  lang_.LangCharset, ErrorCode);
    bool stored = false;
    try {
        if (!engine_) {
            throw Error("the copy engine is not there");
        }
        // The checks that end the run before anything in the game folder changes.
        std::unique_ptr<ManifestCheck> payloadCheck;
        versionRefused_ = RefusedGameVersion();
        if (versionRefused_ || !LoadPayloadCheck(payloadCheck)) {
            ErrorCode = -1;
            return;
        }
        std::unique_ptr<patch::PatchFiles> patch;
        if (!CheckPatchArchive(patch)) {
            ErrorCode = upToDate_ ? 0 : -1;
            return;
        }
        RemoveOutdatedMediaControl();
        Line(" ");
        // The line yields: a front end gone meanwhile has released the engine already.
        if (!engine_) {
            throw Error("the front end went before the copy");
        }
        CopyRun run;
        {
            const CopyingScope scope(copying_, releaseEngineAfterCopy_, engine_);
            const SourceCheckScope checked(*engine_, payloadCheck.get());
            engine_->SetJournalPlace(journalPlace_);
            const std::string tree = std::string(kPatchTreeName) + "\\";
            run = !patch ? engine_->Install(tree, DestPatch + "\\")
                         : engine_->InstallMade(*patch, HoldsPatchTree(services_.files) ? tree : "",
                                                DestPatch + "\\");
        }
        // The run's value, not the engine's: a front end gone during the copy releases the
        // engine, and with it the news that its undo could not finish.
        lastFailure_ = run.failure;
        // A run of 2 GiB or more did succeed; it must not read as a failure.
        const int64_t bytes = NumericResult(run).value_or(0);
        bytesCopied_ = std::max<int64_t>(bytes, 0);
        ErrorCode = bytes > std::numeric_limits<int32_t>::max()
                        ? std::numeric_limits<int32_t>::max()
                        : static_cast<int32_t>(bytes);
        stored = true;
        if (ErrorCode != -1) {
            Line(" ");
        }
    } catch (...) {
        // A failure before the result was stored must not pass for a success.
        if (!stored) {
            ErrorCode = -1;
        }
    }
}

bool UpdateRun::RefusedGameVersion() {
    const auto refusal = GameVersionRefusal(
        LayoutFile(services_.profile, LayoutFilePath(services_.process.programFolder())),
        services_.versions, GameProgramPath(), lang_);
    if (refusal) {
        Line(*refusal);
    }
    return refusal.has_value();
}

std::string UpdateRun::GameProgramPath() {
    // The name as the folder has it: a file system that tells case apart (a prefix's) opens
    // only that one.
    return GameProgramIn(services_.files, DestPatch, identity_.exe)
        .value_or(DestPatch + "\\" + identity_.exe);
}

bool UpdateRun::LoadPayloadCheck(std::unique_ptr<ManifestCheck>& check) {
    try {
        check = LoadManifestCheck(services_.files, services_.hashes, kManifestName);
        return true;
    } catch (const std::exception&) {
        // A manifest that cannot be trusted cannot vouch for the patch either.
        lastFailure_ = CopyFailure{FailureKind::Damaged, kManifestName};
        return false;
    }
}

bool UpdateRun::CheckPatchArchive(std::unique_ptr<patch::PatchFiles>& patch) {
    if (!HoldsPatchArchive(services_.files)) {
        return true;
    }
    const std::string game = DestPatch + "\\";
    try {
        patch = std::make_unique<patch::PatchFiles>(services_.files, services_.hashes,
                                                    patch::kBundleArchiveName, game);
    } catch (const Error& e) {
        // A damaged archive, or a game file that cannot be read: named inside the game folder.
        const std::string& path = e.path();
        lastFailure_ = CopyFailure{
            e.kind(), path.starts_with(game) ? path.substr(game.size()) : path, e.systemCode()};
        frontEnd_.log("copy not started: " + std::string(e.what()) + "; nothing was changed");
        return false;
    }
    switch (patch->check().state) {
    case patch::GameState::Old:
        return true;
    case patch::GameState::New:
        upToDate_ = true;
        Line(LangTextOrBuiltIn(lang_, "aktualna"));
        break;
    case patch::GameState::Other:
        refusedFile_ = patch->check().firstDifferent;
        Line(LangTextWithArguments(
            lang_, "inna wersja pliku",
            {services_.locale.toCharsetText(*refusedFile_, lang_.LangCharset)}));
        break;
    }
    patch.reset();
    return false;
}

void UpdateRun::RemoveOutdatedMediaControl() {
    const std::string localCopy = DestPatch + "\\msdxm.ocx";
    if (FileExists(services_.files, localCopy)) {
        const double local = FileVersionNumber(services_.versions, localCopy);
        const double system = SystemFileVersion(services_.versions, "msdxm.ocx");
        // Removed by the run itself, so that a run that fails keeps it.
        if (local <= system) {
            engine_->AddRemoval("msdxm.ocx");
        }
    }
}

void UpdateRun::ShowFailure() {
    if (refusedFile_) {
        Line(LangTextWithArguments(
            lang_, "inna wersja pliku",
            {services_.locale.toCharsetText(*refusedFile_, lang_.LangCharset)}));
        return;
    }
    if (versionRefused_) {
        StandAloneStep([&] { RefusedGameVersion(); });
        return;
    }
    // A damaged patch file says so (download the patch again) before the general line, which
    // is about the game and its folder: read first, that one sends the player the wrong way.
    const bool patchAtFault = lastFailure_ && lastFailure_->undone && !lastFailure_->stopped &&
                              lastFailure_->kind == FailureKind::Damaged;
    if (!patchAtFault) {
        Line(lang_.LangText("error"));
    }
    StandAloneStep([&] {
        if (lastFailure_) {
            const std::string line = FailureLine(lang_, services_.locale, *lastFailure_);
            if (!line.empty()) {
                frontEnd_.showLine(line);
            }
        }
    });
    if (patchAtFault) {
        Line(lang_.LangText("error"));
    }
}

void UpdateRun::Stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    if (copying_ && engine_) {
        // The engine is still on the copy step's stack: it is released there.
        releaseEngineAfterCopy_ = true;
        engine_->StopCopy();
    } else {
        engine_.reset();
    }
}

} // namespace qly
