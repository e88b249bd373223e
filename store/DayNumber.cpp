#include "store/DayNumber.h"

#include "platform/Clock.h"
#include "store/LocaleFormat.h"

#include <QRegularExpression>
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

// The calendar day and the time of day of a day number, without going
// through the local time zone as a QDateTime does.
std::pair<QDate, QTime> dateAndTime(double dayNumber)
{
    const double whole = std::floor(dayNumber);
    qint64 msecs = qint64(std::llround((dayNumber - whole) * double(msecsPerDay)));
    qint64 day = qint64(whole);
    if (msecs >= msecsPerDay) { // rounding reached the next midnight
        msecs -= msecsPerDay;
        ++day;
    }
    return {QDate::fromJulianDay(epochJulianDay + day), QTime::fromMSecsSinceStartOfDay(int(msecs))};
}
} // namespace

double DayNumber::fromDateTime(const QDateTime &moment)
{
    const QDateTime local = moment.toLocalTime();
    const double days = double(local.date().toJulianDay() - epochJulianDay);
    const double fraction = double(local.time().msecsSinceStartOfDay()) / double(msecsPerDay);
    return days + fraction;
}

QDateTime DayNumber::toDateTime(double dayNumber)
{
    const auto [date, time] = dateAndTime(dayNumber);
    return QDateTime(date, time);
}

QString DayNumber::text(double dayNumber)
{
    QString result = QString::number(dayNumber, 'g', 15);
    const QChar separator = LocaleFormat().decimalSeparator;
    if (separator != QLatin1Char('.'))
        result.replace(QLatin1Char('.'), separator);
    return result;
}

std::optional<double> DayNumber::parse(const QString &text)
{
    // Hand-checked and converted with from_chars: the lists parse several day
    // numbers per row, and QString::toDouble with a pattern match costs more
    // than the rest of a row together.
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 64)
        return std::nullopt;
    const QChar separator = LocaleFormat().decimalSeparator;
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
    if (error != std::errc() || end != buffer + length || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> DayNumber::parseEitherSeparator(const QString &text)
{
    if (auto value = parse(text))
        return value;
    static const QRegularExpression otherSeparator(QStringLiteral("^[+-]?\\d+[.,]\\d+$"));
    const QString trimmed = text.trimmed();
    if (!otherSeparator.match(trimmed).hasMatch())
        return std::nullopt;
    QString plain = trimmed;
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString DayNumber::displayText(double dayNumber)
{
    const TLocaleFormat &format = LocaleFormat();
    const auto [date, time] = dateAndTime(dayNumber);
    if (time == QTime(0, 0))
        return format.dateText(date);
    return format.dateTimeText(date, time);
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
        return moment;
    }
    return std::nullopt;
}
