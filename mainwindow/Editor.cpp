// The editor pane: loading an entry from a list, clearing it, change
// tracking, the central enabling of the entry actions and the kind switch.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "controls/Attachments.h"
#include "controls/EntryListModel.h"
#include "controls/ImageList.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>

namespace {
// A task's fields as a new task has them: due now, no reminder, not complete.
void clearTaskFields(QDateEdit *date, QTimeEdit *time, QComboBox *reminder, QCheckBox *complete)
{
    const QDateTime now = Clock::now();
    date->setDate(now.date());
    time->setTime(now.time());
    reminder->setCurrentIndex(0);
    complete->setChecked(false);
}
} // namespace

QFont TfrmMain::CurrentEntryFont() const { return EntryFont ? *EntryFont : redNote->font(); }

void TfrmMain::SetActionImage(QAction *action, int enabledImage, int disabledImage)
{
    action->setIcon(ImageList::icon(action->isEnabled() ? enabledImage : disabledImage));
}

void TfrmMain::ClearNoteValues()
{
    edtTitle->clear();
    EditorIndex = -1;
    redNote->clear();
    redFileName->clear();
    clearTaskFields(dtpDate, dtpTime, cboReminder, chkComplete);
}

void TfrmMain::loadEntry(const TEntry &entry)
{
    // Everything is read and checked before the editor changes, so an entry
    // that cannot be loaded leaves nothing of itself, or of another entry,
    // that a save could write.
    std::optional<QDateTime> deadline;
    if (entry.task) {
        if (!entry.deadline)
            throw ETamselError(QStringLiteral("The task '%1' has no valid due date.").arg(entry.title()));
        if (!entry.lead)
            throw ETamselError(QStringLiteral("The task '%1' has no valid reminder.").arg(entry.title()));
        deadline = DayNumber::toDateTime(*entry.deadline);
    }
    lblCreationDate->setText(entry.caption());
    EditorIndex = entry.documentIndex;
    edtTitle->setFieldText(entry.title());
    if (entry.task) {
        dtpDate->setDate(deadline->date());
        dtpTime->setTime(deadline->time());
        cboReminder->setCurrentIndex(*entry.lead);
        chkComplete->setChecked(entry.complete);
    } else {
        // Switching a note to a task starts its task fields as a new task's.
        clearTaskFields(dtpDate, dtpTime, cboReminder, chkComplete);
    }
    redNote->clear();
    redNote->setFieldText(entry.body());
    (entry.task ? radTask : radNote)->setChecked(true);
    redFileName->clear();
    redFileName->setPlainText(entry.fileName());
    EditorKind = entry.task ? TEditorKind::Task : TEditorKind::Note;
    // Checking the kind's radio button lays the pane out for the kind.
    radNoteClick();
}

void TfrmMain::lsvNotesDblClick(QTreeView *sender)
{
    LoadingEntry = false;
    try {
        bool goOn = SelectedEntry(sender) != nullptr;
        if (goOn && actSaveNote->isEnabled() && !Starting)
            goOn = ConfirmSaveChanges();
        // Saving selects the saved entry's row, so the row is taken after the prompt.
        const TEntry *entry = goOn ? SelectedEntry(sender) : nullptr;
        if (entry) {
            LoadingEntry = true;
            try {
                loadEntry(*entry);
            } catch (const ETamselError &) {
                ClearNoteValues();
                lblCreationDate->clear();
                EditorKind = TEditorKind::None;
                throw;
            }
            actSaveNote->setEnabled(false);
            actPrint->setEnabled(true);
            actSaveNotesAs->setEnabled(true);
            actSendMail->setEnabled(true);
            QPalette palette = redFileName->palette();
            palette.setColor(QPalette::Text, palette.color(QPalette::Shadow));
            redFileName->setPalette(palette);
        }
    } catch (const ETamselError &error) {
        actSaveNote->setEnabled(false);
        ReportError({ QStringLiteral("Main"), QStringLiteral("lsvNotesDblClick"), error.message() });
    }
    LoadingEntry = false;
    EnableUserControls(sender);
}

bool TfrmMain::ConfirmSaveChanges()
{
    const int answer = MessageDlg(QStringLiteral("Save changes to the current entry?"),
        TMsgDlgType::Confirmation, mbYes | mbNo | mbCancel);
    if (answer == mrNo)
        return true;
    if (answer != mrYes)
        return false;
    actSaveNoteExecute();
    // A save that did not go through keeps the changes: going on would drop them.
    return !actSaveNote->isEnabled();
}

void TfrmMain::edtTitleOriginalChange()
{
    if (Printing || Starting || LoadingEntry)
        return;
    // Any character counts here, blanks too; the kind switch trims.
    const bool hasTitle = !edtTitle->toPlainText().isEmpty();
    for (QAction *action : { actSaveNote, actSendMail, actPrint, actSaveNotesAs })
        action->setEnabled(hasTitle);
    EnableUserControls();
}

void TfrmMain::cboReminderChange() { edtTitleOriginalChange(); }

void TfrmMain::radNoteClick()
{
    ResetFormLayout();
    EnableUserControls(radNote->isChecked() ? radNote : radTask);
}

void TfrmMain::pnlContentsResize() { ResetFormLayout(); }

void TfrmMain::lsvNotesSelectItem() { selectItem(lsvNotes); }

void TfrmMain::lsvTasksSelectItem() { selectItem(lsvTasks); }

void TfrmMain::selectItem(QTreeView *list)
{
    // Selecting a row does not load it; only Delete follows the selection,
    // and Delete removes the entry in the editor.
    actDeleteNote->setEnabled(SelectedEntry(list) != nullptr);
    SetActionImage(actDeleteNote, 3, 4);
    EnableUserControls(list);
}

void TfrmMain::lsvNotesClick() { EnableUserControls(lsvNotes); }

void TfrmMain::redNoteOriginalEnter() { EnableUserControls(); }

void TfrmMain::EnableUserControls(QObject *sender)
{
    const QList<QAction *> entryActions { actNewNote, actSaveNote, actPrint, actSaveNotesAs, actSendMail,
        actDeleteNote, actSpellCheck, actAddFile, actDeleteFile, actViewFile };
    // Without a passphrase, or without the entries opened, nothing may be written.
    if (!HasPassPhrase || !StoreAvailable) {
        for (QAction *action : entryActions)
            action->setEnabled(false);
    } else {
        const QString title = edtTitle->toPlainText().trimmed();
        actNewNote->setEnabled(true);

        actSaveNotesAs->setEnabled(false);
        if (title.isEmpty()) {
            // Entries ticked in the lists can be saved or printed without
            // one in the editor.
            if (Entries->MarkedCount() > 0) {
                actSaveNotesAs->setEnabled(true);
                actPrint->setEnabled(true);
            }
        } else {
            actSaveNotesAs->setEnabled(true);
        }

        // Without a spelling engine chosen the command stays available.
        actSpellCheck->setEnabled(SpellCheckerType <= 0 || !redNote->toPlainText().trimmed().isEmpty());
        if (sender == radNote || sender == radTask)
            actSaveNote->setEnabled(!title.isEmpty());

        const QString fileName = redFileName->toPlainText();
        actDeleteFile->setEnabled(!fileName.isEmpty());
        actViewFile->setEnabled(Attachments::CanView(fileName));
        actAddFile->setEnabled(true);
    }
    mnuChangePassPhrase->setEnabled(HasPassPhrase && StoreAvailable);
    SetActionImage(actSaveNote, 1, 2);
    SetActionImage(actPrint, 5, 6);
    SetActionImage(actSendMail, 12, 13);
    SetActionImage(actSaveNotesAs, 14, 15);
    SetActionImage(actDeleteNote, 3, 4);

    const QString addFileHint = redFileName->toPlainText().isEmpty()
        ? QStringLiteral("Add a file to the current entry.")
        : QStringLiteral("Replace the current entry's file.");
    actAddFile->setToolTip(addFileHint);
    actAddFile->setStatusTip(addFileHint);

    // The search scope follows its setting; the buttons are exclusive, so
    // checking one clears the others.
    if (DefaultSearchSetting == 2)
        radCurrentTab->setChecked(true);
    else if (DefaultSearchSetting == 3)
        radCurrentNote->setChecked(true);
}
