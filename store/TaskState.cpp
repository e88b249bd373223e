#include "store/TaskState.h"

#include "store/DayNumber.h"

namespace {
// Far more distinct due texts than any list shows at once; past it the memory
// is simply started afresh.
constexpr qsizetype rememberedTexts = 50000;
} // namespace

TTaskState DecideTaskState(
    bool complete, const std::optional<QDateTime> &due, const QString &leadTimeIndex, const QDateTime &now)
{
    if (complete)
        return TTaskState::Complete;
    if (due && now > *due)
        return leadTimeIndex == QLatin1String("0") ? TTaskState::Nevermind : TTaskState::Overdue;
    return TTaskState::Current;
}

std::optional<QDateTime> TDueMoments::read(const QString &dueText)
{
    if (const auto known = m_moments.constFind(dueText); known != m_moments.constEnd())
        return *known;
    if (m_moments.size() >= rememberedTexts)
        m_moments.clear();
    const std::optional<QDateTime> moment
        = dueText.trimmed().isEmpty() ? std::nullopt : DayNumber::parseLocaleDateTime(dueText);
    m_moments.insert(dueText, moment);
    return moment;
}
