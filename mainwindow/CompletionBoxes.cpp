// The look of the two lists and the completion box of each task row. A box is
// the row's check state in the "Done" cell, drawn centred there by the row
// delegate; its clicks reach CheckBoxClick with the row itself, so rows with
// equal captions are never confused.
#include "app/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "mainwindow/EntryRow.h"
#include "mainwindow/EntryRowDelegate.h"
#include "mainwindow/TaskStates.h"
#include "platform/Clock.h"
#include "settings/WindowsColor.h"
#include "store/DayNumber.h"

#include <QAction>
#include <QCheckBox>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace {
// Sub-item k of a row is column k + 1.
QString subItemOf(const QModelIndex &index, int subItem)
{
    return index.siblingAtColumn(subItem + 1).data().toString();
}
} // namespace

void TfrmMain::CreateTaskListLook()
{
    TEntryRowDelegate::Install(
        lsvNotes, [this](const QModelIndex &index) { return lsvNotesCustomDrawItem(index); });
    TEntryRowDelegate::Install(
        lsvTasks, [this](const QModelIndex &index) { return lsvTasksCustomDrawItem(index); },
        TaskRow::DoneColumn);

    // Every change of a box's state, by a click or by the program, arrives
    // here; a state change is the only change that carries the check role.
    connect(lsvTasks->model(), &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
            if (CreatingTaskBox || !roles.contains(Qt::CheckStateRole) || topLeft.parent().isValid()
                || topLeft.column() > TaskRow::DoneColumn || bottomRight.column() < TaskRow::DoneColumn)
                return;
            for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                CheckBoxClick(lsvTasks->topLevelItem(row));
        });
}

TRowLook TfrmMain::lsvNotesCustomDrawItem(const QModelIndex &index)
{
    Q_UNUSED(index);
    return { CurrentEntryFont(), QColor() };
}

TRowLook TfrmMain::lsvTasksCustomDrawItem(const QModelIndex &index)
{
    const QFont entryFont = CurrentEntryFont();
    const QVariant box = index.siblingAtColumn(TaskRow::DoneColumn).data(Qt::CheckStateRole);
    if (!box.isValid())
        return { entryFont, QColor() };

    const TTaskState state = DecideTaskState(Qt::CheckState(box.toInt()) == Qt::Checked,
        DueMoments.read(subItemOf(index, TaskRow::Due)), subItemOf(index, TaskRow::Reminder), Clock::now());
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
    return { TaskStateFont(state, entryFont, StrikeoutComplete), ColorFromWindows(color) };
}

void TfrmMain::CreateTaskCheckBox(QTreeWidget *list, QTreeWidgetItem *row, bool storedComplete)
{
    try {
        const TEntryRowDelegate *delegate = TEntryRowDelegate::Of(list);
        if (!delegate || delegate->doneColumn() == TEntryRowDelegate::NoDoneColumn)
            throw ETamselError(
                QStringLiteral("The list '%1' has no completion column.").arg(list->objectName()));
        const int done = delegate->doneColumn();
        // One box per row: a row that has one keeps it with its state.
        if (row->data(done, Qt::CheckStateRole).isValid())
            return;
        // The box shows the entry's stored state; that is no click.
        const QScopedValueRollback quiet(CreatingTaskBox, true);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        row->setCheckState(done, storedComplete ? Qt::Checked : Qt::Unchecked);
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("CreateTaskCheckBox"), error.message() });
    }
}

void TfrmMain::CheckBoxClick(QTreeWidgetItem *item)
{
    try {
        TEntryRow *row = asRow(item);
        const bool checked = row->checkState(TaskRow::DoneColumn) == Qt::Checked;
        if (checked) {
            const double now = DayNumber::fromDateTime(Clock::now());
            row->setSubItem(TaskRow::Complete, QStringLiteral("1"));
            row->setSubItem(TaskRow::Completed, DayNumber::displayText(now));
            row->setSubItem(TaskRow::DateCompleted, DayNumber::text(now));
        } else {
            row->setSubItem(TaskRow::Complete, QStringLiteral("0"));
            row->setSubItem(TaskRow::Completed, QString());
            row->setSubItem(TaskRow::DateCompleted, QString());
        }
        // The row's state, and so the look of every cell, has changed.
        lsvTasks->viewport()->update(lsvTasks->visualItemRect(row));

        bool isIndex = false;
        const int index = row->subItem(TaskRow::Index).toInt(&isIndex);
        const pugi::xml_node entry
            = isIndex ? TXmlDocument::ChildAt(xmlNotes.Root(), index) : pugi::xml_node();
        if (entry.type() != pugi::node_element)
            throw ETamselError(
                QStringLiteral("The task '%1' has no entry in the document.").arg(row->text(0)));
        TXmlDocument::WriteChildValue(entry, "Complete", row->subItem(TaskRow::Complete));
        TXmlDocument::WriteChildValue(entry, "DateCompleted", row->subItem(TaskRow::DateCompleted));
        if (!Starting)
            EncryptXMLFile();

        if (index == EditorIndex) {
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
