#include "store/LocaleFormat.h"

#include <QDateTime>

#include <QRegularExpression>
#include <iterator>
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

// Dates and times whose formats hold only numbers (d, dd, M, MM, yy, yyyy,
// h, hh, H, HH, m, mm, s, ss), an AM/PM marker and literal separators are
// built by hand; QLocale's formatter costs more than the rest of a list row.
class NumericFormat
{
public:
    // Whether the format holds only the fields above and the locale writes
    // ASCII digits.
    static bool handles(const QLocale &locale, QStringView format)
    {
        if (locale.zeroDigit() != QLatin1String("0") || format.size() > MaxFormat)
            return false;
        for (qsizetype i = 0; i < format.size();) {
            const qsizetype run = runLength(format, i);
            const QChar c = format.at(i);
            if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('h')
                || c == QLatin1Char('H') || c == QLatin1Char('m') || c == QLatin1Char('s')) {
                if (run > 2)
                    return false;
            } else if (c == QLatin1Char('y')) {
                if (run != 2 && run != 4)
                    return false;
            } else if (c == QLatin1Char('A') || c == QLatin1Char('a')) {
                // "AP" and "ap" as one marker; mixed cases are left to QLocale.
                if (run != 1 || (i + 1 < format.size() && format.at(i + 1).toLower() == QLatin1Char('p')
                                 && format.at(i + 1) != (c == QLatin1Char('A') ? QLatin1Char('P') : QLatin1Char('p'))))
                    return false;
            } else if (c.unicode() < 128 && (c.isLetter() || c == QLatin1Char('\''))) {
                return false;
            }
            i += run;
        }
        return true;
    }

    // Formats a date, a time or both with a format accepted by handles().
    static QString build(const QLocale &locale, QStringView format, QDate date, QTime time)
    {
        char16_t out[MaxFormat * 4];
        qsizetype length = 0;
        const auto number = [&](int value, qsizetype width) {
            char16_t digits[8];
            int count = 0;
            do {
                digits[count++] = char16_t(u'0' + value % 10);
                value /= 10;
            } while (value > 0 && count < 8);
            while (count < width)
                digits[count++] = u'0';
            while (count > 0)
                out[length++] = digits[--count];
        };
        const bool twelveHours = format.contains(QLatin1Char('a'), Qt::CaseInsensitive);
        for (qsizetype i = 0; i < format.size();) {
            const qsizetype run = runLength(format, i);
            const char16_t c = format.at(i).unicode();
            switch (c) {
            case u'd': number(date.day(), run); break;
            case u'M': number(date.month(), run); break;
            case u'y': number(run == 2 ? date.year() % 100 : date.year(), run); break;
            case u'H': number(time.hour(), run); break;
            case u'h': {
                const int hour = time.hour();
                number(twelveHours ? (hour % 12 == 0 ? 12 : hour % 12) : hour, run);
                break;
            }
            case u'm': number(time.minute(), run); break;
            case u's': number(time.second(), run); break;
            case u'A':
            case u'a': {
                QString marker = time.hour() < 12 ? locale.amText() : locale.pmText();
                marker = c == u'A' ? marker.toUpper() : marker.toLower();
                for (QChar m : std::as_const(marker)) {
                    if (length < qsizetype(std::size(out)))
                        out[length++] = m.unicode();
                }
                if (i + 1 < format.size() && format.at(i + 1).toLower() == QLatin1Char('p'))
                    ++i;
                break;
            }
            default:
                for (qsizetype k = 0; k < run; ++k)
                    out[length++] = c;
            }
            i += run;
        }
        return QString(reinterpret_cast<const QChar *>(out), length);
    }

private:
    static constexpr qsizetype MaxFormat = 40;

    static qsizetype runLength(QStringView format, qsizetype at)
    {
        qsizetype run = 1;
        while (at + run < format.size() && format.at(at + run) == format.at(at))
            ++run;
        return run;
    }
};
} // namespace

TLocaleFormat TLocaleFormat::fromLocale(const QLocale &locale)
{
    TLocaleFormat format;
    format.locale = locale;
    format.decimalSeparator = locale.decimalPoint().at(0);
    format.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    format.longTimeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    format.shortTimeFormat = locale.timeFormat(QLocale::ShortFormat);
    format.m_numericDate = NumericFormat::handles(locale, format.shortDateFormat);
    format.m_numericTime = NumericFormat::handles(locale, format.longTimeFormat);
    return format;
}

QString TLocaleFormat::dateText(const QDate &date) const
{
    // Years beyond four digits are rare enough to leave to QLocale.
    if (m_numericDate && date.year() >= 0 && date.year() <= 9999)
        return NumericFormat::build(locale, shortDateFormat, date, QTime());
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
    if (m_numericTime)
        return NumericFormat::build(locale, longTimeFormat, QDate(), time);
    return locale.toString(time, longTimeFormat);
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
