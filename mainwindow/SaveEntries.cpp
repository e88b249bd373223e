// Saving the entry in the editor through the entry table, which writes its
// fields into the document and stores it; the lists follow the table.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "controls/EntryListModel.h"
#include "platform/Clock.h"
#include "reminders/LeadTimes.h"
#include "reminders/ReminderInfo.h"
#include "store/DayNumber.h"
#include "store/Deadline.h"
#include "store/EntryTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QTimeEdit>

namespace {
// The stored entry in the editor, when there is one: a save that cannot find
// it changes no entry at all.
TEntry *requireEditorEntry(const TfrmMain &window)
{
    if (window.EditorIndex < 0)
        return nullptr;
    if (TEntry *entry = window.EditorEntry())
        return entry;
    throw ETamselError(QStringLiteral("The entry in the editor (position %1) is no longer in the lists.")
                           .arg(window.EditorIndex));
}
} // namespace

// After a save the list shows the saved row selected; a new row, one that
// changed lists, or any row of lists rebuilt from a store another program
// changed, is sorted into place with the list's direction.
void TfrmMain::ShowSavedEntry(const TEntryWrite &write, bool moved)
{
    EditorIndex = write.entry->documentIndex;
    lblCreationDate->setText(write.entry->caption());
    if (!moved && !write.reloaded)
        return;
    QTreeView *list = write.entry->task ? static_cast<QTreeView *>(lsvTasks) : lsvNotes;
    const QModelIndex row = ModelOf(list)->indexOf(write.entry);
    list->setCurrentIndex(row);
    list->scrollTo(row);
    ResortList(list);
}

bool TfrmMain::SaveNote()
{
    bool saved = false;
    try {
        TEntry *existing = requireEditorEntry(*this);
        const bool moved = !existing || existing->task;
        const TEntryWrite write = Entries->SaveNote(existing,
            { edtTitle->fieldText(), redNote->fieldText(), redFileName->toPlainText() },
            DayNumber::fromDateTime(Clock::now()));
        ShowSavedEntry(write, moved);
        saved = write.stored;
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("SaveNote"), error.message() });
    }
    EditorKind = TEditorKind::Note;
    return saved;
}

bool TfrmMain::SaveTask()
{
    bool saved = false;
    try {
        TEntry *existing = requireEditorEntry(*this);
        const bool moved = !existing || !existing->task;
        const double deadline = Deadline::fromPickers(dtpDate->date(), dtpTime->time());
        const int lead = cboReminder->currentIndex();
        if (lead < 0)
            throw ETamselError(QStringLiteral("No reminder is chosen."));
        TTaskFields fields;
        fields.title = edtTitle->fieldText();
        fields.body = redNote->fieldText();
        fields.fileName = redFileName->toPlainText();
        fields.deadline = deadline;
        fields.lead = lead;
        fields.reminderDate = LeadTimes::reminderDate(deadline, ReminderInfoAt(cboReminder, lead).Minutes);
        fields.complete = chkComplete->isChecked();
        const TEntryWrite write = Entries->SaveTask(existing, fields, DayNumber::fromDateTime(Clock::now()));
        ShowSavedEntry(write, moved);
        saved = write.stored;
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("SaveTask"), error.message() });
    }
    EditorKind = TEditorKind::Task;
    return saved;
}
