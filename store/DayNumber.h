#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// A day number is a date and time as days since 1899-12-30 00:00, the time of
// day being the fraction (6:00 is .25). Entries store day numbers as text.
namespace DayNumber {

double fromDateTime(const QDateTime &moment);
QDateTime toDateTime(double dayNumber);

// General format, at most 15 significant digits, no exponent for ordinary
// dates, the locale's decimal separator: 38814.6156499884 in an English locale.
QString text(double dayNumber);

// Parses a day-number text written with the locale's decimal separator.
std::optional<double> parse(const QString &text);

// Like parse(), but also accepts a plain decimal number written with the other
// separator (a store moved between locales). Only digits around exactly one
// separator qualify, so a date text such as 06.04.2006 14:46:32 never does.
std::optional<double> parseEitherSeparator(const QString &text);

// Short date, a blank and the long time; the time is left out at midnight.
QString displayText(double dayNumber);

// A date-and-time text in the locale's short date and time formats, as older
// versions wrote creation dates.
std::optional<QDateTime> parseLocaleDateTime(const QString &text);

} // namespace DayNumber
