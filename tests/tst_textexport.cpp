// Save to File: the whole file written for the entry in the editor and the
// checked rows, with either setting and tab; the save dialog; and what a
// failing write or a row that cannot be written leaves behind.
#include "diagnostics/MessageDlg.h"
#include "output/EntryText.h"
#include "output/SaveAsDialog.h"
#include "platform/Clock.h"
#include "store/LocaleFormat.h"
#include "tests/EditorFixture.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTimer>

using namespace EditorFixture;

namespace {
const QDateTime now(QDate(2026, 3, 10), QTime(9, 0, 5));

// Two notes and two tasks. Day 46000 is 12/9/25.
QByteArray fixture(const QByteArray &taskReminder = "6")
{
    return entries("<Note><Title>Groceries</Title><Text>Milk^MEggs</Text><DateTime>46000.375</DateTime>"
                   "<LastModified>46001.5</LastModified><NoteType>N</NoteType></Note>"
                   "<Note><Title>Ideas</Title><Text></Text><DateTime>46002.25</DateTime>"
                   "<LastModified>46002.25</LastModified><NoteType>N</NoteType></Note>"
                   "<Note><Title>Pay rent</Title><Text>Before noon</Text><DateTime>46003.5</DateTime>"
                   "<LastModified>46003.75</LastModified><Deadline>46010.5</Deadline><Complete>0</Complete>"
                   "<DateCompleted></DateCompleted><Reminder>"
        + taskReminder
        + "</Reminder><NoteType>T</NoteType></Note>"
          "<Note><Title>Call Bob</Title><Text>   </Text><DateTime>46004.5</DateTime>"
          "<LastModified>46005.5</LastModified><Deadline>46004</Deadline><Complete>1</Complete>"
          "<DateCompleted>46005.5</DateCompleted><Reminder>0</Reminder><NoteType>T</NoteType></Note>");
}

const QByteArray separator = "\r\n__________________________________________________\r\n\r\n";

// The entries as the lists write them.
const QByteArray groceriesRow = "Title:\tGroceries\r\n\r\nCreated:\t12/9/25 9:00:00 AM\r\n"
                                "Modified:\t12/10/25 12:00:00 PM\r\n\r\nMilk\r\nEggs\r\n";
const QByteArray ideasRow
    = "Title:\tIdeas\r\n\r\nCreated:\t12/11/25 6:00:00 AM\r\nModified:\t12/11/25 6:00:00 AM\r\n";
const QByteArray rentRow = "Task:\tPay rent\r\n\r\nCreated:\t12/12/25 12:00:00 PM\r\n"
                           "Modified:\t12/12/25 6:00:00 PM\r\nDeadline:\t12/19/25 12:00:00 PM\r\n"
                           "Reminder:\t1 hour\r\nCompleted:\t\r\n\r\nBefore noon\r\n";
const QByteArray bobRow = "Task:\tCall Bob\r\n\r\nCreated:\t12/13/25 12:00:00 PM\r\n"
                          "Modified:\t12/14/25 12:00:00 PM\r\nDeadline:\t12/13/25\r\nReminder:\tNever\r\n"
                          "Completed:\t12/14/25 12:00:00 PM\r\n";
// The same entries as the editor writes them.
const QByteArray groceriesEditor = "Title:\tGroceries\r\n\r\nCreated:  \t12/9/25 9:00:00 AM\r\n"
                                   "Modified:  \t12/10/25 12:00:00 PM\r\n\r\nMilk\r\nEggs\r\n";
const QByteArray rentEditor = "Title:\tPay rent\r\n\r\nCreated:  \t12/12/25 12:00:00 PM\r\n"
                              "Modified:  \t12/12/25 6:00:00 PM\r\nDeadline:  \t12/19/25 12:00:00 PM\r\n"
                              "Reminder:  \t1 hour\r\nCompleted:  \t\r\n\r\nBefore noon\r\n";

// The row of a list that shows the entry with the title.
int rowTitled(const TEditorWindow &f, QTreeView *list, const QString &title)
{
    const TEntryListModel *model = f.w().ModelOf(list);
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->entryAt(row)->title() == title)
            return row;
    }
    return -1;
}

void check(const TEditorWindow &f, QTreeView *list, const QString &title)
{
    const int row = rowTitled(f, list, title);
    QVERIFY(row >= 0);
    QVERIFY(list->model()->setData(list->model()->index(row, 0), Qt::Checked, Qt::CheckStateRole));
}

// A device that takes a number of bytes and then refuses every write.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(qint64 room)
        : m_room(room)
    {
        open(QIODevice::WriteOnly);
    }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (size > m_room - written.size())
            return -1;
        written.append(data, size);
        return size;
    }

private:
    qint64 m_room;
};
} // namespace

class tst_TextExport : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(now);
        MessageDlgSeam::takeAskedDialogs();
        SaveAsDialogSeam::takeAsked();
    }

    void cleanup()
    {
        Clock::clearFixed();
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        QVERIFY2(!SaveAsDialogSeam::hasPendingAnswers(), "a queued file name was not asked for");
        MessageDlgSeam::setNextAnswers({});
        SaveAsDialogSeam::setNextAnswers({});
    }

    void fileHoldsTheEditorsEntryThenTheCheckedRows_data();
    void fileHoldsTheEditorsEntryThenTheCheckedRows();
    void saveDialogIsTheTextFilesAndRemembersThePlace();
    void newFileIsPrivateAndCancelWritesNothing();
    void rowThatCannotBeWrittenLeavesTheFormerFile();
    void fileThatCannotBeCreatedIsReported();
    void refusedWriteStopsTheWriting();
    void reminderTimerRestsWhileTheDialogIsOpen();
};

// Steps, run in order: "open T" loads the entry titled T with a double click
// on its row; "check T" ticks its row; "new" starts a new entry on the tab in
// view; "title T" types the title, "body B" types at the end of the body
// (a line break is the Return key); "kind task" clicks the Task button; "tab
// notes" and "tab tasks" show a list. The lists show the newest entry first.
void tst_TextExport::fileHoldsTheEditorsEntryThenTheCheckedRows_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("setting");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray ideasEditor
        = "Title:\tIdeas\r\n\r\nCreated:  \t12/11/25 6:00:00 AM\r\nModified:  \t12/11/25 6:00:00 AM\r\n\r\n";

    QTest::newRow("checked notes, no separator before the first") << QStringList { "tab notes", "new",
        "check Groceries", "check Ideas" } << 1 << ideasRow + separator + groceriesRow;
    QTest::newRow("editor's entry first, its checked row not again") << QStringList { "open Groceries",
        "check Groceries", "check Ideas" } << 1 << groceriesEditor + separator + ideasRow;
    QTest::newRow("editor's entry written though its row is not checked")
        << QStringList { "open Ideas", "check Groceries" } << 1 << ideasEditor + separator + groceriesRow;
    QTest::newRow("editor's unsaved changes")
        << QStringList { "open Groceries", "title Groceries!", "body \n\nand bread" } << 1
        << QByteArray("Title:\tGroceries!\r\n\r\nCreated:  \t12/9/25 9:00:00 AM\r\n"
                      "Modified:  \t12/10/25 12:00:00 PM\r\n\r\nMilk\r\nEggs\r\n\r\nand bread\r\n");
    QTest::newRow("setting 2, a note checked: separator before the first task")
        << QStringList { "open Pay rent", "check Ideas" } << 2 << ideasRow + separator + rentEditor;
    QTest::newRow("setting 2, no note checked: the task starts the file")
        << QStringList { "open Pay rent", "check Call Bob" } << 2 << rentEditor + separator + bobRow;
    QTest::newRow("setting 2, notes then tasks")
        << QStringList { "tab tasks", "new", "check Pay rent", "check Groceries", "check Call Bob" } << 2
        << groceriesRow + separator + bobRow + separator + rentRow;
    QTest::newRow("setting 1, tasks tab: a note in the editor is not written")
        << QStringList { "open Groceries", "tab tasks", "check Call Bob", "check Ideas" } << 1 << bobRow;
    QTest::newRow("setting 1, notes tab: only notes")
        << QStringList { "open Pay rent", "tab notes", "check Call Bob", "check Ideas" } << 1 << ideasRow;
    QTest::newRow("nothing checked, blank title: empty file")
        << QStringList { "tab notes", "new" } << 2 << QByteArray();
    QTest::newRow("new task: saved now, no completed line")
        << QStringList { "tab tasks", "new", "title Plan trip", "body  \n", "check Pay rent" } << 1
        << QByteArray("Title:\tPlan trip\r\n\r\nCreated:  \t3/10/26 9:00:05 AM\r\nModified:  \t3/10/26 "
                      "9:00:05 AM\r\n"
                      "Deadline:  \t3/10/26 9:00:05 AM\r\nReminder:  \tNever\r\n\r\n")
            + separator + rentRow;
    QTest::newRow("stored note switched to a task: written once, as the editor's task")
        << QStringList { "open Ideas", "kind task", "check Ideas", "check Call Bob" } << 2
        << ideasRow + separator
            + QByteArray("Title:\tIdeas\r\n\r\nCreated:  \t12/11/25 6:00:00 AM\r\n"
                         "Modified:  \t12/11/25 6:00:00 AM\r\nDeadline:  \t3/10/26 9:00:05 AM\r\n"
                         "Reminder:  \tNever\r\n\r\n")
            + separator + bobRow;
    QTest::newRow("editor's title blanked: its checked row is written from the list")
        << QStringList { "open Groceries", "title ", "check Groceries" } << 1 << groceriesRow;
}

void tst_TextExport::fileHoldsTheEditorsEntryThenTheCheckedRows()
{
    QFETCH(QStringList, steps);
    QFETCH(int, setting);
    QFETCH(QByteArray, expected);

    TEditorWindow f(fixture());
    f.w().DefaultSaveSetting = setting;
    const auto listOf = [&](const QString &title) -> QTreeView * {
        for (QTreeView *list : { f.w().lsvNotes, static_cast<QTreeView *>(f.w().lsvTasks) }) {
            for (int row = 0; row < list->model()->rowCount(); ++row) {
                if (f.w().ModelOf(list)->entryAt(row)->title() == title)
                    return list;
            }
        }
        return nullptr;
    };
    for (const QString &step : steps) {
        const QString argument = step.section(QLatin1Char(' '), 1);
        QTreeView *list = listOf(argument);
        if (step.startsWith(QLatin1String("open ")) && list) {
            f.doubleClick(list, rowTitled(f, list, argument));
        } else if (step.startsWith(QLatin1String("check ")) && list) {
            check(f, list, argument);
        } else if (step == QLatin1String("new")) {
            f.w().actNewNoteExecute();
        } else if (step.startsWith(QLatin1String("title "))) {
            f.typeTitle(argument);
        } else if (step.startsWith(QLatin1String("body "))) {
            f.w().redNote->moveCursor(QTextCursor::End);
            const QStringList lines = argument.split(QLatin1Char('\n'));
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(f.w().redNote, Qt::Key_Return);
                f.typeBody(lines[i]);
            }
        } else if (step == QLatin1String("kind task")) {
            QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        } else if (step == QLatin1String("tab notes")) {
            f.showList(f.w().lsvNotes);
        } else if (step == QLatin1String("tab tasks")) {
            f.showList(f.w().lsvTasks);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
    const QString path = f.home.path() + QStringLiteral("/entries.txt");
    SaveAsDialogSeam::setNextAnswers({ path });
    f.w().actSaveNotesAsExecute();

    QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
}

void tst_TextExport::saveDialogIsTheTextFilesAndRemembersThePlace()
{
    TEditorWindow f(fixture());
    f.doubleClick(f.w().lsvNotes, 0);
    const QString first = f.home.path() + QStringLiteral("/first.txt");
    SaveAsDialogSeam::setNextAnswers({ first, std::nullopt });
    f.clickTool(f.w().actSaveNotesAs);
    f.w().actSaveNotesAs->trigger();

    const QList<SaveAsDialogSeam::TAsked> asked = SaveAsDialogSeam::takeAsked();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].title, QStringLiteral("Save As"));
    QCOMPARE(asked[0].defaultSuffix, QStringLiteral("txt"));
    QCOMPARE(asked[0].filters,
        (QStringList { QStringLiteral("Text File (*.txt)"), QStringLiteral("All Files (*)") }));
    // The next save starts where the last file went, offering its name.
    QCOMPARE(asked[1].directory, f.home.path());
    QCOMPARE(asked[1].fileName, QStringLiteral("first.txt"));
    QVERIFY(QFile::exists(first));
}

void tst_TextExport::newFileIsPrivateAndCancelWritesNothing()
{
    TEditorWindow f(fixture());
    f.doubleClick(f.w().lsvNotes, 0);
    const QString path = f.home.path() + QStringLiteral("/private.txt");
    SaveAsDialogSeam::setNextAnswers({ std::nullopt });
    f.w().actSaveNotesAsExecute();
    QVERIFY(!QFile::exists(path));

    SaveAsDialogSeam::setNextAnswers({ path });
    f.w().actSaveNotesAsExecute();
    QCOMPARE(QFile::permissions(path),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    // Nothing of the writing is left beside it.
    QCOMPARE(QDir(f.home.path()).entryList({ QStringLiteral("private*") }, QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("private.txt") });
}

void tst_TextExport::rowThatCannotBeWrittenLeavesTheFormerFile()
{
    // The first task's reminder is no lead time: the file cannot be complete.
    TEditorWindow f(fixture("x"));
    f.w().DefaultSaveSetting = 2;
    const QString path = f.home.path() + QStringLiteral("/entries.txt");
    QFile former(path);
    QVERIFY(former.open(QIODevice::WriteOnly));
    former.write("former contents\r\n");
    former.close();
    f.showList(f.w().lsvNotes);
    f.w().actNewNoteExecute();
    check(f, f.w().lsvNotes, QStringLiteral("Groceries"));
    check(f, f.w().lsvTasks, QStringLiteral("Pay rent"));

    SaveAsDialogSeam::setNextAnswers({ path });
    MessageDlgSeam::setNextAnswers({ mrNo });
    f.w().actSaveNotesAsExecute();

    QVERIFY(MessageDlgSeam::takeAskedMessages().constFirst().contains(QStringLiteral("has been logged")));
    QFile log(f.home.dataFolder() + QStringLiteral("/Tamsel.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    const QByteArray report
        = "Method Name:\tSaveEntriesToFile\r\nError Message:\tThe task 'Pay rent' has no valid "
          "reminder. "
        + path.toUtf8() + " was not saved.\r\n";
    QVERIFY2(logged.contains(report), logged.constData());
    QVERIFY(former.open(QIODevice::ReadOnly));
    QCOMPARE(former.readAll(), QByteArray("former contents\r\n"));
}

void tst_TextExport::fileThatCannotBeCreatedIsReported()
{
    TEditorWindow f(fixture());
    f.doubleClick(f.w().lsvNotes, 0);
    const QString path = f.home.path() + QStringLiteral("/missing folder/entries.txt");
    SaveAsDialogSeam::setNextAnswers({ path });
    MessageDlgSeam::setNextAnswers({ mrNo });
    f.w().actSaveNotesAsExecute();

    QFile log(f.home.dataFolder() + QStringLiteral("/Tamsel.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    const QByteArray report
        = "Method Name:\tactSaveNotesAsExecute\r\nError Message:\tCould not save " + path.toUtf8();
    QVERIFY2(logged.contains(report), logged.constData());
    QVERIFY(!QFile::exists(path));
}

void tst_TextExport::refusedWriteStopsTheWriting()
{
    TEditorWindow f(fixture());
    f.doubleClick(f.w().lsvNotes, rowTitled(f, f.w().lsvNotes, QStringLiteral("Groceries")));
    check(f, f.w().lsvNotes, QStringLiteral("Ideas"));
    TEditorEntry editor;
    editor.title = QStringLiteral("Groceries");
    editor.body = QStringLiteral("Milk\nEggs");
    editor.stored = f.w().EditorEntry();
    QVERIFY(editor.stored);
    const TEntryRows rows { f.w().NotesModel->entryAt(0), f.w().NotesModel->entryAt(1) };

    TFailingDevice roomy(1 << 20);
    QCOMPARE(SaveEntriesToFile(roomy, editor, rows, false, false, now), std::optional<int>(2));
    QCOMPARE(roomy.written, groceriesEditor + separator + ideasRow);

    // Refused in the middle of the second entry: the writer says so and
    // writes nothing after the refused line.
    TFailingDevice cramped(groceriesEditor.size() + separator.size() + 10);
    QCOMPARE(SaveEntriesToFile(cramped, editor, rows, false, false, now), std::nullopt);
    QCOMPARE(cramped.written, groceriesEditor + separator);
}

void tst_TextExport::reminderTimerRestsWhileTheDialogIsOpen()
{
    TEditorWindow f(fixture());
    f.w().DisplayReminders = true;
    f.w().ResetTimerState();
    bool runningDuringDialog = true;
    const auto former = SaveAsDialogSeam::setUnansweredHandler([&](const SaveAsDialogSeam::TAsked &) {
        runningDuringDialog = f.w().timReminder->isActive();
        return std::optional<QString>();
    });
    f.w().actSaveNotesAsExecute();
    SaveAsDialogSeam::setUnansweredHandler(former);
    QVERIFY(!runningDuringDialog);
    QVERIFY(f.w().timReminder->isActive());
}

QTEST_MAIN(tst_TextExport)
#include "tst_textexport.moc"
