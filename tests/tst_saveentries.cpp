// Saving the entry in the editor: the document fields each case writes, the
// rows it updates, the deadline and reminder date, and what a restart reads.
#include "diagnostics/MessageDlg.h"
#include "mainwindow/RestoreBackupDialog.h"
#include "mainwindow/StorageMove.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/LocaleFormat.h"
#include "store/StoreBackups.h"
#include "store/StoreFile.h"
#include "tests/EditorFixture.h"
#include "tests/HeldWrites.h"
#include "tests/TestFiles.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QDateEdit>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimeEdit>

using namespace EditorFixture;

namespace {
const QDateTime firstSave(QDate(2026, 3, 10), QTime(9, 0, 5));

QString stamp(const QDateTime &moment) { return DayNumber::text(DayNumber::fromDateTime(moment)); }

QString display(const QDateTime &moment) { return DayNumber::displayText(DayNumber::fromDateTime(moment)); }

QDateTime momentOf(const QString &dayNumberText)
{
    const auto number = DayNumber::parse(dayNumberText);
    return number ? DayNumber::toDateTime(*number) : QDateTime();
}

// Every entry of a reopened store: kind, title and completion, in document order.
QStringList storedEntries(const TEditorWindow &f)
{
    QStringList entries;
    for (pugi::xml_node entry = f.w().xmlNotes.Root().first_child(); entry; entry = entry.next_sibling()) {
        const QString kind = TEditorWindow::field(entry, "NoteType");
        entries << kind + QLatin1Char(' ') + TEditorWindow::field(entry, "Title")
                + (kind == QLatin1String("T") ? QLatin1Char(' ') + TEditorWindow::field(entry, "Complete") : QString());
    }
    return entries;
}

// Points the window's store into a folder that is a file, where no process can
// create the store's new file; returns that "folder".
QString blockStore(const TEditorWindow &f)
{
    const QString blocked = f.home.path() + QStringLiteral("/not-a-folder");
    QFile file(blocked);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(blocked));
    f.w().StoreFilePath = blocked + QStringLiteral("/brindo.dat");
    return blocked;
}

// The file names of the store's backups, newest first.
QStringList backupNames(const TEditorWindow &f)
{
    QStringList names;
    for (const StoreBackups::TBackup &backup : StoreBackups::List(f.home.storeFile()))
        names << QFileInfo(backup.path).fileName();
    return names;
}

int entriesIn(const QString &path) { return StoreBackups::EntryCount(path, QStringLiteral("fixture phrase")); }

QString backupFile(const TEditorWindow &f, const char *name)
{
    return StoreBackups::Folder(f.home.storeFile()) + QLatin1Char('/') + QLatin1String(name);
}

bool saveNewNote(const TEditorWindow &f, const char *title)
{
    return f.w().Entries->SaveNote(nullptr, { QLatin1String(title), QString(), QString() }, 46000).stored;
}

// The titles of a store on disk, as another reader sees them now.
QStringList titlesOnDisk(const QString &storeFile)
{
    const std::shared_ptr<StoreFile::TOpenedEntries> opened
        = StoreFile::OpenEntries(storeFile, QStringLiteral("fixture phrase"));
    QStringList titles;
    if (opened->failure)
        return { *opened->failure };
    for (pugi::xml_node entry = opened->document.Root().first_child(); entry; entry = entry.next_sibling())
        titles << TEditorWindow::field(entry, "Title");
    return titles;
}

// Every row of both lists shows the entry its document index points at.
void verifyRowsAreTheirEntries(const TEditorWindow &f)
{
    for (QTreeView *list : { static_cast<QTreeView *>(f.w().lsvTasks), f.w().lsvNotes }) {
        const int titleColumn = list == f.w().lsvNotes ? NoteColumn::Title : TaskColumn::Task;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const TEntry *entry = f.w().ModelOf(list)->entryAt(row);
            QCOMPARE(TXmlDocument::ChildAt(f.w().xmlNotes.Root(), entry->documentIndex), entry->element);
            QCOMPARE(f.cell(list, row, titleColumn), TEditorWindow::field(entry->element, "Title"));
        }
    }
}
} // namespace

class tst_SaveEntries : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        // A locale whose short time shows no seconds and whose short date
        // has a two-digit year.
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(firstSave);
        MessageDlgSeam::takeAskedDialogs();
    }

    void cleanup()
    {
        Clock::clearFixed();
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        MessageDlgSeam::setNextAnswers({});
    }

    // Every command that changes entries is read back from the store on disk,
    // as the next start reads it, not from the document in memory.
    void everyChangeIsReadBackFromTheStore_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("edit a note") << "edit note" << QStringList { "N alpha 2", "T task one 0", "N beta" };
        QTest::newRow("edit a task") << "edit task" << QStringList { "N alpha", "T task 2 0", "N beta" };
        QTest::newRow("add a note") << "add note" << QStringList { "N alpha", "T task one 0", "N beta", "N fresh" };
        QTest::newRow("add a task") << "add task" << QStringList { "N alpha", "T task one 0", "N beta", "T fresh 0" };
        QTest::newRow("task to note") << "task to note" << QStringList { "N alpha", "N task one", "N beta" };
        QTest::newRow("note to task") << "note to task" << QStringList { "T alpha 0", "T task one 0", "N beta" };
        QTest::newRow("delete") << "delete" << QStringList { "T task one 0", "N beta" };
        QTest::newRow("completion box") << "box" << QStringList { "N alpha", "T task one 1", "N beta" };
    }

    void everyChangeIsReadBackFromTheStore()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, stored);
        TEditorWindow f(entries(note("alpha", "45000.1") + task("task one", "45000.2") + note("beta", "45000.3")));
        QVERIFY(f.w().EncryptXMLFile());
        const auto openNote = [&] { f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 0)); };
        const auto openTask = [&] { f.doubleClick(f.w().lsvTasks, f.rowOf(f.w().lsvTasks, TaskRow::Index, 1)); };
        if (command == QLatin1String("edit note")) {
            openNote();
            f.typeTitle(QStringLiteral("alpha 2"));
        } else if (command == QLatin1String("edit task")) {
            openTask();
            f.typeTitle(QStringLiteral("task 2"));
        } else if (command.startsWith(QLatin1String("add"))) {
            f.showList(command.endsWith(QLatin1String("task")) ? static_cast<QTreeView *>(f.w().lsvTasks)
                                                               : f.w().lsvNotes);
            f.clickTool(f.w().actNewNote);
            f.typeTitle(QStringLiteral("fresh"));
        } else if (command == QLatin1String("task to note")) {
            openTask();
            QTest::mouseClick(f.w().radNote, Qt::LeftButton);
        } else if (command == QLatin1String("note to task")) {
            openNote();
            QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        } else if (command == QLatin1String("delete")) {
            openNote();
            f.clickTool(f.w().actDeleteNote);
        } else {
            f.showList(f.w().lsvTasks);
            f.w().TasksModel->setData(f.taskRow(0)->index(TaskRow::DoneColumn), Qt::Checked, Qt::CheckStateRole);
        }
        if (f.w().actSaveNote->isEnabled())
            f.clickTool(f.w().actSaveNote);
        QVERIFY(!f.w().actSaveNote->isEnabled());
        verifyRowsAreTheirEntries(f);

        f.restart();
        QVERIFY(f.w().StoreAvailable);
        QCOMPARE(storedEntries(f), stored);
        verifyRowsAreTheirEntries(f);
    }

    // A store that cannot be written is never shown as a save: the user is
    // told, the editor keeps the text and stays unsaved, and saving again
    // once the store can be written stores the very same entry once.
    void failedStoreKeepsTheEditorUnsaved()
    {
        TEditorWindow f(entries(note("alpha")));
        QVERIFY(f.w().EncryptXMLFile());
        const QString storePath = f.w().StoreFilePath;
        const QString blocked = blockStore(f);

        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("precious"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        f.clickTool(f.w().actSaveNote);
        f.w().WaitForSaveInFlight();
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("NOT saved")) && told.first().contains(blocked), qPrintable(told.first()));
        QVERIFY(f.w().actSaveNote->isEnabled());
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("precious"));
        QVERIFY(f.w().Entries->Unstored());

        f.w().StoreFilePath = storePath;
        f.clickTool(f.w().actSaveNote);
        f.w().WaitForSaveInFlight();
        QVERIFY(!f.w().actSaveNote->isEnabled());
        QVERIFY(!f.w().Entries->Unstored());
        f.restart();
        QCOMPARE(storedEntries(f), (QStringList { "N alpha", "N precious" }));
    }

    // Leaving with changes the store could not take offers to store them
    // again: Cancel stays, a try that works lets the program end.
    void exitOffersToStoreAgain()
    {
        TEditorWindow f(entries(task("t")));
        QVERIFY(f.w().EncryptXMLFile());
        const QString storePath = f.w().StoreFilePath;
        blockStore(f);
        MessageDlgSeam::setNextAnswers({ mrOk });
        f.w().TasksModel->setData(f.taskRow(0)->index(TaskRow::DoneColumn), Qt::Checked, Qt::CheckStateRole);
        f.w().WaitForSaveInFlight();
        QVERIFY(f.w().Entries->Unstored());
        MessageDlgSeam::takeAskedMessages();

        MessageDlgSeam::setNextAnswers({ mrYes, mrOk, mrCancel });
        QVERIFY(!f.w().ConfirmSaveBeforeExit());
        QCOMPARE(MessageDlgSeam::takeAskedMessages().size(), 3);

        f.w().StoreFilePath = storePath;
        MessageDlgSeam::setNextAnswers({ mrYes });
        QVERIFY(f.w().ConfirmSaveBeforeExit());
        QVERIFY(!f.w().Entries->Unstored());
        f.restart();
        QCOMPARE(storedEntries(f), (QStringList { "T t 1" }));
    }

    // After a save every cell of the task's row shows the new texts, and the
    // list is told that the whole row changed, so it repaints all of it.
    void savedTaskRowShowsEveryNewText()
    {
        TEditorWindow f(entries(task("old", "45000.2")));
        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        QSignalSpy changes(f.w().TasksModel, &QAbstractItemModel::dataChanged);
        f.typeTitle(QStringLiteral("new title"));
        f.w().redNote->setFocus();
        QTest::keyClick(f.w().redNote, Qt::Key_End, Qt::ControlModifier);
        f.typeBody(QStringLiteral(" more"));
        QTest::mouseClick(f.w().chkComplete, Qt::LeftButton);
        f.clickTool(f.w().actSaveNote);

        QCOMPARE(f.cell(f.w().lsvTasks, 0, TaskColumn::Task), QStringLiteral("new title"));
        QCOMPARE(f.cell(f.w().lsvTasks, 0, TaskColumn::Instructions), QStringLiteral("body of old more"));
        QCOMPARE(f.cell(f.w().lsvTasks, 0, TaskColumn::Completed), display(firstSave));
        QCOMPARE(f.cell(f.w().lsvTasks, 0, TaskColumn::Modified), display(firstSave));
        QCOMPARE(f.w().TasksModel->index(0, TaskColumn::Done).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!changes.isEmpty());
        const auto topLeft = changes.last().at(0).value<QModelIndex>();
        const auto bottomRight = changes.last().at(1).value<QModelIndex>();
        QCOMPARE(topLeft, f.w().TasksModel->index(0, 0));
        QCOMPARE(bottomRight, f.w().TasksModel->index(0, TaskColumn::Count - 1));
    }

    // Rows stay bound to their own entries when a delete moves every later
    // document index, when an entry changes lists, and after sorting; boxes
    // and check marks act on the entry of their own row.
    void rowsStayBoundToTheirEntries()
    {
        TEditorWindow f(entries(note("n1", "45000.1") + task("t1", "45000.2") + note("n2", "45000.3")
            + task("t2", "45000.4") + note("n3", "45000.5") + task("t3", "45000.6")));
        f.w().lsvTasksColumnClick(f.w().lsvTasks, TaskColumn::Task); // reverse title order
        verifyRowsAreTheirEntries(f);

        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 0));
        f.clickTool(f.w().actDeleteNote);
        verifyRowsAreTheirEntries(f);
        QCOMPARE(f.rowOf(f.w().lsvTasks, TaskRow::Index, 0)->text(TaskColumn::Task), QStringLiteral("t1"));

        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 1));
        QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        f.clickTool(f.w().actSaveNote);
        verifyRowsAreTheirEntries(f);

        for (int row = 0; row < f.w().TasksModel->rowCount(); ++row) {
            const TEntry *entry = f.w().TasksModel->entryAt(row);
            f.w().TasksModel->setData(f.w().TasksModel->index(row, TaskColumn::Done), Qt::Checked, Qt::CheckStateRole);
            QCOMPARE(TEditorWindow::field(entry->element, "Complete"), QStringLiteral("1"));
            f.w().NotesModel->setData(f.w().NotesModel->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        }
        QVERIFY(f.w().NotesModel->entryAt(0)->marked);
        QCOMPARE(f.w().Entries->MarkedCount(), 1);
        for (int row = 0; row < f.w().TasksModel->rowCount(); ++row)
            QVERIFY(!f.w().TasksModel->entryAt(row)->marked);
    }

    void newNoteWithoutFile()
    {
        TEditorWindow f(entries(note("first")));
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("Shopping"));
        f.typeBody(QStringLiteral("eggs <6>"));
        QVERIFY(f.w().actSaveNote->isEnabled());
        f.clickTool(f.w().actSaveNote);
        QVERIFY(!f.w().actSaveNote->isEnabled());

        const int index = f.w().EditorIndex;
        QCOMPARE(index, 1);
        const pugi::xml_node entry = f.entry(index);
        QCOMPARE(TEditorWindow::fieldNames(entry),
            (QStringList { "Title", "Text", "DateTime", "LastModified", "NoteType" }));
        QCOMPARE(TEditorWindow::field(entry, "Text"), QStringLiteral("eggs &lt;6&gt;"));
        QCOMPARE(TEditorWindow::field(entry, "DateTime"), stamp(firstSave));
        QCOMPARE(TEditorWindow::field(entry, "LastModified"), stamp(firstSave));

        const auto row = f.rowOf(f.w().lsvNotes, NoteRow::Index, index);
        QVERIFY(row);
        QVERIFY(row->isSelected());
        QCOMPARE(row->text(0), display(firstSave));
        QCOMPARE(f.w().lblCreationDate->text(), display(firstSave));
        QCOMPARE(row->subItem(NoteRow::Text), QStringLiteral("eggs <6>"));
        QCOMPARE(row->subItem(NoteRow::DateTime), stamp(firstSave));
        QCOMPARE(row->subItem(NoteRow::FileName), QString());
        QCOMPARE(f.w().EditorKind, TEditorKind::Note);
    }

    void newNoteWithFile()
    {
        TEditorWindow f(entries(note("first")));
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("Manual"));
        f.w().redFileName->setPlainText(QStringLiteral("/tmp/manual.pdf"));
        f.clickTool(f.w().actSaveNote);
        const pugi::xml_node entry = f.entry(f.w().EditorIndex);
        QCOMPARE(TEditorWindow::fieldNames(entry).last(), QStringLiteral("FileName"));
        QCOMPARE(TEditorWindow::field(entry, "FileName"), QStringLiteral("/tmp/manual.pdf"));
    }

    // The welcome note carries an empty FileName; saving it, or removing a
    // file from a note, leaves an empty element rather than none.
    void storedNoteKeepsItsEmptyFileName_data()
    {
        QTest::addColumn<QByteArray>("fileElement");
        QTest::newRow("empty element kept") << QByteArray("<FileName></FileName>");
        QTest::newRow("file removed") << QByteArray("<FileName>/tmp/old.txt</FileName>");
    }

    void storedNoteKeepsItsEmptyFileName()
    {
        QFETCH(QByteArray, fileElement);
        TEditorWindow f(entries(note("welcome", "45000.5", fileElement)));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        QCOMPARE(f.w().EditorIndex, 0);
        f.w().redFileName->clear(); // what removing the file does
        f.typeTitle(QStringLiteral("welcome edited"));
        f.clickTool(f.w().actSaveNote);

        const pugi::xml_node entry = f.entry(0);
        QVERIFY(entry.child("FileName"));
        QCOMPARE(TEditorWindow::field(entry, "FileName"), QString());
        QCOMPARE(TEditorWindow::field(entry, "Title"), QStringLiteral("welcome edited"));
        QCOMPARE(TEditorWindow::field(entry, "DateTime"), QStringLiteral("45000.5"));
        QCOMPARE(TEditorWindow::field(entry, "LastModified"), stamp(firstSave));
        QCOMPARE(f.noteRow(0)->subItem(NoteRow::FileName), QString());
        QCOMPARE(f.noteRow(0)->subItem(NoteRow::Modified), display(firstSave));
        QCOMPARE(f.noteRow(0)->subItem(NoteRow::DateTime), QStringLiteral("45000.5"));
    }

    // A task due at 10:15:42 is stored due at 10:15 where the short time
    // shows no seconds, and its reminder date follows the lead time.
    void deadlineAndReminderDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("lead");
        QTest::addColumn<QDateTime>("deadline");
        QTest::addColumn<QDateTime>("reminder");
        QTest::newRow("seconds dropped, 0 minutes")
            << QDate(2026, 4, 2) << QTime(10, 15, 42, 500) << 1 << QDateTime(QDate(2026, 4, 2), QTime(10, 15))
            << QDateTime(QDate(2026, 4, 2), QTime(10, 15));
        QTest::newRow("Never: 1000 years later")
            << QDate(2026, 4, 2) << QTime(10, 15, 42) << 0 << QDateTime(QDate(2026, 4, 2), QTime(10, 15))
            << QDateTime(QDate(3026, 4, 2), QTime(10, 15));
        QTest::newRow("1 day") << QDate(2026, 4, 2) << QTime(8, 0) << 19
                               << QDateTime(QDate(2026, 4, 2), QTime(8, 0))
                               << QDateTime(QDate(2026, 4, 1), QTime(8, 0));
        QTest::newRow("2 weeks from 15 March 12:00")
            << QDate(2026, 3, 15) << QTime(12, 0) << 25 << QDateTime(QDate(2026, 3, 15), QTime(12, 0))
            << QDateTime(QDate(2026, 3, 1), QTime(12, 0));
        QTest::newRow("Never on 29 February")
            << QDate(2028, 2, 29) << QTime(12, 0) << 0 << QDateTime(QDate(2028, 2, 29), QTime(12, 0))
            << QDateTime(QDate(3028, 2, 29), QTime(12, 0));
    }

    void deadlineAndReminderDate()
    {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(int, lead);
        QFETCH(QDateTime, deadline);
        QFETCH(QDateTime, reminder);

        TEditorWindow f(entries(note("first")));
        f.showList(f.w().lsvTasks);
        f.clickTool(f.w().actNewNote);
        QVERIFY(f.w().radTask->isChecked());
        f.typeTitle(QStringLiteral("Dentist"));
        f.w().dtpDate->setDate(date);
        f.w().dtpTime->setTime(time);
        f.chooseReminder(lead);
        QCOMPARE(f.w().cboReminder->currentIndex(), lead);
        f.clickTool(f.w().actSaveNote);

        const pugi::xml_node entry = f.entry(f.w().EditorIndex);
        QCOMPARE(TEditorWindow::fieldNames(entry),
            (QStringList { "Title", "Text", "DateTime", "LastModified", "Deadline", "Complete",
                "DateCompleted", "Reminder", "ReminderDate", "NoteType" }));
        QCOMPARE(momentOf(TEditorWindow::field(entry, "Deadline")), deadline);
        QCOMPARE(momentOf(TEditorWindow::field(entry, "ReminderDate")), reminder);
        QCOMPARE(TEditorWindow::field(entry, "Reminder"), QString::number(lead));
        QCOMPARE(TEditorWindow::field(entry, "Complete"), QStringLiteral("0"));
        QCOMPARE(TEditorWindow::field(entry, "DateCompleted"), QString());

        const auto row = f.rowOf(f.w().lsvTasks, TaskRow::Index, f.w().EditorIndex);
        QVERIFY(row);
        QCOMPARE(row->subItem(TaskRow::Due), DayNumber::displayText(DayNumber::fromDateTime(deadline)));
        QCOMPARE(row->subItem(TaskRow::Deadline), TEditorWindow::field(entry, "Deadline"));
        QCOMPARE(row->subItem(TaskRow::ReminderDate), TEditorWindow::field(entry, "ReminderDate"));
        QCOMPARE(row->subItem(TaskRow::Reminder), QString::number(lead));
        QCOMPARE(row->subItem(TaskRow::Complete), QStringLiteral("0"));
        QCOMPARE(row->checkState(TaskRow::DoneColumn), Qt::Unchecked);
        QCOMPARE(f.w().EditorKind, TEditorKind::Task);
    }

    // Completing a task stamps the save's time once; a later save keeps it,
    // and clearing the box clears it.
    void completionTime()
    {
        TEditorWindow f(entries(task("report")));
        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        QCOMPARE(f.w().EditorIndex, 0);
        QTest::mouseClick(f.w().chkComplete, Qt::LeftButton);
        QVERIFY(f.w().chkComplete->isChecked());
        QVERIFY(f.w().actSaveNote->isEnabled());
        f.clickTool(f.w().actSaveNote);

        QCOMPARE(TEditorWindow::field(f.entry(0), "Complete"), QStringLiteral("1"));
        QCOMPARE(TEditorWindow::field(f.entry(0), "DateCompleted"), stamp(firstSave));
        QCOMPARE(f.taskRow(0)->subItem(TaskRow::Completed), display(firstSave));
        QCOMPARE(f.taskRow(0)->checkState(TaskRow::DoneColumn), Qt::Checked);

        const QDateTime later = firstSave.addSecs(3600);
        Clock::setFixed(later);
        f.typeTitle(QStringLiteral("report, sent"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "DateCompleted"), stamp(firstSave));
        QCOMPARE(TEditorWindow::field(f.entry(0), "LastModified"), stamp(later));
        QCOMPARE(f.taskRow(0)->subItem(TaskRow::Completed), display(firstSave));
        QCOMPARE(f.taskRow(0)->subItem(TaskRow::DateCompleted), stamp(firstSave));

        QTest::mouseClick(f.w().chkComplete, Qt::LeftButton);
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "Complete"), QStringLiteral("0"));
        QCOMPARE(TEditorWindow::field(f.entry(0), "DateCompleted"), QString());
        QCOMPARE(f.taskRow(0)->subItem(TaskRow::Completed), QString());
        QCOMPARE(f.taskRow(0)->checkState(TaskRow::DoneColumn), Qt::Unchecked);
    }

    // A task stored complete keeps its completion time when saved again.
    void storedCompletionTimeKept()
    {
        TEditorWindow f(entries(task("done long ago", "45000.5", "1", "45001.25")));
        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        QVERIFY(f.w().chkComplete->isChecked());
        f.typeTitle(QStringLiteral("done long ago!"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "DateCompleted"), QStringLiteral("45001.25"));
        QCOMPARE(f.taskRow(0)->subItem(TaskRow::Completed), DayNumber::displayText(45001.25));
    }

    void newCompleteTask()
    {
        TEditorWindow f(entries(note("first")));
        f.showList(f.w().lsvTasks);
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("already done"));
        QTest::mouseClick(f.w().chkComplete, Qt::LeftButton);
        f.clickTool(f.w().actSaveNote);
        const pugi::xml_node entry = f.entry(f.w().EditorIndex);
        QCOMPARE(TEditorWindow::field(entry, "Complete"), QStringLiteral("1"));
        QCOMPARE(TEditorWindow::field(entry, "DateCompleted"), stamp(firstSave));
        const auto row = f.rowOf(f.w().lsvTasks, TaskRow::Index, f.w().EditorIndex);
        QCOMPARE(row->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(row->subItem(TaskRow::Completed), display(firstSave));
        QCOMPARE(row->subItem(TaskRow::Complete), QStringLiteral("1"));
    }

    // A stored note switched to Task keeps its element, its position and its
    // creation time; switched back, it keeps the task's fields.
    void kindChangeAndBack()
    {
        TEditorWindow f(entries(note("older", "45000.25") + note("meeting", "45000.5") + task("other")));
        auto meeting = f.rowOf(f.w().lsvNotes, NoteRow::Index, 1);
        const QString caption = meeting->text(0);
        f.doubleClick(f.w().lsvNotes, meeting);
        QCOMPARE(f.w().EditorIndex, 1);

        QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        QVERIFY(f.w().actSaveNote->isEnabled());
        f.chooseReminder(6);
        f.clickTool(f.w().actSaveNote);

        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 1);
        QCOMPARE(f.w().lsvTasks->model()->rowCount(), 2);
        QVERIFY(!f.rowOf(f.w().lsvNotes, NoteRow::Index, 1));
        auto asTask = f.rowOf(f.w().lsvTasks, TaskRow::Index, 1);
        QVERIFY(asTask);
        QCOMPARE(asTask->text(0), caption);
        QCOMPARE(asTask->subItem(TaskRow::DateTime), QStringLiteral("45000.5"));
        QCOMPARE(asTask->subItem(TaskRow::Title), QStringLiteral("meeting"));
        QCOMPARE(asTask->checkState(TaskRow::DoneColumn), Qt::Unchecked);
        QCOMPARE(f.w().EditorIndex, 1);
        QCOMPARE(f.w().EditorKind, TEditorKind::Task);
        QCOMPARE(TXmlDocument::ChildCount(f.w().xmlNotes.Root()), 3);
        pugi::xml_node entry = f.entry(1);
        QCOMPARE(TEditorWindow::field(entry, "NoteType"), QStringLiteral("T"));
        QCOMPARE(TEditorWindow::field(entry, "DateTime"), QStringLiteral("45000.5"));
        QCOMPARE(TEditorWindow::field(entry, "Reminder"), QStringLiteral("6"));

        QTest::mouseClick(f.w().radNote, Qt::LeftButton);
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
        QCOMPARE(f.w().lsvTasks->model()->rowCount(), 1);
        auto back = f.rowOf(f.w().lsvNotes, NoteRow::Index, 1);
        QVERIFY(back);
        QCOMPARE(back->text(0), caption);
        QCOMPARE(back->subItem(NoteRow::DateTime), QStringLiteral("45000.5"));
        entry = f.entry(1);
        QCOMPARE(TEditorWindow::field(entry, "NoteType"), QStringLiteral("N"));
        QCOMPARE(TEditorWindow::field(entry, "DateTime"), QStringLiteral("45000.5"));
        QCOMPARE(TEditorWindow::field(entry, "Reminder"), QStringLiteral("6"));
        QVERIFY(entry.child("Deadline"));
        QCOMPARE(f.w().EditorKind, TEditorKind::Note);

        // The next save of the same entry updates it in place.
        f.typeTitle(QStringLiteral("meeting moved"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TXmlDocument::ChildCount(f.w().xmlNotes.Root()), 3);
        QCOMPARE(f.rowOf(f.w().lsvNotes, NoteRow::Index, 1)->subItem(NoteRow::Title),
            QStringLiteral("meeting moved"));
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("older"));
    }

    // Two entries saved within one second share their caption; each row
    // keeps its own entry.
    void twoSavesInOneSecond()
    {
        TEditorWindow f(entries(note("first")));
        for (const QString &title : { QStringLiteral("twin one"), QStringLiteral("twin two") }) {
            f.clickTool(f.w().actNewNote);
            f.typeTitle(title);
            f.clickTool(f.w().actSaveNote);
        }
        const auto one = f.rowOf(f.w().lsvNotes, NoteRow::Index, 1);
        const auto two = f.rowOf(f.w().lsvNotes, NoteRow::Index, 2);
        QCOMPARE(one->text(0), two->text(0));
        QCOMPARE(one->subItem(NoteRow::Title), QStringLiteral("twin one"));
        QCOMPARE(two->subItem(NoteRow::Title), QStringLiteral("twin two"));

        f.typeTitle(QStringLiteral("twin two, renamed"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(1), "Title"), QStringLiteral("twin one"));
        QCOMPARE(TEditorWindow::field(f.entry(2), "Title"), QStringLiteral("twin two, renamed"));
        QCOMPARE(one->subItem(NoteRow::Title), QStringLiteral("twin one"));
    }

    // A save whose entry has no row (the lists and the editor disagree) must
    // not write into another entry; the editor keeps its changes.
    void saveWithoutMatchingRow()
    {
        TEditorWindow f(entries(note("alpha") + note("beta", "45000.75")));
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 0));
        f.typeTitle(QStringLiteral("alpha edited"));
        // The creation key no longer matches any row with this index.
        f.w().lblCreationDate->setText(f.rowOf(f.w().lsvNotes, NoteRow::Index, 1)->text(0));
        const QByteArray before = f.w().xmlNotes.SaveToBytes();

        MessageDlgSeam::setNextAnswers({ mrNo }); // no e-mail of the error report
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(f.w().xmlNotes.SaveToBytes(), before);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
        QCOMPARE(f.rowOf(f.w().lsvNotes, NoteRow::Index, 1)->subItem(NoteRow::Title), QStringLiteral("beta"));
        QVERIFY(f.w().actSaveNote->isEnabled());
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
    }

    // What was saved is what the next start reads.
    void restartReadsEverythingBack()
    {
        TEditorWindow f(entries(note("welcome", "45000.5", "<FileName></FileName>")));
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("note <one>"));
        f.typeBody(QStringLiteral("line 1"));
        QTest::keyClick(f.w().redNote, Qt::Key_Return);
        QTest::keyClicks(f.w().redNote, QStringLiteral("a < b & c"));
        f.clickTool(f.w().actSaveNote);

        f.showList(f.w().lsvTasks);
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("task one"));
        f.w().dtpDate->setDate(QDate(2026, 5, 1));
        f.w().dtpTime->setTime(QTime(17, 30, 59));
        f.chooseReminder(19);
        f.clickTool(f.w().actSaveNote);
        // Compared as the store reads it: an emptied field is written as an
        // empty element either way.
        TXmlDocument saved;
        saved.LoadFromMemory(f.w().xmlNotes.SaveToBytes());

        f.restart();
        QCOMPARE(f.w().xmlNotes.SaveToBytes(), saved.SaveToBytes());
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
        const auto noteBack = f.rowOf(f.w().lsvNotes, NoteRow::Index, 1);
        QCOMPARE(noteBack->subItem(NoteRow::Title), QStringLiteral("note <one>"));
        QCOMPARE(noteBack->subItem(NoteRow::Text), QStringLiteral("line 1\na < b & c"));
        QCOMPARE(noteBack->text(0), display(firstSave));
        const auto taskBack = f.rowOf(f.w().lsvTasks, TaskRow::Index, 2);
        QCOMPARE(taskBack->subItem(TaskRow::Title), QStringLiteral("task one"));
        QCOMPARE(taskBack->subItem(TaskRow::Due),
            DayNumber::displayText(DayNumber::fromDateTime(QDateTime(QDate(2026, 5, 1), QTime(17, 30)))));
        QCOMPARE(taskBack->subItem(TaskRow::Reminder), QStringLiteral("19"));
        QCOMPARE(
            momentOf(taskBack->subItem(TaskRow::ReminderDate)), QDateTime(QDate(2026, 4, 30), QTime(17, 30)));

        f.doubleClick(f.w().lsvTasks, f.rowOf(f.w().lsvTasks, TaskRow::Index, 2));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("task one"));
        QCOMPARE(f.w().dtpDate->date(), QDate(2026, 5, 1));
        QCOMPARE(f.w().dtpTime->time(), QTime(17, 30));
        QCOMPARE(f.w().cboReminder->currentIndex(), 19);
        QVERIFY(!f.w().actSaveNote->isEnabled());
    }

    // The first save of each day keeps the store as it was before it; the
    // other saves of the day keep nothing.
    void firstSaveOfEachDayKeepsABackup()
    {
        TEditorWindow f(entries(note("alpha", "45000.1")));
        QVERIFY(f.w().EncryptXMLFile()); // makes the store: there was nothing to keep
        QCOMPARE(backupNames(f), QStringList());
        QVERIFY(saveNewNote(f, "beta"));
        QVERIFY(saveNewNote(f, "gamma"));
        f.w().WaitForSaveInFlight();
        QCOMPARE(backupNames(f), QStringList { "brindo-2026-03-10.dat" });
        QCOMPARE(entriesIn(backupFile(f, "brindo-2026-03-10.dat")), 1);

        Clock::setFixed(firstSave.addDays(1));
        QVERIFY(saveNewNote(f, "delta"));
        QVERIFY(saveNewNote(f, "epsilon"));
        f.w().WaitForSaveInFlight();
        QCOMPARE(backupNames(f), (QStringList { "brindo-2026-03-11.dat", "brindo-2026-03-10.dat" }));
        QCOMPARE(entriesIn(backupFile(f, "brindo-2026-03-11.dat")), 3);
        QCOMPARE(entriesIn(backupFile(f, "brindo-2026-03-10.dat")), 1);
        QCOMPARE(entriesIn(f.home.storeFile()), 5);
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
    }

    // A backup that cannot be made never stops a save: the user is told
    // once a run, and each save goes through.
    void failingBackupNeverBlocksTheSave()
    {
        TEditorWindow f(entries(note("alpha", "45000.1")));
        QVERIFY(f.w().EncryptXMLFile());
        writeFile(StoreBackups::Folder(f.home.storeFile()), "a file where the backup folder belongs");
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(saveNewNote(f, "beta"));
        QTRY_VERIFY_WITH_TIMEOUT(!MessageDlgSeam::hasPendingAnswers(), 2000);
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(QStringLiteral("could not keep today's backup")), qPrintable(told[0]));

        Clock::setFixed(firstSave.addDays(1));
        QVERIFY(saveNewNote(f, "gamma"));
        f.w().WaitForSaveInFlight();
        QTest::qWait(20);
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
        QCOMPARE(entriesIn(f.home.storeFile()), 3);
    }

    // A restore keeps the entries as they are as one more backup, then the
    // store, the lists and the next start hold the backup's entries.
    void restoreKeepsTheCurrentStoreFirst()
    {
        TEditorWindow f(entries(note("alpha", "45000.1")));
        QVERIFY(f.w().EncryptXMLFile());
        Clock::setFixed(firstSave.addDays(1));
        QVERIFY(saveNewNote(f, "beta"));
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);

        RestoreBackupDialogSeam::setNextAnswers({ QStringLiteral("brindo-2026-03-11.dat") });
        MessageDlgSeam::setNextAnswers({ mrYes, mrOk });
        f.w().mnuRestoreBackup->trigger();

        const QList<QStringList> offered = RestoreBackupDialogSeam::takeAsked();
        QCOMPARE(offered.size(), 1);
        QCOMPARE(offered[0].size(), 1);
        QVERIFY2(offered[0][0].endsWith(QStringLiteral(" | 1 entry | brindo-2026-03-11.dat")), qPrintable(offered[0][0]));
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(asked.size(), 2);
        QVERIFY2(asked[0].startsWith(QStringLiteral("Replace your entries with the backup of")), qPrintable(asked[0]));
        QVERIFY2(asked[1].contains(backupFile(f, "brindo-2026-03-11-2.dat")), qPrintable(asked[1]));

        QCOMPARE(backupNames(f), (QStringList { "brindo-2026-03-11-2.dat", "brindo-2026-03-11.dat" }));
        QCOMPARE(entriesIn(backupFile(f, "brindo-2026-03-11-2.dat")), 2);
        QCOMPARE(entriesIn(f.home.storeFile()), 1);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 1);
        QCOMPARE(f.cell(f.w().lsvNotes, 0, NoteColumn::Title), QStringLiteral("alpha"));
        // Saving goes on from the restored entries.
        QVERIFY(saveNewNote(f, "gamma"));
        f.restart();
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
    }

    // A backup saved under another passphrase is listed as one that does not
    // open, and refused in plain words; a cancelled dialog changes nothing.
    void restoreRefusesABackupUnderAnotherPassPhrase()
    {
        TEditorWindow f(entries(note("alpha", "45000.1")));
        QVERIFY(f.w().EncryptXMLFile());
        QVERIFY(QDir().mkpath(StoreBackups::Folder(f.home.storeFile())));
        StoreFile::SaveStore(backupFile(f, "brindo-2026-03-09.dat"), StoreFile::PassPhraseBytes(QStringLiteral("another phrase")),
            entries(note("foreign", "45000.2")));
        const QByteArray store = readFile(f.home.storeFile());

        RestoreBackupDialogSeam::setNextAnswers({ std::nullopt, QStringLiteral("brindo-2026-03-09.dat") });
        f.w().mnuRestoreBackup->trigger();
        MessageDlgSeam::setNextAnswers({ mrOk });
        f.w().mnuRestoreBackup->trigger();

        const QList<QStringList> offered = RestoreBackupDialogSeam::takeAsked();
        QCOMPARE(offered.size(), 2);
        QVERIFY2(offered[1].value(0).endsWith(QStringLiteral(" | does not open with your password | brindo-2026-03-09.dat")),
            qPrintable(offered[1].value(0)));
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].contains(QStringLiteral("cannot be restored: it does not open with your password")), qPrintable(asked[0]));
        QVERIFY2(asked[0].contains(QStringLiteral("Your entries were left as they are.")), qPrintable(asked[0]));
        QCOMPARE(readFile(f.home.storeFile()), store);
        QCOMPARE(backupNames(f), QStringList { "brindo-2026-03-09.dat" });
        QCOMPARE(f.cell(f.w().lsvNotes, 0, NoteColumn::Title), QStringLiteral("alpha"));
    }

    // The dialog itself: the newest backup is chosen at first, a click
    // chooses another, and Restore is enabled only with a row chosen.
    void restoreDialogOffersEachBackup()
    {
        const QList<TBackupChoice> backups { { QStringLiteral("/b/brindo-2026-03-11.dat"), QDate(2026, 3, 11), 1, 20000 },
            { QStringLiteral("/b/brindo-2026-03-10-2.dat"), QDate(2026, 3, 10), 2, std::nullopt } };
        TfrmRestoreBackup dialog(backups);
        dialog.show();
        auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("lsvBackups"));
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(list && buttons);
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("%1 entries").arg(QLocale().toString(20000)));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("does not open with your password"));
        QVERIFY2(list->topLevelItem(1)->text(0).endsWith(QStringLiteral("(kept before a restore)")),
            qPrintable(list->topLevelItem(1)->text(0)));
        QCOMPARE(dialog.chosenPath(), backups[0].path);
        QVERIFY(buttons->button(QDialogButtonBox::Ok)->isEnabled());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
        QCOMPARE(dialog.chosenPath(), backups[1].path);
        list->setCurrentItem(nullptr);
        QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
    }

    // A store that no longer opens is what a backup is for: it is kept as
    // one more backup, and the restored entries can be changed and saved.
    void restoreReplacesAStoreThatDoesNotOpen()
    {
        TEditorWindow f(entries(note("alpha", "45000.1")));
        QVERIFY(f.w().EncryptXMLFile());
        Clock::setFixed(firstSave.addDays(1));
        QVERIFY(saveNewNote(f, "beta"));
        f.w().WaitForSaveInFlight();
        const QByteArray damaged = "eight salt bytes, then noise that is no entry document";
        writeFile(f.home.storeFile(), damaged);
        // Noise asks for another passphrase first; the user gives up.
        StorePassPhraseSeam::setNextAnswers({ std::nullopt });
        MessageDlgSeam::setNextAnswers({ mrOk });
        f.w().DecryptXMLFile();
        QVERIFY(!StorePassPhraseSeam::hasPendingAnswers());
        QVERIFY(!f.w().StoreAvailable);

        RestoreBackupDialogSeam::setNextAnswers({ QStringLiteral("brindo-2026-03-11.dat") });
        MessageDlgSeam::setNextAnswers({ mrYes, mrOk });
        f.w().mnuRestoreBackup->trigger();

        QVERIFY(f.w().StoreAvailable);
        QCOMPARE(readFile(backupFile(f, "brindo-2026-03-11-2.dat")), damaged);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 1);
        QVERIFY(saveNewNote(f, "gamma"));
        f.w().WaitForSaveInFlight();
        QCOMPARE(entriesIn(f.home.storeFile()), 2);
        MessageDlgSeam::takeAskedMessages();
    }
    // A save goes on away from the window: changes made while it writes are
    // kept and written by one more write right after it, each exactly once.
    void changesDuringAWriteAreWrittenNextOnce()
    {
        THeldWrites held;
        TEditorWindow f(entries(note("alpha") + note("beta")));
        const auto letGo = held.letAllGoAtEnd();
        QVERIFY(f.w().EncryptXMLFile());

        QVERIFY(saveNewNote(f, "first"));
        QVERIFY(held.reachedOne());
        QVERIFY(f.w().SaveInFlight());
        QVERIFY(saveNewNote(f, "second"));
        QVERIFY(f.w().Entries->Delete(f.w().Entries->at(0)));
        QVERIFY(saveNewNote(f, "third"));
        QCOMPARE(titlesOnDisk(f.home.storeFile()), (QStringList { "alpha", "beta" }));

        held.letOneGo();
        QVERIFY(held.reachedOne());
        QVERIFY(f.w().SaveInFlight());
        held.letOneGo();
        QTRY_VERIFY_WITH_TIMEOUT(!f.w().SaveInFlight(), 10000);
        QCOMPARE(held.writes.load(), 2);
        QVERIFY(!f.w().Entries->Unstored());
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
        QCOMPARE(titlesOnDisk(f.home.storeFile()), (QStringList { "beta", "first", "second", "third" }));
        f.restart();
        QCOMPARE(storedEntries(f), (QStringList { "N beta", "N first", "N second", "N third" }));
    }

    // A write that fails is told as before ("NOT saved"), and the changes it
    // held and those made while it ran are kept for the next save, which
    // stores them all.
    void failingWriteKeepsItsChangesAndThoseMadeMeanwhile()
    {
        THeldWrites held;
        TEditorWindow f(entries(note("alpha")));
        const auto letGo = held.letAllGoAtEnd();
        QVERIFY(f.w().EncryptXMLFile());

        QVERIFY(saveNewNote(f, "first"));
        QVERIFY(held.reachedOne());
        QVERIFY(saveNewNote(f, "second"));
        {
            const AtomicFile::TFaultFunction sound = AtomicFile::SetFault(
                [](AtomicFile::TStep step) { return step == AtomicFile::TStep::Write ? ENOSPC : 0; });
            const auto restore = qScopeGuard([sound] { AtomicFile::SetFault(sound); });
            MessageDlgSeam::setNextAnswers({ mrOk });
            held.letOneGo();
            QTRY_VERIFY_WITH_TIMEOUT(!f.w().SaveInFlight(), 10000);
        }
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("NOT saved")), qPrintable(told.first()));
        QVERIFY(f.w().Entries->Unstored());
        QCOMPARE(held.writes.load(), 1);
        QCOMPARE(titlesOnDisk(f.home.storeFile()), (QStringList { "alpha" }));

        held.letOneGo();
        QVERIFY(f.w().Entries->Store());
        f.w().WaitForSaveInFlight();
        QVERIFY(!f.w().Entries->Unstored());
        QCOMPARE(titlesOnDisk(f.home.storeFile()), (QStringList { "alpha", "first", "second" }));
    }

    // Leaving the program while a write is under way waits for it and for
    // the write of the changes made meanwhile: all of them are on disk.
    void exitDuringAWriteWaitsForIt()
    {
        THeldWrites held;
        TEditorWindow f(entries(note("alpha")));
        const auto letGo = held.letAllGoAtEnd();
        QVERIFY(f.w().EncryptXMLFile());

        QVERIFY(saveNewNote(f, "first"));
        QVERIFY(held.reachedOne());
        QVERIFY(saveNewNote(f, "second"));
        held.letGoWhenWaitedFor();
        QVERIFY(f.w().ConfirmSaveBeforeExit());
        QVERIFY(!f.w().SaveInFlight());
        QCOMPARE(held.writes.load(), 2);
        QCOMPARE(titlesOnDisk(f.home.storeFile()), (QStringList { "alpha", "first", "second" }));
    }
    // Moving the storage folder while a write is under way waits for it: the
    // old store gets the change before the move, and nothing is written
    // there afterwards; the next save goes to the new folder.
    void moveWaitsForTheWriteUnderWay()
    {
        THeldWrites held;
        TEditorWindow f(entries(note("alpha")));
        const auto letGo = held.letAllGoAtEnd();
        QVERIFY(f.w().EncryptXMLFile());
        const QString oldStore = f.w().StoreFilePath;
        const QString folder = f.home.path() + QStringLiteral("/moved");
        QVERIFY(QDir().mkpath(folder));

        QVERIFY(saveNewNote(f, "first"));
        QVERIFY(held.reachedOne());
        held.letGoWhenWaitedFor();
        QVERIFY(f.w().MoveStorage(folder, [] {}));
        QVERIFY(!f.w().SaveInFlight());
        QCOMPARE(f.w().StoreFilePath, folder + QStringLiteral("/brindo.dat"));
        QCOMPARE(titlesOnDisk(oldStore), (QStringList { "alpha", "first" }));
        QCOMPARE(titlesOnDisk(f.w().StoreFilePath), (QStringList { "alpha", "first" }));
        const QByteArray oldBytes = readFile(oldStore);

        QSignalSpy reloads(f.w().Entries, &TEntryTable::reloaded);
        QVERIFY(saveNewNote(f, "second"));
        f.w().WaitForSaveInFlight();
        QCOMPARE(reloads.count(), 0);
        QCOMPARE(readFile(oldStore), oldBytes);
        QCOMPARE(titlesOnDisk(f.w().StoreFilePath), (QStringList { "alpha", "first", "second" }));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
    }
};

QTEST_MAIN(tst_SaveEntries)
#include "tst_saveentries.moc"
