#include "controls/DateStamp.h"

#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/LocaleFormat.h"

#include <QDateTime>

QString DateStampForKey(int key)
{
    const TLocaleFormat &format = LocaleFormat();
    const QDateTime now = Clock::now();
    switch (key) {
    case Qt::Key_F7:
        return DayNumber::displayText(DayNumber::fromDateTime(now));
    case Qt::Key_F8:
        return format.locale.toString(now.date(), format.shortDateFormat);
    case Qt::Key_F9:
        return format.locale.toString(now.time(), format.longTimeFormat);
    default:
        return {};
    }
}
