#include "store/LocaleFormat.h"

#include <QDateTime>

#include <QRegularExpression>
#include <QVarLengthArray>
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

// Date and time formats made of the fields d to dddd, M to MMMM, yy, yyyy,
// h, hh, H, HH, m, mm, s, ss, an AM/PM marker and literal separators are
// built by hand when the locale writes ASCII digits.
constexpr qsizetype MaxHandFormat = 40;

qsizetype runLength(QStringView format, qsizetype at)
{
    qsizetype run = 1;
    while (at + run < format.size() && format.at(at + run) == format.at(at))
        ++run;
    return run;
}

// The AM/PM marker at a position: "AP"/"A" upper case, "ap"/"a" lower case;
// 0 when there is none, -1 for mixed cases such as "Ap".
int markerLength(QStringView format, qsizetype at)
{
    const QChar c = format.at(at);
    if (c != QLatin1Char('A') && c != QLatin1Char('a'))
        return 0;
    if (at + 1 < format.size() && format.at(at + 1).toLower() == QLatin1Char('p'))
        return format.at(at + 1) == (c == QLatin1Char('A') ? QLatin1Char('P') : QLatin1Char('p')) ? 2 : -1;
    return 1;
}

bool handBuilt(const QLocale &locale, QStringView format)
{
    if (locale.zeroDigit() != QLatin1String("0") || format.size() > MaxHandFormat)
        return false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        qsizetype run = runLength(format, i);
        if (c == QLatin1Char('d') || c == QLatin1Char('M')) {
            if (run > 4)
                return false;
        } else if (c == QLatin1Char('h') || c == QLatin1Char('H') || c == QLatin1Char('m')
                   || c == QLatin1Char('s')) {
            if (run > 2)
                return false;
        } else if (c == QLatin1Char('y')) {
            if (run != 2 && run != 4)
                return false;
        } else if (const int marker = markerLength(format, i)) {
            if (marker < 0)
                return false;
            run = marker;
        } else if (c.unicode() < 128 && (c.isLetter() || c == QLatin1Char('\''))) {
            return false;
        }
        i += run;
    }
    return true;
}

using TextBuffer = QVarLengthArray<char16_t, 128>;

void buildByHand(TextBuffer &out, const TLocaleNames &names, QStringView format, QDate date, QTime time)
{
    const auto number = [&out](int value, qsizetype width) {
        char16_t digits[8];
        qsizetype count = 0;
        do {
            digits[count++] = char16_t(u'0' + value % 10);
            value /= 10;
        } while (value > 0 && count < 8);
        while (count < width)
            digits[count++] = u'0';
        while (count > 0)
            out.append(digits[--count]);
    };
    const auto text = [&out](const QString &name) {
        out.append(reinterpret_cast<const char16_t *>(name.constData()), name.size());
    };
    const bool twelveHours = names.twelveHours;
    int year = 0, month = 0, day = 0;
    if (date.isValid())
        date.getDate(&year, &month, &day);
    for (qsizetype i = 0; i < format.size();) {
        const char16_t c = format.at(i).unicode();
        qsizetype run = runLength(format, i);
        switch (c) {
        case u'd':
            if (run <= 2)
                number(day, run);
            else
                text(names.days[run - 3][date.dayOfWeek() - 1]);
            break;
        case u'M':
            if (run <= 2)
                number(month, run);
            else
                text(names.months[run - 3][month - 1]);
            break;
        case u'y': number(run == 2 ? year % 100 : year, run); break;
        case u'H': number(time.hour(), run); break;
        case u'h': {
            const int hour = time.hour();
            number(twelveHours ? (hour % 12 == 0 ? 12 : hour % 12) : hour, run);
            break;
        }
        case u'm': number(time.minute(), run); break;
        case u's': number(time.second(), run); break;
        case u'A':
        case u'a':
            run = markerLength(format, i);
            text(names.markers[c == u'A' ? 1 : 0][time.hour() < 12 ? 0 : 1]);
            break;
        default:
            for (qsizetype k = 0; k < run; ++k)
                out.append(c);
        }
        i += run;
    }
}

QString toString(const TextBuffer &buffer)
{
    return QString(reinterpret_cast<const QChar *>(buffer.constData()), buffer.size());
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
    format.m_handDate = handBuilt(locale, format.shortDateFormat);
    format.m_handTime = handBuilt(locale, format.longTimeFormat);
    for (int month = 1; month <= 12; ++month) {
        format.m_names.months[0][month - 1] = locale.monthName(month, QLocale::ShortFormat);
        format.m_names.months[1][month - 1] = locale.monthName(month, QLocale::LongFormat);
    }
    for (int day = 1; day <= 7; ++day) {
        format.m_names.days[0][day - 1] = locale.dayName(day, QLocale::ShortFormat);
        format.m_names.days[1][day - 1] = locale.dayName(day, QLocale::LongFormat);
    }
    format.m_names.markers[0][0] = locale.amText().toLower();
    format.m_names.markers[0][1] = locale.pmText().toLower();
    format.m_names.markers[1][0] = locale.amText().toUpper();
    format.m_names.markers[1][1] = locale.pmText().toUpper();
    format.m_names.twelveHours = format.longTimeFormat.contains(QLatin1Char('a'), Qt::CaseInsensitive);
    return format;
}

QString TLocaleFormat::dateText(const QDate &date) const
{
    if (handBuildsDate(date)) {
        TextBuffer text;
        buildByHand(text, m_names, shortDateFormat, date, QTime());
        return toString(text);
    }
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
    if (m_handTime) {
        TextBuffer text;
        buildByHand(text, m_names, longTimeFormat, QDate(), time);
        return toString(text);
    }
    return locale.toString(time, longTimeFormat);
}

QString TLocaleFormat::dateTimeText(const QDate &date, const QTime &time) const
{
    if (!handBuildsDate(date) || !m_handTime)
        return dateText(date) + QLatin1Char(' ') + timeText(time);
    TextBuffer text;
    buildByHand(text, m_names, shortDateFormat, date, QTime());
    text.append(u' ');
    buildByHand(text, m_names, longTimeFormat, QDate(), time);
    return toString(text);
}

bool TLocaleFormat::handBuildsDate(const QDate &date) const
{
    // Years beyond four digits are rare enough to leave to QLocale.
    return m_handDate && date.year() >= 0 && date.year() <= 9999;
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
