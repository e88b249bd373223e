#include "reminders/LeadTimes.h"

#include "store/DayNumber.h"

#include <QDate>
#include <cmath>

const std::array<LeadTimes::Row, LeadTimes::Count> LeadTimes::Table { {
    { "Never", -1 },
    { "0 minutes", 0 },
    { "5 minutes", 5 },
    { "10 minutes", 10 },
    { "15 minutes", 15 },
    { "30 minutes", 30 },
    { "1 hour", 60 },
    { "2 hours", 120 },
    { "3 hours", 180 },
    { "4 hours", 240 },
    { "5 hours", 300 },
    { "6 hours", 360 },
    { "7 hours", 420 },
    { "8 hours", 480 },
    { "9 hours", 540 },
    { "10 hours", 600 },
    { "11 hours", 660 },
    { "12 hours", 720 },
    { "18 hours", 1080 },
    { "1 day", 1440 },
    { "2 days", 2880 },
    { "3 days", 4320 },
    { "4 days", 5760 },
    { "5 days", 7200 },
    { "1 week", 10080 },
    { "2 weeks", 20160 },
} };

double LeadTimes::addThousandYears(double dayNumber)
{
    // Calendar arithmetic on the date alone: going through a local date and
    // time could move the day where a time-zone change falls on midnight.
    const QDate epoch(1899, 12, 30);
    const double whole = std::floor(dayNumber);
    const double timeOfDay = dayNumber - whole;
    // QDate::addMonths clamps to the last day of a shorter month.
    const QDate date = epoch.addDays(qint64(whole)).addMonths(12000);
    return double(epoch.daysTo(date)) + timeOfDay;
}

double LeadTimes::reminderDate(double deadline, int minutes)
{
    return minutes < 0 ? addThousandYears(deadline) : DayNumber::addMinutes(deadline, -minutes);
}

double LeadTimes::reminderDateAfterReminder(int fullIndex, bool deadlineChanged, double deadline, double now)
{
    const int minutes = Table[size_t(fullIndex)].minutes;
    if (minutes < 0)
        return addThousandYears(now);
    return deadlineChanged ? DayNumber::addMinutes(deadline, -minutes) : DayNumber::addMinutes(now, minutes);
}
