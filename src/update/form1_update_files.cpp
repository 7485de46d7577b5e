// The working step of the update run: the media control check and the copy of "update\".
#include "common/error.h"
#include "languages/language_keys.h"
#include "update/changing_files_scope.h"
#include "update/file_version.h"
#include "update/manifest_check.h"
#include "window/form1.h"

#include <limits>

namespace qly {

namespace {

// Marks the engine as running for the duration of one copy, and releases it afterwards when
// an unload asked for that meanwhile.
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

} // namespace

void Form1::UpdateFiles() {
    const ChangingFilesScope changing(window, LangTextOrBuiltIn(lang_, "instalacja"),
                                      lang_.LangCharset, ErrorCode);
    bool stored = false;
    try {
        if (!CopySys) {
            throw Error("the copy engine is not there");
        }
        // The checks that end the run before anything in the game folder changes.
        std::unique_ptr<ManifestCheck> payloadCheck;
        versionRefused_ = RefusedGameVersion();
        if (versionRefused_ || !LoadPayloadCheck(payloadCheck)) {
            ErrorCode = -1;
            return;
        }
        const std::string localCopy = DestPatch + "\\msdxm.ocx";
        if (files_.fileExists(localCopy)) {
            const double local = FileVersionNumber(versions_, localCopy);
            const double system = SystemFileVersion(versions_, "msdxm.ocx");
            // Removed by the run itself, so that a run that fails keeps it.
            if (local <= system) {
                CopySys->AddRemoval("msdxm.ocx");
            }
        }
        StandAlone([&] { TextScroll1.Tekst(" "); });
        // The line yields: a window forced shut meanwhile has released the engine already.
        if (!CopySys) {
            throw Error("the window was closed before the copy");
        }
        CopyResult result;
        {
            const CopyingScope scope(copying_, releaseEngineAfterCopy_, CopySys);
            const SourceCheckScope checked(*CopySys, payloadCheck.get());
            result = CopySys->QuickCopy("update\\", DestPatch + "\\");
        }
        lastFailure_ = CopySys ? CopySys->LastFailure : std::nullopt;
        // A run of 2 GiB or more did succeed; it must not read as a failure.
        const int64_t bytes = result.value_or(0);
        ErrorCode = bytes > std::numeric_limits<int32_t>::max()
                        ? std::numeric_limits<int32_t>::max()
                        : static_cast<int32_t>(bytes);
        stored = true;
        if (ErrorCode != -1) {
            StandAlone([&] { TextScroll1.Tekst(" "); });
        }
    } catch (...) {
        // A failure before the result was stored must not pass for a success.
        if (!stored) {
            ErrorCode = -1;
        }
    }
}

} // namespace qly
