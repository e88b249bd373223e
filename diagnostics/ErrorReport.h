#pragma once

#include "diagnostics/ExceptionInfo.h"

// The two reporters handlers pass their failures to. Neither lets a failure
// escape: callers rely on them returning.

// Writes the report to the log, tells the user and offers to send the report
// by e-mail. A failure reported while the user is being asked about another
// one is logged and shown, without a second offer.
void ReportError(const TExceptionInfoStructure &info);

// Writes the report to the log only; for frequent interface events, where a
// dialog would come up again and again. The user sees a dialog only when the
// log cannot be written.
void LogError(const TExceptionInfoStructure &info);
