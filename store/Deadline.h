#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The deadline of a task as the editor's date and time pickers give it.
namespace Deadline {

// The picked moment kept only as precisely as the locale's time formats show
// it: the long time format decides whether seconds survive the first step,
// the short one whether minutes and seconds survive the second. With the
// usual formats a deadline keeps hours and minutes and loses its seconds.
QTime cutToTimeFormats(const QTime &time, const QString &longTimeFormat, const QString &shortTimeFormat);

// The day number of the deadline picked, cut as above with the formats in effect.
double fromPickers(const QDate &date, const QTime &time);

} // namespace Deadline
