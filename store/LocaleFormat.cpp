#include "store/LocaleFormat.h"

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
