#pragma once

#include <QChar>
#include <QHash>
#include <QLocale>
#include <QString>

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
    // few of these per row, and QLocale's formatter is slow: formats made of
    // numbers and separators are built by hand, other dates are remembered
    // per day.
    QString dateText(const QDate &date) const;
    QString timeText(const QTime &time) const;

private:
    bool m_numericDate = false;
    bool m_numericTime = false;
    mutable QHash<qint64, QString> m_dateTexts;
};

// The formats in effect; taken from QLocale::system() until set.
const TLocaleFormat &LocaleFormat();
void SetLocaleFormat(const TLocaleFormat &format);
