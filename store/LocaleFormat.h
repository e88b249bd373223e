#pragma once

#include <QChar>
#include <QHash>
#include <QLocale>
#include <QString>

// Month and week-day names (short and long), the AM/PM markers (lower and
// upper case) and the hour clock of a locale, for texts built by hand.
struct TLocaleNames
{
    QString months[2][12];
    QString days[2][7];
    QString markers[2][2];
    bool twelveHours = false; // of the long time format
};

// The user's date, time and number formats, read once at start-up. Day-number
// texts and display texts of dates are built and parsed with these.
struct TLocaleFormat
{
    QLocale locale;
    QChar decimalSeparator;
    QString shortDateFormat;
    QString longTimeFormat;  // with seconds, without a time zone
    QString shortTimeFormat; // without seconds

    static TLocaleFormat fromLocale(const QLocale &locale);

    // The short date and the long time as texts. Filling a list formats a
    // few of these per row, and QLocale's formatter is slow: the common
    // formats are built by hand, other dates are remembered per day.
    QString dateText(const QDate &date) const;
    QString timeText(const QTime &time) const;
    // The short date, a blank and the long time.
    QString dateTimeText(const QDate &date, const QTime &time) const;

private:
    bool handBuildsDate(const QDate &date) const;

    TLocaleNames m_names;
    bool m_handDate = false;
    bool m_handTime = false;
    mutable QHash<qint64, QString> m_dateTexts;
};

// The formats in effect; taken from QLocale::system() until set.
const TLocaleFormat &LocaleFormat();
void SetLocaleFormat(const TLocaleFormat &format);
