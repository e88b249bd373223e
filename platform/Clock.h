#pragma once

#include <QDateTime>

// The one source of "now" in the program. Tests fix it so that saving,
// completion, reminders and log entries can be checked without sleeping.
namespace Clock {

QDateTime now();

// Fixes the clock at the given local time until clearFixed() is called.
void setFixed(const QDateTime &moment);
void clearFixed();

} // namespace Clock
