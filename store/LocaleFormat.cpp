#include "store/LocaleFormat.h"

#include <QDateTime>

#include <QRegularExpression>
#include <optional>

namespace {
std::optional<TLocaleFormat> &current()
{
    static std::optional<TLocaleFormat> format;
    return format;
}

// Qt's long time format carries the time zone ("t"); the program's long time
// is the time with seconds and nothing else.
QString withoutTimeZone(QString format)
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}
} // namespace

TLocaleFormat TLocaleFormat::fromLocale(const QLocale &locale)
{
    TLocaleFormat format;
    format.locale = locale;
    format.decimalSeparator = locale.decimalPoint().at(0);
    format.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    format.longTimeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    format.shortTimeFormat = locale.timeFormat(QLocale::ShortFormat);
    return format;
}

QString TLocaleFormat::dateText(const QDate &date) const
{
    const qint64 day = date.toJulianDay();
    auto found = m_dateTexts.constFind(day);
    if (found != m_dateTexts.constEnd())
        return *found;
    if (m_dateTexts.size() > 100000)
        m_dateTexts.clear();
    const QString text = locale.toString(date, shortDateFormat);
    m_dateTexts.insert(day, text);
    return text;
}

QString TLocaleFormat::timeText(const QTime &time) const
{
    // Hand-built for formats of h, H, m, s, AP and separators in ASCII
    // digits; anything else goes to QLocale.
    if (locale.zeroDigit() != QLatin1String("0"))
        return locale.toString(time, longTimeFormat);
    QString result;
    result.reserve(longTimeFormat.size() + 4);
    const auto twoDigits = [&result](int value) {
        result += QLatin1Char(char('0' + value / 10));
        result += QLatin1Char(char('0' + value % 10));
    };
    const bool twelveHours = longTimeFormat.contains(QLatin1Char('a'), Qt::CaseInsensitive);
    const qsizetype size = longTimeFormat.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = longTimeFormat.at(i);
        qsizetype run = 1;
        while (i + run < size && longTimeFormat.at(i + run) == c)
            ++run;
        const char token = c.toLatin1();
        if (token == 'h' || token == 'H') {
            int hour = time.hour();
            if (token == 'h' && twelveHours)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            if (run == 1)
                result += QString::number(hour);
            else
                twoDigits(hour);
        } else if (token == 'm' || token == 's') {
            const int value = token == 'm' ? time.minute() : time.second();
            if (run == 1)
                result += QString::number(value);
            else
                twoDigits(value);
        } else if (token == 'A' || token == 'a') {
            const bool upper = token == 'A';
            const qsizetype used = i + 1 < size && longTimeFormat.at(i + 1).toLower() == QLatin1Char('p') ? 2 : 1;
            const QString text = time.hour() < 12 ? locale.amText() : locale.pmText();
            result += upper ? text.toUpper() : text.toLower();
            run = used;
        } else if (c.isLetter() || c == QLatin1Char('\'') || c.unicode() > 127) {
            return locale.toString(time, longTimeFormat);
        } else {
            result += QString(run, c);
        }
        i += run;
    }
    return result;
}

const TLocaleFormat &LocaleFormat()
{
    auto &format = current();
    if (!format)
        format = TLocaleFormat::fromLocale(QLocale::system());
    return *format;
}

void SetLocaleFormat(const TLocaleFormat &format)
{
    current() = format;
}
