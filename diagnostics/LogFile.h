#pragma once

#include "diagnostics/ExceptionInfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QIODevice;

// The log "Tamsel.log": error reports appended as eleven-line entries with
// CR LF line ends. It is only ever appended to, never truncated or rotated,
// so a user can send it whole when asked about a failure.
namespace LogFile {

// "Tamsel.log" in the per-user data folder.
QString path();

// The date and time as the log and the error report show it: short date, a
// blank and the long time, the time left out at midnight.
QString momentText(const QDateTime &moment);

// One entry for the report, stamped with the given moment.
QByteArray entry(const TExceptionInfoStructure &info, const QDateTime &moment);

// Writes one entry to an open device and flushes it; false on any I/O error.
bool appendEntry(QIODevice &device, const TExceptionInfoStructure &info, const QDateTime &moment);

// Opens the log for appending (creating it readable by the user only), writes
// one entry and closes it. False when the log cannot be opened or written; a
// half-written entry is then taken back so the log stays readable.
bool append(const TExceptionInfoStructure &info, const QDateTime &moment);

} // namespace LogFile
