#pragma once

#include <QObject>
#include <QSet>
#include <vector>

class TEntryListModel;
class TEntryTable;
struct TEntry;

// What one reminder check found in the task list, in the list's order.
struct TReminderScan {
    std::vector<TEntry *> due;
    // Open tasks whose deadline, lead time or reminder moment cannot be read;
    // they are left out, and every other task is still checked.
    std::vector<TEntry *> unreadable;
};

// The tasks of the list whose reminder moment `now` (a day number) has
// reached, to the millisecond; complete tasks and those whose lead time is
// "Never" are never due.
TReminderScan ScanForReminders(const TEntryListModel &tasks, double now);

// The tasks already reported for a reminder value that cannot be read, so
// that each is reported once, not at every check. A task that is changed or
// removed is forgotten.
class TUnreadableReminders : public QObject {
    Q_OBJECT

public:
    explicit TUnreadableReminders(TEntryTable &table, QObject *parent = nullptr);
    // The tasks of the list not reported before, which now count as reported.
    std::vector<TEntry *> takeUnreported(const std::vector<TEntry *> &unreadable);

private:
    QSet<const TEntry *> m_reported;
};
