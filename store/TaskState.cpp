#include "store/TaskState.h"

TTaskState DecideTaskState(
    bool complete, const std::optional<QDateTime> &due, const QString &leadTimeIndex, const QDateTime &now)
{
    if (complete)
        return TTaskState::Complete;
    if (due && now > *due)
        return leadTimeIndex == QLatin1String("0") ? TTaskState::Nevermind : TTaskState::Overdue;
    return TTaskState::Current;
}
