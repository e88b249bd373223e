// The editor's commands: New, Save, Delete and its undoing, Font, the
// autosave timer and the opening of URLs clicked in the title or body.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "store/EntryTable.h"
#include "mainwindow/FontChoice.h"
#include "platform/UrlOpener.h"

#include <QAction>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>

namespace {
// An entry's title as a question names it: on one line, and cut short when
// it would not fit a message box.
QString nameInQuestion(const QString &title)
{
    constexpr qsizetype longest = 80;
    const QString line = title.simplified();
    return line.size() <= longest ? line : line.left(longest - 1) + QChar(0x2026);
}
} // namespace

void TfrmMain::actNewNoteExecute()
{
    try {
        if (actSaveNote->isEnabled() && !ConfirmSaveChanges())
            return;
        ClearNoteValues();
        for (QAction *action : { actSaveNote, actDeleteNote, actPrint, actSaveNotesAs, actSendMail })
            action->setEnabled(false);
        SetActionImage(actSaveNote, 1, 2);
        SetActionImage(actDeleteNote, 3, 4);
        EditorKind = TEditorKind::None;
        // A new entry takes the kind of the list in view.
        (pgcData->currentWidget() == tabNotes ? radNote : radTask)->setChecked(true);
        radNoteClick();
        edtTitle->setFocus();
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("actNewNoteExecute"), error.message() });
    }
}

void TfrmMain::actSaveNoteExecute()
{
    // The reminder check must not run between the writes of a save. SaveNote
    // and SaveTask report their own failures, so the timers always resume.
    DisableTimer();
    try {
        // The corrections of the check are part of what is written; a title
        // the check emptied is caught below like any other.
        if (CheckSpellingOnSave)
            actSpellCheckExecute(true);
        // A title of blanks would be stored as an element without text, which
        // stops the lists from loading every later entry at the next start.
        if (edtTitle->toPlainText().trimmed().isEmpty()) {
            MessageDlg(QStringLiteral("Please enter a title for the entry before saving it."),
                TMsgDlgType::Information, mbOK);
        } else {
            const bool saved = radNote->isChecked() ? SaveNote() : SaveTask();
            // A save that failed keeps the editor dirty, so its changes are not
            // dropped by the next load or New without a prompt.
            if (saved) {
                actSaveNote->setEnabled(false);
                actSaveNotesAs->setEnabled(true);
                actSendMail->setEnabled(true);
            }
        }
        SetActionImage(actSaveNote, 1, 2);
        SetActionImage(actSaveNotesAs, 14, 15);
        SetActionImage(actSendMail, 12, 13);
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("actSaveNoteExecute"), error.message() });
    }
    ResetTimerState();
}

void TfrmMain::ResortList(QTreeView *list)
{
    // The column click reverses the direction; reversing first keeps it.
    if (list == lsvNotes) {
        NoteSortToggle = -NoteSortToggle;
        lsvNotesColumnClick(lsvNotes, NoteSortColumn);
    } else {
        TaskSortToggle = -TaskSortToggle;
        lsvTasksColumnClick(lsvTasks, TaskSortColumn);
    }
}

void TfrmMain::actDeleteNoteExecute()
{
    const bool note = EditorKind == TEditorKind::Note;
    try {
        // The entry deleted is the one in the editor, whatever row is selected.
        // A new entry has no row, and then nothing is deleted.
        TEntry *entry = EditorEntry();
        if (!entry)
            return;
        // A highlighted row of another entry is easily taken for the one about
        // to go: then the user is always asked, and told which entry it is.
        const TEntry *highlighted = SelectedEntry(pgcData->currentWidget() == tabNotes
                ? lsvNotes
                : static_cast<QTreeView *>(lsvTasks));
        QString question;
        if (highlighted && highlighted != entry)
            question = QStringLiteral("The highlighted row is not the entry in the editor. Delete the %1 "
                                      "in the editor, \"%2\" (created %3)?\r\n\r\nThe highlighted row, \"%4\", "
                                      "is not deleted.")
                           .arg(entry->task ? QStringLiteral("task") : QStringLiteral("note"),
                               nameInQuestion(entry->title()), entry->caption(),
                               nameInQuestion(highlighted->title()));
        else if (ConfirmOnDelete)
            question = QStringLiteral("Would you like to delete the current entry?");
        if (!question.isEmpty() && MessageDlg(question, TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes)
            return;

        QTreeView *list = entry->task ? static_cast<QTreeView *>(lsvTasks) : lsvNotes;
        TEntryListModel *model = ModelOf(list);
        const int position = model->rowOf(entry);
        // The editor lets go of the entry before it goes; the lists drop its row
        // and every later entry's document index moves down with it.
        ClearNoteValues();
        lblCreationDate->clear();
        EditorKind = TEditorKind::None;
        Entries->Delete(entry);
        actSaveNote->setEnabled(false);
        if (model->rowCount() > 0) {
            const QModelIndex next = model->index(qBound(0, position, model->rowCount() - 1), 0);
            list->setCurrentIndex(next);
            list->scrollTo(next);
            lsvNotesDblClick(list);
        }
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"),
            QStringLiteral("actDeleteNoteExecute")
                + (note ? QStringLiteral(" (Note)") : QStringLiteral(" (Task)")),
            error.message() });
    }
    EnableUserControls();
}

void TfrmMain::actUndoDeleteExecute()
{
    try {
        // The entries behind the one brought back move down one document
        // index, the editor's too.
        const TEntry *inEditor = EditorEntry();
        const TEntryWrite write = Entries->UndoDelete();
        if (!write.reloaded && inEditor)
            EditorIndex = inEditor->documentIndex;
        if (write.entry) {
            QTreeView *list = write.entry->task ? static_cast<QTreeView *>(lsvTasks) : lsvNotes;
            pgcData->setCurrentWidget(write.entry->task ? tabTasks : tabNotes);
            ResortList(list);
            const QModelIndex row = ModelOf(list)->indexOf(write.entry);
            list->setCurrentIndex(row);
            list->scrollTo(row);
            lsvNotesDblClick(list);
        }
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("actUndoDeleteExecute"), error.message() });
    }
    EnableUserControls();
}

void TfrmMain::actFontExecute()
{
    DisableTimer();
    try {
        if (const std::optional<QFont> font = ChooseFont(redNote->font(), this)) {
            // A font change is not an entry change: the fields' change signals
            // must not leave the editor dirty.
            const bool unsaved = actSaveNote->isEnabled();
            EntryFont = *font;
            for (TRichEditURL *field : { redNote, edtTitle, redFileName })
                field->setFont(*font);
            for (QTreeView *list : { static_cast<QTreeView *>(lsvTasks), lsvNotes }) {
                list->setFont(*font);
                list->viewport()->update();
            }
            ResetFormLayout();
            actSaveNote->setEnabled(unsaved);
        }
        EnableUserControls();
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("actFontExecute"), error.message() });
    }
    ResetTimerState();
}

void TfrmMain::timAutoSaveTimer()
{
    // An entry without a title cannot be saved; the timer does not ask.
    if (actSaveNote->isEnabled() && !edtTitle->toPlainText().trimmed().isEmpty())
        actSaveNoteExecute();
}

void TfrmMain::redNoteURLClick(QObject *sender, const QString &url)
{
    Q_UNUSED(sender);
    try {
        // A web address typed without a scheme ("www.…") is opened as http.
        const QUrl target = QUrl::fromUserInput(url);
        if (!target.isValid() || !TUrlOpener::current().open(target))
            throw ETamselError(QStringLiteral("No program could be started to open %1.").arg(url));
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("redNoteURLClick"), error.message() });
    }
}
