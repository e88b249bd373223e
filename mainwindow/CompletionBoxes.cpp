// The look of the two lists and the completion box of each task row. A box is
// the row's check state in the "Done" cell, drawn centred there by the row
// delegate; its clicks reach CheckBoxClick with the row's own entry, so rows
// with equal captions are never confused.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "controls/EntryListModel.h"
#include "controls/EntryRowDelegate.h"
#include "controls/TaskStates.h"
#include "platform/Clock.h"
#include "settings/WindowsColor.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalBlocker>

void TfrmMain::CreateTaskListLook()
{
    TEntryRowDelegate::Install(lsvNotes);
    TEntryRowDelegate::Install(lsvTasks, TaskColumn::Done);
    NotesModel->setLook([this](const TEntry &entry, double) { return lsvNotesCustomDrawItem(entry); });
    TasksModel->setLook([this](const TEntry &entry, double now) { return lsvTasksCustomDrawItem(entry, now); });
    connect(TasksModel, &TEntryListModel::completionClicked, this,
        [this](TEntry *entry, bool checked) { CheckBoxClick(entry, checked); });
    // A row's check mark decides whether entries can be printed or saved to a file.
    connect(Entries, &TEntryTable::entryMarkChanged, this, [this] { EnableUserControls(); });
}

TRowLook TfrmMain::lsvNotesCustomDrawItem(const TEntry &entry)
{
    Q_UNUSED(entry);
    return { CurrentEntryFont(), QColor() };
}

TRowLook TfrmMain::lsvTasksCustomDrawItem(const TEntry &entry)
{
    return lsvTasksCustomDrawItem(entry, DayNumber::fromDateTime(Clock::now()));
}

TRowLook TfrmMain::lsvTasksCustomDrawItem(const TEntry &entry, double now)
{
    const TTaskState state = DecideTaskState(entry.complete, entry.deadline, entry.lead, now);
    int color = CurrentColor;
    switch (state) {
    case TTaskState::Complete:
        color = CompleteColor;
        break;
    case TTaskState::Overdue:
        color = OverdueColor;
        break;
    case TTaskState::Nevermind:
        color = NevermindColor;
        break;
    case TTaskState::Current:
        break;
    }
    return { TaskStateFont(state, CurrentEntryFont(), StrikeoutComplete), ColorFromWindows(color) };
}

void TfrmMain::CheckBoxClick(TEntry *entry, bool checked)
{
    try {
        // A store that fails has told the user why; the table keeps the change
        // for the next store.
        // Another program may have deleted the entry meanwhile: then there is
        // nothing left to complete.
        const TEntryWrite write = Entries->SetComplete(entry, checked, DayNumber::fromDateTime(Clock::now()), !Starting);
        if (write.entry && write.entry->documentIndex == EditorIndex) {
            // A completion toggled in the list is no change made in the editor.
            const bool unsaved = actSaveNote->isEnabled();
            {
                const QSignalBlocker quiet(chkComplete);
                chkComplete->setChecked(checked);
            }
            actSaveNote->setEnabled(unsaved);
        }
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("CheckBoxClick"), error.message() });
    }
    EnableUserControls(lsvTasks);
}
