#pragma once

#include <QChar>
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
};

// The formats in effect; taken from QLocale::system() until set.
const TLocaleFormat &LocaleFormat();
void SetLocaleFormat(const TLocaleFormat &format);
