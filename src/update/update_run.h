// The update run, once for every front end: where the game is, the recovery of an interrupted
// run, the copy of the patch or the question for the folder, and the outcome. A front end
// (the window, the unattended run) shows what the run writes and answers what it asks through
// RunFrontEnd; the window's state variables are the run's own.
#pragma once

#include "engine/class_copy_sys.h"
#include "engine/transaction.h"
#include "languages/language_state.h"
#include "platform/file_system.h"
#include "platform/message_loop.h"
#include "platform/registry.h"
#include "textscroll/text_area.h"
#include "update/exit_codes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qly {

// Where the game folder came from.
enum class GameSource { None, FullEdition, DemoEdition, DirSwitch, Browser };

struct GameLocation {
    std::string folder; // no trailing separator; empty when nothing is known
    int16_t status = 0; // 0 none, 1 folder holds the game, 2 folder lacks main.exe
    GameSource source = GameSource::None;
    std::string registryView; // the view that answered, when the registry did
};

// Whether folder holds the game's program as an ordinary, visible file.
bool HoldsGame(FileSystem& files, const std::string& folder);

// The patch tree, beside the installer (the working folder during a run).
inline constexpr const char* kPatchTree = "update";

// Whether the bundle holds its patch tree as a folder.
bool HoldsPatchTree(FileSystem& files);

// Where the game folder is said to be: dir when given (one trailing separator dropped), else
// the full edition's registry entry, else the DEMO edition's. status is left 0: whether the
// folder holds the game is the caller's test (see HoldsGame), made when its flow needs it.
GameLocation LocateGame(Registry& registry, const std::optional<std::string>& dir);

// One line for the log: the folder and where it came from.
std::string DescribeGameLocation(const GameLocation& location);

// One line for the log: what the recovery of an interrupted run found.
std::string DescribeRecovery(RecoveryResult result);

// One line for the log: the file and the reason of a failed copy, with the system's error
// number.
std::string DescribeCopyFailure(const std::optional<CopyFailure>& failure);

// What the run needs from its front end.
class RunFrontEnd {
public:
    virtual ~RunFrontEnd() = default;
    // False when nobody can be asked (an unattended run): the run then never opens the browser.
    virtual bool canAskForFolder() const = 0;
    // The folder the user chose in the browser; empty when cancelled.
    virtual std::string askForFolder() = 0;
    // The copy is about to start: the window locks its language selector.
    virtual void copyStarting() = 0;
    // The media check and the copy of the patch into DestPatch; leaves the engine's result in
    // ErrorCode.
    virtual void updateFiles() = 0;
    // Undoes what an interrupted earlier run left in DestPatch, and says so. False when the
    // user declined it: the run must not go on.
    virtual bool recoverInterruptedRun() = 0;
    // Holds DestPatch's one-run lock until the run has ended; false (the user told) when
    // another run keeps it.
    virtual bool lockGameFolder() = 0;
    // Why the last copy did not install, as the engine told it; none after a success.
    virtual std::optional<CopyFailure> lastCopyFailure() const = 0;
    // True when the last updateFiles refused the game as not of the version the patch is for
    // (it said so itself; nothing was changed).
    virtual bool refusedGameVersion() const = 0;
    // Shows that the copy failed: the "error" line and the file and reason when known.
    virtual void showFailure() = 0;
    // True once the front end has gone (the window was unloaded meanwhile).
    virtual bool closed() const = 0;
    // One line for the support log.
    virtual void logEvent(const std::string& line) = 0;
};

// The window's state, which the run reads and writes.
struct RunState {
    std::string& DestPatch;
    int16_t& status;
    int16_t& etap;
    int32_t& ErrorCode;
};

class UpdateRun {
public:
    UpdateRun(RunState state, TextArea& text, const LanguageState& lang, FileSystem& files,
              MessageLoop& loop, RunFrontEnd& frontEnd);

    // From the run's first blank line to its outcome: the copy with the game folder known
    // (status 1), the "neg" series without one (status 0), or the question for the folder
    // (status 2). Each step stands alone.
    void Run();
    RunOutcome outcome() const { return outcome_; }

private:
    void CopyStep(bool blankLineFirst);
    // The folder's lock, or the run's end as one that could not start.
    bool LockOrRefuse();
    void AskForFolder();
    void GameNotFound();
    void Line(const std::string& text);

    RunState state_;
    TextArea& text_;
    const LanguageState& lang_;
    FileSystem& files_;
    MessageLoop& loop_;
    RunFrontEnd& frontEnd_;
    RunOutcome outcome_ = RunOutcome::NotRun;
};

} // namespace qly
