#pragma once

#include <array>

// The fixed table of reminder lead times. A task stores the index of its row
// in the full table ("Never" is 0, "0 minutes" 1, ... "2 weeks" 25).
namespace LeadTimes {

struct Row {
    const char *text;
    int minutes; // -1: no reminder
};

constexpr int Count = 26;
extern const std::array<Row, Count> Table;

// The short list of the quick-add and reminder windows lacks "0 minutes".
constexpr int fullIndexFromShort(int shortRow) { return shortRow == 0 ? 0 : shortRow + 1; }
// A stored "0 minutes" (1) shows as "Never" (0) in the short list; "Never"
// itself never reaches a short list, and is shown as row 0 too.
constexpr int shortRowFromFull(int fullIndex) { return fullIndex <= 1 ? 0 : fullIndex - 1; }

// The same time of day, 12000 months later, clamped to the month's last day.
double addThousandYears(double dayNumber);

// The reminder moment of a deadline with a lead time of `minutes`: 1000 years
// later for "Never" (-1 or less), otherwise `minutes` before the deadline.
double reminderDate(double deadline, int minutes);

// The reminder moment a due task gets when the reminder window is saved at
// `now` with the lead time `fullIndex`: 1000 years on for "Never"; the lead
// time before a deadline the user moved; otherwise the lead time from now
// (the reminder is put off by that span).
double reminderDateAfterReminder(int fullIndex, bool deadlineChanged, double deadline, double now);

} // namespace LeadTimes
