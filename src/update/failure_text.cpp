#include "update/failure_text.h"

#include "languages/language_keys.h"
#include "languages/language_state.h"
#include "platform/locale.h"

namespace qly {

namespace {

std::string_view reasonKey(FailureKind kind) {
    switch (kind) {
    case FailureKind::InUse:
        return "w uzyciu";
    case FailureKind::AccessDenied:
        return "brak dostepu";
    case FailureKind::ReadOnly:
        return "tylko odczyt";
    case FailureKind::Vanished:
        return "brak pliku";
    case FailureKind::InTheWay:
        return "przeszkoda";
    case FailureKind::Damaged:
        return "uszkodzona";
    case FailureKind::Link:
        return "dowiazanie";
    case FailureKind::DiskFull:
    case FailureKind::Other:
        break;
    }
    return "blad zapisu";
}

} // namespace

std::string FailureLine(const LanguageState& lang, Locale& locale, const CopyFailure& failure) {
    if (!failure.undone) {
        return LangTextOrBuiltIn(lang, "nie cofnieto");
    }
    if (failure.stopped || failure.kind == FailureKind::DiskFull) {
        return {};
    }
    std::string line;
    if (!failure.path.empty()) {
        line = locale.toCharsetText(failure.path, lang.LangCharset) + ": ";
    }
    line += LangTextOrBuiltIn(lang, reasonKey(failure.kind));
    if (failure.systemCode != 0) {
        line += " (" + std::to_string(failure.systemCode) + ")";
    }
    return line;
}

std::string RecoveryLine(const LanguageState& lang, RecoveryResult result) {
    switch (result) {
    case RecoveryResult::Undone:
        return LangTextOrBuiltIn(lang, "cofnieto");
    case RecoveryResult::Failed:
    case RecoveryResult::Damaged:
        return LangTextOrBuiltIn(lang, "nie cofnieto");
    case RecoveryResult::NothingFound:
    case RecoveryResult::Completed:
        break;
    }
    return {};
}

} // namespace qly
