// Pausing and resuming the main window's two timers around modal commands and
// writes, and the reminder check of timReminder: the check must never
// interleave with a save or a dialog.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "controls/EntryListModel.h"
#include "platform/Clock.h"
#include "reminders/LeadTimes.h"
#include "reminders/Reminder.h"
#include "reminders/ReminderCheck.h"
#include "reminders/ReminderListModel.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>

void TfrmMain::DisableTimer() { timReminder->stop(); }

QWidget &TfrmMain::ReminderOwner() { return *this; }

TEntryTable &TfrmMain::ReminderEntries() { return *Entries; }

const TReminderSoundInfo &TfrmMain::ReminderSoundSettings() const { return ReminderSoundInfo; }

namespace {
// Like a message timer's Enabled property: switching it on restarts the full
// interval, while a timer that already runs keeps its own.
void runExactlyWhen(QTimer *timer, bool on)
{
    if (!on)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

// One quiet report for the tasks a check had to leave out; each is reported
// once, and every other task is still reminded of.
void reportUnreadable(const std::vector<TEntry *> &tasks)
{
    if (tasks.empty())
        return;
    QStringList titles;
    for (const TEntry *task : tasks)
        titles.append(QLatin1Char('"') + task->title() + QLatin1Char('"'));
    LogError({ QStringLiteral("Main"), QStringLiteral("timReminderTimer"),
        QStringLiteral("These tasks have a deadline, lead time or reminder date that cannot be read, and are left "
                       "out of the reminders until they are saved again: %1.")
            .arg(titles.join(QStringLiteral(", "))) });
}

// The tasks fallen due while the reminder window is open join it; those it
// holds already keep their rows and the user's edits. Returns those that joined.
std::vector<TEntry *> joinReminderWindow(TfrmReminder &window, const std::vector<TEntry *> &due)
{
    std::vector<TEntry *> joined;
    for (TEntry *task : due) {
        if (window.Rows->rowOf(task) < 0) {
            window.AddTask(task);
            joined.push_back(task);
        }
    }
    return joined;
}

// With the main window hidden in the tray or minimized, the tasks new in the
// reminder window are also told in the desktop's notification centre, unless
// the user switched that off.
void announce(const TfrmMain &main, TfrmReminder &window, const std::vector<TEntry *> &tasks)
{
    if (main.ReminderNotifications && (!main.isVisible() || main.isMinimized()))
        window.Announce(tasks);
}

TReminderChoice choiceOf(const TReminderRow &row, double now)
{
    TReminderChoice choice;
    if (row.done) {
        choice.done = true;
        return choice;
    }
    choice.lead = LeadTimes::fullIndexFromShort(row.shortRow);
    if (row.deadlineChanged)
        choice.deadline = row.deadline;
    choice.reminderDate = LeadTimes::reminderDateAfterReminder(choice.lead, row.deadlineChanged, row.deadline, now);
    return choice;
}
} // namespace

void TfrmMain::ResetTimerState()
{
    runExactlyWhen(timReminder, DisplayReminders);
    runExactlyWhen(timAutoSave, AutoSave);
}

void TfrmMain::timReminderTimer()
{
    if (Starting)
        return;
    DisableTimer();
    try {
        const double now = DayNumber::fromDateTime(Clock::now());
        const TReminderScan scan = ScanForReminders(*TasksModel, now);
        reportUnreadable(UnreadableReminders->takeUnreported(scan.unreadable));
        if (ReminderWindow) {
            announce(*this, *ReminderWindow, joinReminderWindow(*ReminderWindow, scan.due));
            ResetTimerState();
            return;
        }
        if (scan.due.empty()) {
            ResetTimerState();
            return;
        }
        // The window lets the timers run again when it goes.
        TfrmReminder window(*this);
        for (TEntry *task : scan.due)
            window.AddTask(task);
        announce(*this, window, scan.due);
        ReminderWindow = &window;
        ResetTimerState();
        const int closedWith = window.ShowModal();
        // Nothing joins a closed window, and no check comes between its
        // choices and their store.
        ReminderWindow = nullptr;
        DisableTimer();
        if (closedWith != QDialog::Accepted)
            return;
        // Every row is applied before the entries are stored once; a store
        // that fails has told the user, and the changes wait for the next.
        const double saved = DayNumber::fromDateTime(Clock::now());
        bool applied = false;
        for (const TReminderRow &row : window.Rows->rows()) {
            Entries->SaveReminderChoice(row.entry, choiceOf(row, saved), saved, false);
            ShowReminderChoice(*row.entry);
            applied = true;
        }
        if (applied)
            Entries->Store();
        EnableUserControls();
        lsvTasks->viewport()->update();
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("timReminderTimer"), error.message() });
        if (Entries->Unstored())
            Entries->Store();
        ResetTimerState();
    }
}

void TfrmMain::ShowReminderChoice(const TEntry &task)
{
    if (EditorEntry() != &task)
        return;
    // What the reminder window changed is no change made in the editor; the
    // user's own unsaved edits of the deadline and lead time stay as they are.
    const bool unsaved = actSaveNote->isEnabled();
    const QSignalBlocker quietComplete(chkComplete);
    chkComplete->setChecked(task.complete);
    if (!unsaved && task.deadline && task.lead) {
        const QSignalBlocker quietDate(dtpDate);
        const QSignalBlocker quietTime(dtpTime);
        const QSignalBlocker quietReminder(cboReminder);
        const QDateTime deadline = DayNumber::toDateTime(*task.deadline);
        dtpDate->setDate(deadline.date());
        dtpTime->setTime(deadline.time());
        cboReminder->setCurrentIndex(*task.lead);
    }
    actSaveNote->setEnabled(unsaved);
}
