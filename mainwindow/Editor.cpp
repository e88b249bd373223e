// The editor pane: loading an entry from a list, clearing it, and the central
// enabling of the entry actions.
#include "app/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
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

QFont TfrmMain::CurrentEntryFont() const
{
    return EntryFont ? *EntryFont : redNote->font();
}

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
    const QDateTime now = Clock::now();
    dtpDate->setDate(now.date());
    dtpTime->setTime(now.time());
    cboReminder->setCurrentIndex(0);
    chkComplete->setChecked(false);
}

void TfrmMain::lsvNotesDblClick(QTreeWidget *sender)
{
    LoadingEntry = false;
    QTreeWidgetItem *item = sender->currentItem();
    if (item && item->isSelected()) {
        LoadingEntry = true;
        const TEntryRow *row = asRow(item);
        lblCreationDate->setText(row->text(0));
        if (sender == lsvNotes) {
            EditorIndex = row->subItem(NoteRow::Index).toInt();
            edtTitle->setPlainText(row->subItem(NoteRow::Title));
            redNote->setPlainText(row->subItem(NoteRow::Text));
            radNote->setChecked(true);
            redFileName->setPlainText(row->subItem(NoteRow::FileName));
            EditorKind = TEditorKind::Note;
        } else {
            EditorIndex = row->subItem(TaskRow::Index).toInt();
            edtTitle->setPlainText(row->subItem(TaskRow::Title));
            if (const auto deadline = DayNumber::parse(row->subItem(TaskRow::Deadline))) {
                const QDateTime moment = DayNumber::toDateTime(*deadline);
                dtpDate->setDate(moment.date());
                dtpTime->setTime(moment.time());
            }
            cboReminder->setCurrentIndex(row->subItem(TaskRow::Reminder).toInt());
            chkComplete->setChecked(row->checkState(TaskRow::DoneColumn) == Qt::Checked);
            redNote->setPlainText(row->subItem(TaskRow::Text));
            radTask->setChecked(true);
            redFileName->setPlainText(row->subItem(TaskRow::FileName));
            EditorKind = TEditorKind::Task;
        }
        radNoteClick();
        actSaveNote->setEnabled(false);
        actPrint->setEnabled(true);
        actSaveNotesAs->setEnabled(true);
        actSendMail->setEnabled(true);
    }
    LoadingEntry = false;
    EnableUserControls(sender);
}

void TfrmMain::radNoteClick()
{
    ResetFormLayout();
    EnableUserControls(radNote->isChecked() ? radNote : radTask);
}

void TfrmMain::EnableUserControls(QObject *sender)
{
    const QList<QAction *> entryActions{actNewNote, actSaveNote,   actPrint,      actSaveNotesAs,
                                        actSendMail, actDeleteNote, actSpellCheck, actAddFile,
                                        actDeleteFile, actViewFile};
    if (!HasPassPhrase || !StoreAvailable) {
        for (QAction *action : entryActions)
            action->setEnabled(false);
    } else {
        const QString title = edtTitle->toPlainText().trimmed();
        actNewNote->setEnabled(true);
        actSaveNotesAs->setEnabled(!title.isEmpty());
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
}
