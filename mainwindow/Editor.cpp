// The editor pane: loading an entry from a list, clearing it, change
// tracking, the central enabling of the entry actions and the kind switch.
#include "app/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "mainwindow/EntryRow.h"
#include "mainwindow/ImageList.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>

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
    // A new task is due now, with no reminder, not complete.
    const QDateTime now = Clock::now();
    dtpDate->setDate(now.date());
    dtpTime->setTime(now.time());
    cboReminder->setCurrentIndex(0);
    chkComplete->setChecked(false);
}

namespace {
QTreeWidgetItem *selectedRow(QTreeWidget *list)
{
    const QList<QTreeWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}
} // namespace

void TfrmMain::loadRow(QTreeWidget *list, const TEntryRow *row)
{
    lblCreationDate->setText(row->text(0));
    if (list == lsvNotes) {
        EditorIndex = row->subItem(NoteRow::Index).toInt();
        edtTitle->setPlainText(row->subItem(NoteRow::Title));
        redNote->clear();
        redNote->setPlainText(row->subItem(NoteRow::Text));
        radNote->setChecked(true);
        redFileName->clear();
        redFileName->setPlainText(row->subItem(NoteRow::FileName));
        EditorKind = TEditorKind::Note;
    } else {
        EditorIndex = row->subItem(TaskRow::Index).toInt();
        edtTitle->setPlainText(row->subItem(TaskRow::Title));
        const auto deadline = DayNumber::parse(row->subItem(TaskRow::Deadline));
        if (!deadline)
            throw ETamselError(
                QStringLiteral("'%1' is not a valid date and time.").arg(row->subItem(TaskRow::Deadline)));
        const QDateTime moment = DayNumber::toDateTime(*deadline);
        dtpDate->setDate(moment.date());
        dtpTime->setTime(moment.time());
        bool isNumber = false;
        const int lead = row->subItem(TaskRow::Reminder).toInt(&isNumber);
        if (!isNumber || lead < 0 || lead >= cboReminder->count())
            throw ETamselError(
                QStringLiteral("'%1' is not a valid reminder.").arg(row->subItem(TaskRow::Reminder)));
        cboReminder->setCurrentIndex(lead);
        chkComplete->setChecked(row->checkState(TaskRow::DoneColumn) == Qt::Checked);
        redNote->clear();
        redNote->setPlainText(row->subItem(TaskRow::Text));
        radTask->setChecked(true);
        redFileName->clear();
        redFileName->setPlainText(row->subItem(TaskRow::FileName));
        EditorKind = TEditorKind::Task;
    }
    // Checking the kind's radio button lays the pane out for the kind.
    radNoteClick();
}

void TfrmMain::lsvNotesDblClick(QTreeWidget *sender)
{
    LoadingEntry = false;
    try {
        bool goOn = selectedRow(sender) != nullptr;
        if (goOn && actSaveNote->isEnabled() && !Starting)
            goOn = ConfirmSaveChanges();
        // Saving selects the saved entry's row, so the row is taken after the prompt.
        QTreeWidgetItem *row = goOn ? selectedRow(sender) : nullptr;
        if (row) {
            LoadingEntry = true;
            loadRow(sender, asRow(row));
            actSaveNote->setEnabled(false);
            actPrint->setEnabled(true);
            actSaveNotesAs->setEnabled(true);
            actSendMail->setEnabled(true);
            QPalette palette = redFileName->palette();
            palette.setColor(QPalette::Text, palette.color(QPalette::Shadow));
            redFileName->setPalette(palette);
        }
    } catch (const ETamselError &error) {
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

void TfrmMain::selectItem(QTreeWidget *list)
{
    // Selecting a row does not load it; only Delete follows the selection,
    // and Delete removes the entry in the editor.
    actDeleteNote->setEnabled(selectedRow(list) != nullptr);
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
            // Entries ticked in the notes list can be saved or printed without
            // one in the editor.
            for (int i = 0; i < lsvNotes->topLevelItemCount(); ++i) {
                if (lsvNotes->topLevelItem(i)->checkState(0) == Qt::Checked) {
                    actSaveNotesAs->setEnabled(true);
                    actPrint->setEnabled(true);
                    break;
                }
            }
        } else {
            actSaveNotesAs->setEnabled(true);
        }

        // Without a spelling engine the action keeps what others set.
        if (SpellCheckerType > 0)
            actSpellCheck->setEnabled(!redNote->toPlainText().trimmed().isEmpty());
        if (sender == radNote || sender == radTask)
            actSaveNote->setEnabled(!title.isEmpty());

        const QString fileName = redFileName->toPlainText();
        actDeleteFile->setEnabled(!fileName.isEmpty());
        actViewFile->setEnabled(!fileName.isEmpty() && QFileInfo::exists(fileName));
        actAddFile->setEnabled(true);
    }
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
