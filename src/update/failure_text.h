// The lines that tell the user what became of a run that did not install, and of an earlier
// run that a crash interrupted, in the language in force.
#pragma once

#include "engine/class_copy_sys.h"
#include "engine/transaction.h"

#include <string>

namespace qly {

class LanguageState;
class Locale;

// "<file>: <reason>" for a failure that names a file (the name in the language's charset),
// the reason alone for one that does not, with the system's error number in brackets when
// there is one; the undo's own failure gives the "needs attention" line. Empty for a stop
// and for a full disk (the no-space line says it all).
std::string FailureLine(const LanguageState& lang, Locale& locale, const CopyFailure& failure);

// The line for what the recovery of an interrupted run found; empty when there was nothing to
// tell (no journal, or only the clean-up of a finished run).
std::string RecoveryLine(const LanguageState& lang, RecoveryResult result);

} // namespace qly
