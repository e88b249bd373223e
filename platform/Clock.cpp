#include "platform/Clock.h"

#include <optional>

namespace {
std::optional<QDateTime> &fixedMoment()
{
    static std::optional<QDateTime> moment;
    return moment;
}
} // namespace

QDateTime Clock::now()
{
    const auto &fixed = fixedMoment();
    return fixed ? *fixed : QDateTime::currentDateTime();
}

void Clock::setFixed(const QDateTime &moment)
{
    fixedMoment() = moment;
}

void Clock::clearFixed()
{
    fixedMoment().reset();
}
