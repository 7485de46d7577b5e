// The update run, once for every front end: the start language, where the game is, the
// recovery of an interrupted run, the checks made before anything changes (game version,
// manifest, media control), the copy of the patch or the question for the folder, a stop, and
// the outcome. It knows no window: a front end (the window, the unattended run, the Linux
// program) shows what the run says and answers what it asks through RunFrontEnd.
#pragma once

#include "common/bundle_files.h"
#include "engine/class_copy_sys.h"
#include "engine/transaction.h"
#include "game/game_identity.h"
#include "game/game_lookup.h"
#include "languages/language_state.h"
#include "platform/elevation.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/journal_place.h"
#include "platform/locale.h"
#include "platform/message_loop.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/registry.h"
#include "platform/sha256.h"
#include "platform/shell.h"
#include "platform/version_resource.h"
#include "update/exit_codes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qly {

class ManifestCheck;
namespace patch {
class PatchFiles;
}

// Told to the user when the skin cannot be loaded; the program then ends.
inline constexpr const char* kSkinMissingText =
    "The window's picture gfx.bmp is missing or cannot be read. The installer will close.";

struct GameLocation {
    std::string folder; // no trailing separator; empty when nothing is known
    int16_t status = 0; // 0 none, 1 folder holds the game, 2 folder lacks its program
    GameSource source = GameSource::None;
    std::string registryView; // the view that answered, when the registry did
    std::string from;         // the key, app or entry that named it (see FoundGame)
    std::string exe;          // the game's program, for the log
};

// Whether folder holds the identity's game program as an ordinary, visible file, its name
// matched without regard to letter case.
bool HoldsGame(FileSystem& files, const std::string& folder, const GameIdentity& identity);

// Whether the bundle holds its patch tree (update\ in the working folder) as a folder.
bool HoldsPatchTree(FileSystem& files);

// Whether the bundle holds a patch archive (update.qlypatch in the working folder) as a file.
bool HoldsPatchArchive(FileSystem& files);

// Where the game folder is said to be: dir when given (one trailing separator dropped), else
// the first of the identity's records that names one (FindGame). status is left 0: whether
// the folder holds the game is the caller's test (see HoldsGame), made when its flow needs it.
GameLocation LocateGame(const GameLookupServices& services, const GameIdentity& identity,
                        const std::optional<std::string>& dir);

// One line for the log: the folder and where it came from.
std::string DescribeGameLocation(const GameLocation& location);

// One line for the log: what the recovery of an interrupted run found.
std::string DescribeRecovery(RecoveryResult result);

// One line for the log: the file and the reason of a failed copy, with the system's error
// number.
std::string DescribeCopyFailure(const std::optional<CopyFailure>& failure);

// What the run needs from whoever shows it. Texts are bytes in the charset of the language in
// force (UpdateRun::language().LangCharset).
class RunFrontEnd {
public:
    virtual ~RunFrontEnd() = default;
    // Shows text as a new line; " " is an empty line.
    virtual void showLine(const std::string& text) = 0;
    // Clears what the lines showed.
    virtual void clear() = 0;
    // Progress of the copy, 0 to 100; below 0 ends the display.
    virtual void setBar(int16_t percent) = 0;
    // The folder the user chose for the game, prompt in the title, the browser opened at
    // start; empty when cancelled. Only asked when the run is not unattended.
    virtual std::string askForFolder(const std::string& prompt, int32_t charset,
                                     BrowseStart start) = 0;
    // The game's files are about to change (reason says why, in charset): whatever could
    // disturb the run is held back until unlockInput, which says whether the run failed.
    virtual void lockInput(const std::string& reason, int32_t charset) = 0;
    virtual void unlockInput(bool failed) = 0;
    // One line for the support log.
    virtual void log(const std::string& line) = 0;
};

// The services the run works with, all outliving it.
struct RunServices {
    FileSystem& files;
    ProfileFile& profile;
    Registry& registry;
    VersionResource& versions;
    Locale& locale;
    MessageLoop& loop;
    Process& process;
    HashService& hashes;
    // The one-run-per-folder lock; none: no other run is guarded against (tests).
    FolderLocks* folderLocks = nullptr;
    // Asks for administrator rights when the game folder needs them; none: never asked.
    Elevation* elevation = nullptr;
    // Where a run with administrator rights keeps its journals; none: in the game folder.
    JournalPlaces* journalPlaces = nullptr;
    // Store records' paths as this program opens them; empty: Windows paths as they are.
    LocalPathOf localPath = {};
};

// How the program was started.
struct RunOptions {
    std::optional<std::string> dir;  // the game folder, before the registry
    std::optional<std::string> lang; // the header code of the start language
    bool unattended = false;         // nobody answers: the run never asks for the folder
    // Asked before an interrupted run found in the game folder is recovered; false leaves the
    // folder as it is and the run does not start. Empty: recovered without asking.
    std::function<bool()> confirmRecovery;
};

// One entry of the language catalogue, for a selector: the name in its own charset.
struct LanguageEntry {
    std::string name;
    int32_t charset = 0;
};

class UpdateRun {
public:
    // Loads the language of a catalogue index as the front end switches languages; throws
    // when it could not.
    using LanguageLoader = std::function<void(int16_t index)>;

    UpdateRun(const RunServices& services, RunOptions options, RunFrontEnd& frontEnd);
    ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // --- Start-up, in this order (each step stands alone) ---
    // Makes the program's folder the working folder, reads the game's identity from the
    // layout file there, and returns the folder (empty when unknown).
    std::string EnterProgramFolder();
    // The copy engine, reporting its progress to the front end (unless "-reset" hides it).
    void CreateEngine();
    // Catalogues the language files; the list index of each entry names its file.
    std::vector<LanguageEntry> LoadLangList();
    // Finds the game folder and, in the order its source needs, has load switch to the start
    // language (/LANG, else the locale's, else English, else the first one).
    void FindGameFolder(const LanguageLoader& load);
    // Undoes what an interrupted earlier run left in the game folder, and says so. False when
    // it may not: the rights were refused or handed over, another run holds the folder's
    // lock, or the user declined the recovery (see gameFolderRefused).
    bool RecoverGameFolder();

    // --- Languages ---
    // Reads catalogue entry i as the language in force. Throws when there is none or it
    // cannot be read.
    void ReadLanguage(int16_t i);
    // The messages that fit where the run stands, in the language in force.
    void ShowState();

    // --- The run ---
    // From the run's first blank line to its outcome: the copy with the game folder known
    // (status 1), the "neg" series without one (status 0), or the question for the folder
    // (status 2). Each step stands alone.
    void Run();
    // The front end goes: a copy in progress stops (and is undone); the engine is released
    // once no copy holds it. Later runs and copies do nothing.
    void Stop();

    bool stopped() const { return stopped_; }
    // True once nothing may be changed in the game folder by this process: another run kept
    // its lock, the user declined the recovery, the rights were refused, or the run was
    // handed over to an elevated copy of the program.
    bool gameFolderRefused() const {
        return lockRefused_ || recoveryDeclined_ || rightsRefused_ || handedOverExit_;
    }
    // The exit code of the elevated copy that ran the update in this one's place.
    std::optional<int> handedOverExitCode() const { return handedOverExit_; }
    RunOutcome outcome() const { return outcome_; }
    // The bytes of the patch the last copy put in place (ErrorCode, without its 2 GiB cap);
    // 0 when it did not finish.
    int64_t bytesCopied() const { return bytesCopied_; }
    const LanguageState& language() const { return lang_; }
    // The game the bundle patches (the defaults until EnterProgramFolder has read it).
    const GameIdentity& identity() const { return identity_; }
    // The caption that shows percent of the copy done.
    std::string ProgressCaption(int16_t percent) const {
        return qly::ProgressCaption(identity_.caption, percent);
    }
    // The copy engine; null before CreateEngine and after Stop.
    const classCopySys* engine() const { return engine_.get(); }

    // Where the run stands.
    std::string DestPatch; // the game folder, no trailing separator
    int16_t status = 0;    // 0 no game folder, 1 folder holds the game, 2 registered without it
    int16_t etap = 0;      // 0 before the update run, 1 from its start on
    int32_t ErrorCode = 0; // copy result: 0 or more bytes, -1 failure, -2 no space

private:
    void CopyStep(bool blankLineFirst);
    // Makes sure this process may change DestPatch: the rights (handing the run over to an
    // elevated copy when the user lacks them), then the folder's lock, held while the recovery
    // or the run changes the folder, waiting a few seconds for another run. False (the user
    // told) when it may not; the outcome is then set.
    bool LockGameFolder();
    bool EnsureRights();
    // Finds where this run keeps its journals (see RunServices::journalPlaces). False (the
    // user told, the lock let go) when the place for an elevated run is not safe.
    bool FindJournalPlace();
    // Lets go of the folder's lock (and its file) once the folder will not change for now.
    void ReleaseGameFolder();
    // The game's program in DestPatch, as the version check opens it.
    std::string GameProgramPath();
    void AskForFolder();
    void GameNotFound();
    void Line(const std::string& text);
    // The checks and the copy of "update\"; leaves the engine's result in ErrorCode.
    void UpdateFiles();
    // Tells the user and answers true when the game is not of the version the patch is for.
    bool RefusedGameVersion();
    // The check of the patch tree by its manifest, null without one; false (with the
    // manifest as the run's failure) when the manifest cannot be read.
    bool LoadPayloadCheck(std::unique_ptr<ManifestCheck>& check);
    // Opens the bundle's patch archive, when it has one, and checks the game against it: true
    // when the run goes on (patch then holds it, or stays null without an archive); false when
    // the game is already up to date or is refused (both told to the user), or the archive
    // cannot be read (lastFailure_ says why). Nothing is changed.
    bool CheckPatchArchive(std::unique_ptr<patch::PatchFiles>& patch);
    // Marks the media control for removal when the game's copy is not newer than the system's.
    void RemoveOutdatedMediaControl();
    // The "error" line and, when the run named one, the file and the reason.
    void ShowFailure();
    // The /LANG language's catalogue index, or LangCount when there is none.
    int16_t RequestedLangIndex();
    void PickDefaultLang(const LanguageLoader& load);
    void PickDefaultLangSafe(const LanguageLoader& load);
    void Progress(int16_t percent);

    RunServices services_;
    RunOptions options_;
    RunFrontEnd& frontEnd_;
    GameIdentity identity_ = DefaultGameIdentity();
    LanguageState lang_;
    std::unique_ptr<classCopySys> engine_;
    RunOutcome outcome_ = RunOutcome::NotRun;
    int64_t bytesCopied_ = 0;
    bool stopped_ = false;
    // Set while QuickCopy runs: a stop meanwhile leaves the engine's release to the copy
    // step, which still has it on its stack.
    bool copying_ = false;
    bool releaseEngineAfterCopy_ = false;
    // Set when the update step refused the game's version; a language switch then shows that
    // refusal again instead of the general "error" line.
    bool versionRefused_ = false;
    // Set when the patch archive found the game already patched (nothing to do), or a file of
    // the game that is not the one the patch starts from (the run is refused).
    bool upToDate_ = false;
    std::optional<std::string> refusedFile_;
    // Why the update run did not install, as the engine told it.
    std::optional<CopyFailure> lastFailure_;
    // The catalogue index of the language in force, -1 before one is read.
    int16_t langIndex_ = -1;
    // The game folder's lock, held during the recovery and the run, and the folder it is for.
    std::unique_ptr<HeldFolderLock> folderLock_;
    std::string lockedFolder_;
    // Where the runs on lockedFolder_ keep their journals (see Journal::place); empty: there.
    std::string journalPlace_;
    bool lockRefused_ = false;
    bool recoveryDeclined_ = false;
    bool rightsRefused_ = false;
    std::optional<int> handedOverExit_;
};

} // namespace qly
