#include "store/DayNumber.h"

#include "platform/Clock.h"
#include "store/LocaleFormat.h"

#include <charconv>
#include <cmath>

namespace {
constexpr qint64 msecsPerDay = 24LL * 60 * 60 * 1000;

constexpr qint64 epochJulianDay = 2415019; // 1899-12-30

// Expands two-digit years to four so that texts with either form parse; a
// two-digit year is put into the century window around the current year.
QList<QString> candidateFormats(const TLocaleFormat &format)
{
    QList<QString> dates{format.shortDateFormat};
    if (format.shortDateFormat.contains(QLatin1String("yy"))
        && !format.shortDateFormat.contains(QLatin1String("yyyy"))) {
        QString fourDigits = format.shortDateFormat;
        fourDigits.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        dates.prepend(fourDigits);
    }
    QList<QString> result;
    for (const QString &date : std::as_const(dates)) {
        result << date + QLatin1Char(' ') + format.longTimeFormat
               << date + QLatin1Char(' ') + format.shortTimeFormat << date;
    }
    return result;
}

// Day numbers name the days of years 1 to 9999, as older versions could:
// 0001-01-01 is day -693593 and 10000-01-01, the first day beyond, 2958466.
// Anything outside (or not a number at all) is no date.
constexpr qint64 firstDay = -693593;
constexpr qint64 endDay = 2958466;

struct TDayAndTime {
    qint64 day;
    qint64 msecs; // since the start of the day
};

// The day and the time of day of a day number, rounded to the millisecond,
// without going through the local time zone as a QDateTime does.
std::optional<TDayAndTime> dayAndTime(double dayNumber)
{
    // Checked before any conversion: casting a huge or non-finite double to
    // an integer is undefined. The comparison is false for NaN.
    if (!(dayNumber >= double(firstDay - 1) && dayNumber < double(endDay)))
        return std::nullopt;
    const double whole = std::floor(dayNumber);
    TDayAndTime result { qint64(whole), qint64(std::llround((dayNumber - whole) * double(msecsPerDay))) };
    if (result.msecs >= msecsPerDay) { // rounding reached the next midnight
        result.msecs -= msecsPerDay;
        ++result.day;
    }
    if (result.day < firstDay || result.day >= endDay)
        return std::nullopt;
    return result;
}

QDate dateOf(const TDayAndTime &moment) { return QDate::fromJulianDay(epochJulianDay + moment.day); }
QTime timeOf(const TDayAndTime &moment) { return QTime::fromMSecsSinceStartOfDay(int(moment.msecs)); }

// A day-number text with the given decimal separator. Hand-checked and
// converted with from_chars: the lists parse several day numbers per row,
// and QString::toDouble with a pattern match costs more than the rest of a
// row together.
std::optional<double> parseWith(const QString &text, QChar separator)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 64)
        return std::nullopt;
    char buffer[65];
    qsizetype length = 0;
    bool digits = false, point = false, exponent = false;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        char out = 0;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            out = char(c.unicode());
            digits = true;
        } else if (c == separator && !point && !exponent) {
            out = '.';
            point = true;
        } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && digits && !exponent) {
            out = 'e';
            exponent = true;
            digits = false;
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-'))
                   && (i == 0 || buffer[length - 1] == 'e')) {
            out = char(c.unicode());
        } else {
            return std::nullopt;
        }
        buffer[length++] = out;
    }
    if (!digits)
        return std::nullopt;
    const char *begin = buffer[0] == '+' ? buffer + 1 : buffer;
    double value = 0;
    const auto [end, error] = std::from_chars(begin, buffer + length, value);
    if (error != std::errc() || end != buffer + length || !dayAndTime(value))
        return std::nullopt;
    return value;
}
} // namespace

double DayNumber::fromDateTime(const QDateTime &moment)
{
    if (!moment.isValid())
        return std::nan("");
    const QDateTime local = moment.toLocalTime();
    const double days = double(local.date().toJulianDay() - epochJulianDay);
    const double fraction = double(local.time().msecsSinceStartOfDay()) / double(msecsPerDay);
    return days + fraction;
}

QDateTime DayNumber::toDateTime(double dayNumber)
{
    const auto moment = dayAndTime(dayNumber);
    return moment ? QDateTime(dateOf(*moment), timeOf(*moment)) : QDateTime();
}

QString DayNumber::text(double dayNumber)
{
    QString result = QString::number(dayNumber, 'g', 15);
    const QChar separator = LocaleFormat().decimalSeparator;
    if (separator != QLatin1Char('.'))
        result.replace(QLatin1Char('.'), separator);
    return result;
}

double DayNumber::addMinutes(double dayNumber, double minutes)
{
    return (dayNumber * 1440.0 + minutes) / 1440.0;
}

std::optional<double> DayNumber::parse(const QString &text)
{
    return parseWith(text, LocaleFormat().decimalSeparator);
}

std::optional<double> DayNumber::parseEitherSeparator(const QString &text)
{
    const QChar own = LocaleFormat().decimalSeparator;
    if (auto value = parseWith(text, own))
        return value;
    for (const QChar other : {QLatin1Char('.'), QLatin1Char(',')}) {
        if (other == own)
            continue;
        if (auto value = parseWith(text, other))
            return value;
    }
    return std::nullopt;
}

QString DayNumber::displayText(double dayNumber)
{
    const auto moment = dayAndTime(dayNumber);
    if (!moment)
        return QString();
    const TLocaleFormat &format = LocaleFormat();
    if (moment->msecs == 0)
        return format.dateText(dateOf(*moment));
    return format.dateTimeText(dateOf(*moment), timeOf(*moment));
}

std::optional<QDateTime> DayNumber::parseLocaleDateTime(const QString &text)
{
    const TLocaleFormat &format = LocaleFormat();
    const QString trimmed = text.trimmed();
    const int thisYear = Clock::now().date().year();
    for (const QString &candidate : candidateFormats(format)) {
        QDateTime moment = format.locale.toDateTime(trimmed, candidate);
        if (!moment.isValid())
            continue;
        if (!candidate.contains(QLatin1String("yyyy"))) {
            // Qt reads "yy" as 19yy; keep two-digit years within 50 years of now.
            QDate date = moment.date();
            while (date.year() + 100 - thisYear <= 50)
                date = date.addYears(100);
            moment.setDate(date);
        }
        // Qt reads signed years ("06.04.-0732"); only years 1 to 9999 have day numbers.
        if (moment.date().year() < 1 || moment.date().year() > 9999)
            continue;
        return moment;
    }
    return std::nullopt;
}
