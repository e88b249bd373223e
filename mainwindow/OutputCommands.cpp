// The output commands: Save to File, Print, Send as E-Mail and Send Feedback.
// The texts are laid out by output/EntryText; these handlers gather the
// editor's entry and the lists' rows and hand the texts on.
#include "mainwindow/Main.h"

#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "controls/EntryListModel.h"
#include "output/EntryText.h"
#include "output/PrintRichText.h"
#include "diagnostics/SendEMailMessage.h"
#include "output/SendMailMAPI.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "store/EntryTable.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>

namespace {
const QString unitMain = QStringLiteral("Main");

TEditorEntry editorEntry(const TfrmMain &window)
{
    TEditorEntry editor;
    editor.task = !window.radNote->isChecked();
    editor.title = window.edtTitle->fieldText();
    editor.body = window.redNote->fieldText();
    editor.stored = window.EditorEntry();
    editor.deadlineDate = window.dtpDate->date();
    editor.deadlineTime = window.dtpTime->time();
    editor.reminder = window.cboReminder->currentText();
    editor.complete = window.chkComplete->isChecked();
    return editor;
}

// A list's rows in the order it shows them.
TEntryRows rowsOf(const TEntryListModel &model)
{
    TEntryRows rows;
    rows.reserve(size_t(model.rowCount()));
    for (int row = 0; row < model.rowCount(); ++row)
        rows.push_back(model.entryAt(row));
    return rows;
}
} // namespace

void TfrmMain::ConnectOutputCommands()
{
    connect(actSaveNotesAs, &QAction::triggered, this, [this] { actSaveNotesAsExecute(); });
    connect(actPrint, &QAction::triggered, this, [this] { actPrintExecute(); });
    connect(actSendMail, &QAction::triggered, this, [this] { actSendMailExecute(); });
    connect(Sendfeedback1, &QAction::triggered, this, [this] { Sendfeedback1Click(); });
}

void TfrmMain::actSaveNotesAsExecute()
{
    DisableTimer();
    try {
        if (const std::optional<QString> path = dlgSaveAs.Execute(this))
            SaveEntriesAs(*path);
    } catch (const ETamselError &error) {
        ReportError({ unitMain, QStringLiteral("actSaveNotesAsExecute"), error.message() });
    }
    ResetTimerState();
}

void TfrmMain::SaveEntriesAs(const QString &path)
{
    // The text is made whole first and then replaces the file in one step:
    // a failure leaves the file that was there before, or none.
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    const TEditorEntry editor = editorEntry(*this);
    const QDateTime now = Clock::now();
    // The active tab's list, or both lists, notes first.
    QList<bool> passes { pgcData->currentWidget() != tabNotes };
    if (DefaultSaveSetting == 2)
        passes = { false, true };
    int written = 0;
    for (const bool tasks : passes) {
        std::optional<int> count;
        try {
            count = SaveEntriesToFile(
                text, editor, rowsOf(tasks ? *TasksModel : *NotesModel), tasks, written > 0, now);
        } catch (const ETamselError &error) {
            ReportError({ unitMain, QStringLiteral("SaveEntriesToFile"),
                error.message() + QStringLiteral(" %1 was not saved.").arg(path) });
            return;
        }
        if (!count)
            throw ETamselError(
                QStringLiteral("The text for %1 could not be made: %2").arg(path, text.errorString()));
        written += *count;
    }
    AtomicFile::WriteFileAtomically(path, text.data());
}

void TfrmMain::actPrintExecute()
{
    Printing = true;
    DisableTimer();
    try {
        QPrinter printer(QPrinter::HighResolution);
        if (ExecutePrintDialog(printer, this))
            PrintEntries(printer);
    } catch (const ETamselError &error) {
        ReportError({ unitMain, QStringLiteral("actPrintExecute"), error.message() });
    }
    Printing = false;
    ResetTimerState();
}

void TfrmMain::PrintEntries(QPrinter &printer)
{
    const TEditorEntry editor = editorEntry(*this);
    const bool notesTab = pgcData->currentWidget() == tabNotes;
    const bool bothLists = DefaultPrintSetting == 2;
    const TEntryRows notes = notesTab || bothLists ? rowsOf(*NotesModel) : TEntryRows();
    const TEntryRows tasks = !notesTab || bothLists ? rowsOf(*TasksModel) : TEntryRows();
    // Assembled first: a row that cannot be printed leaves the body as it is.
    const QString text = PrintEntriesText(editor, notes, tasks);

    // The print is laid out in the body field, out of sight and unnoticed by
    // the change tracking (Printing is set); afterwards the field gets back
    // its text without leading and trailing blanks.
    redNote->setUpdatesEnabled(false);
    redNote->setPlainText(text);
    PrintRichText(printer, *redNote->document(), QStringLiteral("Tamsel: ") + edtTitle->toPlainText(),
        TMarginUnit::Inches, 1, QMarginsF(1, 1, 1, 1));
    redNote->setFieldText(editor.body.trimmed());
    redNote->setUpdatesEnabled(true);
}

void TfrmMain::actSendMailExecute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TEntryMail mail = EntryMailText(editorEntry(*this), Clock::now(), MailFooter);
    SendMailMAPI(mail.subject, mail.text);
    QApplication::restoreOverrideCursor();
}

void TfrmMain::Sendfeedback1Click()
{
    SendMailMAPI(QStringLiteral("Tamsel Feedback (v. ") + QStringLiteral(TAMSEL_VERSION) + QLatin1Char(')'),
        QStringLiteral("Please enter your comments before sending."), FeedbackAddress);
}
