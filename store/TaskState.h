#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <optional>

// The state a task row is drawn in. It is decided afresh at every paint, so a
// task turns overdue on the first repaint after its due time without a timer
// of its own.
enum class TTaskState { Current, Complete, Overdue, Nevermind };

// Complete wins; a task is overdue only once "now" is strictly later than its
// due time, and overdue tasks without reminder (lead-time index "0", "Never")
// are told apart. A due time that could not be read counts as not yet due.
TTaskState DecideTaskState(
    bool complete, const std::optional<QDateTime> &due, const QString &leadTimeIndex, const QDateTime &now);

// Reads the "Due" display texts of task rows as moments, in the locale's
// formats. Reading one costs far more than drawing a cell, and every cell of
// a row asks for the row's state, so each text is read once and remembered.
// The locale formats are read once at start-up, before any row exists.
class TDueMoments {
public:
    std::optional<QDateTime> read(const QString &dueText);

private:
    QHash<QString, std::optional<QDateTime>> m_moments;
};
