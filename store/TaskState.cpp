#include "store/TaskState.h"

#include <cmath>

TTaskState DecideTaskState(bool complete, std::optional<double> due, std::optional<int> leadIndex, double now)
{
    constexpr double millisecondsPerDay = 86400000.0;
    if (complete)
        return TTaskState::Complete;
    // Both moments to the nearest millisecond, so a task due "now" is not
    // overdue by the rounding of a day number.
    if (due && std::llround(now * millisecondsPerDay) > std::llround(*due * millisecondsPerDay))
        return leadIndex == 0 ? TTaskState::Nevermind : TTaskState::Overdue;
    return TTaskState::Current;
}
