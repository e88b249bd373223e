#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// A day number is a date and time as days since 1899-12-30 00:00, the time of
// day being the fraction (6:00 is .25). Entries store day numbers as text.
// Only the years 1 to 9999 have day numbers: any other number, infinity or
// NaN is an unreadable date.
namespace DayNumber {

// NaN, an unreadable date, for an invalid moment.
double fromDateTime(const QDateTime &moment);
// An invalid QDateTime for an unreadable date.
QDateTime toDateTime(double dayNumber);

// General format, at most 15 significant digits, no exponent for ordinary
// dates, the locale's decimal separator: 38814.6156499884 in an English locale.
QString text(double dayNumber);

// Parses a day-number text written with the locale's decimal separator; no
// value for an unreadable date.
std::optional<double> parse(const QString &text);

// Like parse(), but also accepts a number written with "." or "," where the
// locale has the other one (a store moved between locales). At most one
// separator qualifies, so a date text such as 06.04.2006 14:46:32 never does.
std::optional<double> parseEitherSeparator(const QString &text);

// (x * 1440 + m) / 1440, used as it comes out (no snapping to whole minutes).
double addMinutes(double dayNumber, double minutes);

// Short date, a blank and the long time of the moment rounded to the
// millisecond; the time is left out at midnight. Empty for an unreadable date.
QString displayText(double dayNumber);

// A date-and-time text in the locale's short date and time formats, as older
// versions wrote creation dates; no value for a text that is none, or names a
// year without day numbers.
std::optional<QDateTime> parseLocaleDateTime(const QString &text);

} // namespace DayNumber
