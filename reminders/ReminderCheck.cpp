#include "reminders/ReminderCheck.h"

#include "controls/EntryListModel.h"
#include "store/EntryTable.h"

#include <cmath>

namespace {
long long milliseconds(double dayNumber) { return std::llround(dayNumber * 86400000.0); }

bool readable(const TEntry &task) { return task.lead && task.deadline && task.reminderDate; }

bool due(const TEntry &task, double now)
{
    return *task.lead != 0 && milliseconds(now) >= milliseconds(*task.reminderDate);
}
} // namespace

TReminderScan ScanForReminders(const TEntryListModel &tasks, double now)
{
    TReminderScan scan;
    const int rows = tasks.rowCount();
    for (int row = 0; row < rows; ++row) {
        TEntry *task = tasks.entryAt(row);
        if (task->complete)
            continue;
        if (!readable(*task))
            scan.unreadable.push_back(task);
        else if (due(*task, now))
            scan.due.push_back(task);
    }
    return scan;
}

TUnreadableReminders::TUnreadableReminders(TEntryTable &table, QObject *parent)
    : QObject(parent)
{
    connect(&table, &TEntryTable::tableReset, this, [this] { m_reported.clear(); });
    connect(&table, &TEntryTable::entryChanged, this, [this](TEntry *entry) { m_reported.remove(entry); });
    connect(&table, &TEntryTable::entryAboutToBeRemoved, this, [this](TEntry *entry) { m_reported.remove(entry); });
}

std::vector<TEntry *> TUnreadableReminders::takeUnreported(const std::vector<TEntry *> &unreadable)
{
    std::vector<TEntry *> unreported;
    for (TEntry *task : unreadable) {
        if (!m_reported.contains(task)) {
            m_reported.insert(task);
            unreported.push_back(task);
        }
    }
    return unreported;
}
