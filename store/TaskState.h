#pragma once

#include <optional>

// The state a task row is drawn in. It is decided afresh at every paint, so a
// task turns overdue on the first repaint after its due time without a timer
// of its own.
enum class TTaskState { Current, Complete, Overdue, Nevermind };

// Complete wins; a task is overdue only once "now" is strictly later than its
// due time, and overdue tasks without reminder (lead-time index 0, "Never")
// are told apart. A due time that could not be read counts as not yet due.
// Moments are day numbers, compared to the millisecond.
TTaskState DecideTaskState(bool complete, std::optional<double> due, std::optional<int> leadIndex, double now);
