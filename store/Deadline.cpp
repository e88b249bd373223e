#include "store/Deadline.h"

#include "store/LocaleFormat.h"

namespace {
struct TTimeFields {
    bool minutes = false;
    bool seconds = false;
    bool milliseconds = false;
};

// Which fields a Qt time format shows; text in single quotes is literal.
TTimeFields fieldsShown(const QString &format)
{
    TTimeFields fields;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == QLatin1Char('m'))
            fields.minutes = true;
        else if (c == QLatin1Char('s'))
            fields.seconds = true;
        else if (c == QLatin1Char('z'))
            fields.milliseconds = true;
    }
    return fields;
}
} // namespace

QTime Deadline::cutToTimeFormats(
    const QTime &time, const QString &longTimeFormat, const QString &shortTimeFormat)
{
    // Formatting and reading back can only lose what one of the two formats
    // leaves out. Cutting directly gives the same moment without reading a
    // two-digit year of the short date format back into the wrong century.
    const TTimeFields longFields = fieldsShown(longTimeFormat);
    const TTimeFields shortFields = fieldsShown(shortTimeFormat);
    const bool minutes = longFields.minutes && shortFields.minutes;
    const bool seconds = minutes && longFields.seconds && shortFields.seconds;
    const bool milliseconds = seconds && longFields.milliseconds && shortFields.milliseconds;
    return QTime(time.hour(), minutes ? time.minute() : 0, seconds ? time.second() : 0,
        milliseconds ? time.msec() : 0);
}

double Deadline::fromPickers(const QDate &date, const QTime &time)
{
    const TLocaleFormat &format = LocaleFormat();
    const QTime cut = cutToTimeFormats(time, format.longTimeFormat, format.shortTimeFormat);
    // Counted on the calendar, not through a local QDateTime, so a deadline in
    // the hour a clock change skips keeps the time the user picked.
    constexpr double msecsPerDay = 24.0 * 60 * 60 * 1000;
    return double(QDate(1899, 12, 30).daysTo(date)) + double(cut.msecsSinceStartOfDay()) / msecsPerDay;
}
