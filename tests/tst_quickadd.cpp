#include "diagnostics/MessageDlg.h"
#include "controls/AttachmentDialog.h"
#include "platform/Clock.h"
#include "quickadd/AddNote.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/LocaleFormat.h"
#include "tests/AccessKeys.h"
#include "tests/EditorFixture.h"
#include "tests/QuickAddDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>
#include <QTimer>
#include <functional>
#include <limits>

using namespace EditorFixture;

namespace {
// The moment the quick-add windows open in these tests: whole minutes, which
// a deadline keeps.
const QDateTime opened(QDate(2026, 3, 14), QTime(9, 30));

double dayNumber(const QDateTime &moment) { return DayNumber::fromDateTime(moment); }

QByteArray taskDue(const QByteArray &title, const QByteArray &deadline)
{
    QByteArray element = task(title);
    return element.replace(QByteArray("<Deadline>46000.5</Deadline>"), QByteArray("<Deadline>" + deadline + "</Deadline>"));
}

QStringList titlesInOrder(QTreeView *list)
{
    const auto *model = static_cast<TEntryListModel *>(list->model());
    QStringList titles;
    for (int row = 0; row < model->rowCount(); ++row)
        titles << model->entryAt(row)->title();
    return titles;
}

QRect firstScreen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

int storedInteger(const char *name)
{
    TRegistry registry;
    registry.OpenKey(RegistryKeys::settings(), true);
    return registry.ValueExists(QLatin1String(name)) ? registry.ReadInteger(QLatin1String(name)) : -1;
}
} // namespace

class tst_QuickAdd : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Clock::setFixed(opened);
        MessageDlgSeam::takeAskedDialogs();
    }
    void cleanup() { Clock::clearFixed(); }

    // Saved at once, a task is due when the window opened. "Never" gives
    // Reminder 0 and a reminder 1000 years later; "5 minutes", the second
    // row of the short list, is Reminder 2, five minutes before the deadline.
    void quickAddedTaskGetsItsLeadTime_data()
    {
        QTest::addColumn<int>("downs");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QDateTime>("reminderDate");
        QTest::addColumn<QString>("shownLead");
        QTest::newRow("Never") << 0 << QStringLiteral("0") << opened.addYears(1000) << QStringLiteral("Never");
        QTest::newRow("5 minutes") << 1 << QStringLiteral("2") << opened.addSecs(-5 * 60)
                                   << QStringLiteral("5 minutes");
        QTest::newRow("1 hour") << 5 << QStringLiteral("6") << opened.addSecs(-3600) << QStringLiteral("1 hour");
    }
    void quickAddedTaskGetsItsLeadTime()
    {
        QFETCH(int, downs);
        QFETCH(QString, reminder);
        QFETCH(QDateTime, reminderDate);
        QFETCH(QString, shownLead);
        TEditorWindow f(entries(task("older")));
        quickAdd(f.w(), true, [&](TfrmAddNote &window) {
            QCOMPARE(window.lblTitle->text(), QStringLiteral("T&ask:"));
            QCOMPARE(window.cboReminder->currentText(), QStringLiteral("Never"));
            typeAndSave(window, QStringLiteral("Call the plumber"), downs);
        });

        const pugi::xml_node element = f.entry(1);
        QCOMPARE(TEditorWindow::field(element, "Title"), QStringLiteral("Call the plumber"));
        QCOMPARE(TEditorWindow::field(element, "NoteType"), QStringLiteral("T"));
        QCOMPARE(TEditorWindow::field(element, "Reminder"), reminder);
        QCOMPARE(TEditorWindow::field(element, "Complete"), QStringLiteral("0"));
        const double deadline = *DayNumber::parse(TEditorWindow::field(element, "Deadline"));
        QVERIFY(qAbs(deadline - dayNumber(opened)) < 1e-7);
        const double stored = *DayNumber::parse(TEditorWindow::field(element, "ReminderDate"));
        QVERIFY2(qAbs(stored - dayNumber(reminderDate)) < 1e-7, qPrintable(DayNumber::displayText(stored)));

        // Stored, in the task list, selected, with its open completion box.
        QVERIFY(!f.w().Entries->Unstored());
        const std::optional<TRowProbe> row = f.rowOf(f.w().lsvTasks, TaskRow::Index, 1);
        QVERIFY(row);
        QVERIFY(row->isSelected());
        QCOMPARE(row->checkState(TaskColumn::Done), Qt::Unchecked);
        // The editor shows the lead time chosen.
        f.w().lsvNotesDblClick(f.w().lsvTasks);
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("Call the plumber"));
        QCOMPARE(f.w().cboReminder->currentText(), shownLead);
    }

    void taskSavedCompleteIsTickedInItsList()
    {
        TEditorWindow f(entries(task("older")));
        quickAdd(f.w(), true, [](TfrmAddNote &window) { typeAndSave(window, QStringLiteral("Done already"), 0, true); });
        const pugi::xml_node element = f.entry(1);
        QCOMPARE(TEditorWindow::field(element, "Complete"), QStringLiteral("1"));
        QVERIFY(qAbs(*DayNumber::parse(TEditorWindow::field(element, "DateCompleted")) - dayNumber(opened)) < 1e-7);
        QCOMPARE(f.rowOf(f.w().lsvTasks, TaskRow::Index, 1)->checkState(TaskColumn::Done), Qt::Checked);
    }

    // The new row is selected and sorted into place; the list keeps its sort
    // column and direction.
    void newRowIsSelectedAndTheListKeepsItsSort_data()
    {
        QTest::addColumn<bool>("task");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order");
        const QStringList notesByTitle{"alpha", "bravo", "charlie", "delta"};
        QStringList reversed = notesByTitle;
        std::reverse(reversed.begin(), reversed.end());
        QTest::newRow("notes by title, ascending") << false << NoteColumn::Title << 1 << notesByTitle;
        QTest::newRow("notes by title, descending") << false << NoteColumn::Title << 2 << reversed;
        const QStringList tasksByDue{"early", "middle", "new", "late"};
        QStringList tasksReversed = tasksByDue;
        std::reverse(tasksReversed.begin(), tasksReversed.end());
        QTest::newRow("tasks by due, ascending") << true << TaskColumn::Due << 1 << tasksByDue;
        QTest::newRow("tasks by due, descending") << true << TaskColumn::Due << 2 << tasksReversed;
    }
    void newRowIsSelectedAndTheListKeepsItsSort()
    {
        QFETCH(bool, task);
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        TEditorWindow f(entries(note("bravo", "45000.1") + note("delta", "45000.2") + note("alpha", "45000.3")
                                + taskDue("early", "46000.5") + taskDue("late", "46200.5")
                                + taskDue("middle", "46090.5")));
        TfrmMain &w = f.w();
        QTreeView *list = task ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
        for (int i = 0; i < clicks; ++i)
            std::invoke(task ? &TfrmMain::lsvTasksColumnClick : &TfrmMain::lsvNotesColumnClick, w, list, column);
        const int toggle = task ? w.TaskSortToggle : w.NoteSortToggle;

        quickAdd(w, task, [&](TfrmAddNote &window) {
            typeAndSave(window, task ? QStringLiteral("new") : QStringLiteral("charlie"));
        });

        QCOMPARE(titlesInOrder(list), order);
        QCOMPARE(task ? w.TaskSortToggle : w.NoteSortToggle, toggle);
        QCOMPARE(task ? w.TaskSortColumn : w.NoteSortColumn, column);
        QCOMPARE(w.ModelOf(list)->sortImageColumn(), column);
        const std::optional<TRowProbe> added = f.rowOf(list, 0, 6);
        QVERIFY(added);
        QVERIFY(added->isSelected());
        QCOMPARE(list->currentIndex().row(), added->row());
    }

    // A store that fails is never taken for a save: the user is told, the
    // entry stays in the list, and the exit offers to store it again.
    void failedStoreIsToldAndTheEntryKept()
    {
        TEditorWindow f(entries(note("alpha")));
        QVERIFY(f.w().EncryptXMLFile());
        const QString storePath = f.w().StoreFilePath;
        const QString blocked = f.home.path() + QStringLiteral("/not-a-folder");
        QFile blocker(blocked);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        f.w().StoreFilePath = blocked + QStringLiteral("/brindo.dat");

        bool stored = false;
        MessageDlgSeam::setNextAnswers({mrOk});
        quickAdd(f.w(), false, [&](TfrmAddNote &window) {
            typeAndSave(window, QStringLiteral("precious"));
            stored = window.Stored();
        });
        // The write began; it fails away from the window, and is told.
        QVERIFY(stored);
        f.w().WaitForSaveInFlight();
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("NOT saved")), qPrintable(told.first()));
        QVERIFY(f.w().Entries->Unstored());
        QCOMPARE(titlesInOrder(f.w().lsvNotes).count(QStringLiteral("precious")), 1);

        f.w().StoreFilePath = storePath;
        MessageDlgSeam::setNextAnswers({mrYes});
        QVERIFY(f.w().ConfirmSaveBeforeExit());
        f.restart();
        QCOMPARE(titlesInOrder(f.w().lsvNotes).count(QStringLiteral("precious")), 1);
    }

    void cancelAddsNothing()
    {
        TEditorWindow f(entries(note("alpha")));
        quickAdd(f.w(), false, [](TfrmAddNote &window) {
            QTest::keyClicks(window.edtTitle, QStringLiteral("dropped"));
            QTest::keyClick(&window, Qt::Key_Escape);
        });
        QCOMPARE(titlesInOrder(f.w().lsvNotes), QStringList{"alpha"});
    }

    void saveWaitsForAVisibleTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blanks") << QStringLiteral("   ") << false;
        QTest::newRow("one character") << QStringLiteral("x") << true;
    }
    void saveWaitsForAVisibleTitle()
    {
        QFETCH(QString, title);
        QFETCH(bool, enabled);
        TEditorWindow f(entries(note("alpha")));
        TfrmAddNote window(f.w(), false);
        window.show();
        QVERIFY(!window.btnSave->isEnabled());
        QTest::keyClicks(window.edtTitle, title);
        QCOMPARE(window.btnSave->isEnabled(), enabled);
        QTest::keyClick(window.edtTitle, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window.edtTitle, Qt::Key_Delete);
        QVERIFY(!window.btnSave->isEnabled());
        // Enter in the title is Save, while Save is enabled.
        QTest::keyClick(window.edtTitle, Qt::Key_Return);
        QVERIFY(window.isVisible());
    }

    void bodyKeysTypeBulletsAndStamps()
    {
        TEditorWindow f(entries(note("alpha")));
        TfrmAddNote window(f.w(), false);
        window.show();
        window.redNote->setFocus();
        QTest::keyClick(window.redNote, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(window.redNote, Qt::Key_F8);
        QCOMPARE(window.redNote->toPlainText(),
                 QString(QChar(0x2022)) + LocaleFormat().locale.toString(opened.date(), LocaleFormat().shortDateFormat)
                     + QLatin1Char(' '));
    }

    void bodyIsStoredAsTheDocumentEncodesIt()
    {
        TEditorWindow f(entries(note("alpha")));
        quickAdd(f.w(), false, [](TfrmAddNote &window) {
            window.redNote->setPlainText(QStringLiteral("a < b\nsecond"));
            typeAndSave(window, QStringLiteral("lines"));
        });
        QCOMPARE(TEditorWindow::field(f.entry(1), "Text"), QStringLiteral("a &lt; b^Msecond"));
        QVERIFY(f.rowOf(f.w().lsvNotes, NoteRow::Index, 1)->text(NoteColumn::Note).contains(QStringLiteral("a < b")));
    }

    // Each access key of either layout leads to one place, and the keys reach
    // the fields a keyboard user fills in.
    void accessKeys_data()
    {
        QTest::addColumn<bool>("task");
        QTest::newRow("note") << false;
        QTest::newRow("task") << true;
    }
    void accessKeys()
    {
        QFETCH(bool, task);
        TEditorWindow f(entries(note("alpha")));
        TfrmAddNote window(f.w(), task);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(AccessKeys::clashes(&window), QStringList());
        if (!task)
            return;
        QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), window.cboReminder);
        QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), window.dtpDate);
        QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), window.edtTitle);
    }

    void fileFieldAttachesViewsAndRemoves()
    {
        TEditorWindow f(entries(note("alpha")));
        const QString path = f.home.path() + QStringLiteral("/plan.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        AttachmentDialogSeam::setNextChoices({path});
        {
            TfrmAddNote window(f.w(), true);
            window.show();
            QVERIFY(!window.btnViewFile->isEnabled());
            QVERIFY(!window.btnRemoveFile->isEnabled());
            QTest::mouseClick(window.btnAddFile, Qt::LeftButton);
            const QList<TAttachmentDialogRequest> requests = AttachmentDialogSeam::takeRequests();
            QCOMPARE(requests.size(), 1);
            QCOMPARE(requests.first().title, QStringLiteral("Select File to Add to Task:"));
            QCOMPARE(window.redFileName->toPlainText(), path);
            QVERIFY(window.btnViewFile->isEnabled());
            QVERIFY(window.btnRemoveFile->isEnabled());

            QVERIFY(QFile::remove(path));
            MessageDlgSeam::setNextAnswers({mrOk});
            QTest::mouseClick(window.btnViewFile, Qt::LeftButton);
            const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
            QCOMPARE(asked.size(), 1);
            QCOMPARE(asked.first().caption, QStringLiteral("Tamsel"));
            QVERIFY(asked.first().message.contains(path));
            QVERIFY(!window.btnViewFile->isEnabled());

            QTest::mouseClick(window.btnRemoveFile, Qt::LeftButton);
            QVERIFY(window.redFileName->toPlainText().isEmpty());
            QVERIFY(!window.btnRemoveFile->isEnabled());
        }
    }

    // With nothing stored the window sits at the bottom right of the first
    // screen, 35 pixels above its bottom; it opens where it was closed.
    void windowKeepsItsPlace()
    {
        TEditorWindow f(entries(note("alpha")));
        const QRect screen = firstScreen();
        {
            TfrmAddNote window(f.w(), false);
            QCOMPARE(window.x() + window.width(), screen.right() + 1);
            QCOMPARE(window.y() + window.height(), screen.bottom() + 1 - 35);
            window.show();
            window.resize(420, 280);
            window.move(screen.left() + 20, screen.top() + 30);
            window.reject();
        }
        QCOMPARE(storedInteger("AddNoteHeight"), 280);
        QCOMPARE(storedInteger("AddNoteTop"), screen.top() + 30);
        QCOMPARE(storedInteger("AddNoteWidth"), 420);
        QCOMPARE(storedInteger("AddNoteLeft"), screen.left() + 20);
        TfrmAddNote again(f.w(), true);
        QCOMPARE(again.pos(), QPoint(screen.left() + 20, screen.top() + 30));
        QCOMPARE(again.size(), QSize(420, 280));
    }

    // Bounds from a damaged or foreign settings file never give a window
    // larger than the first screen or off it.
    void storedBoundsFitTheScreen_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        const int most = std::numeric_limits<int>::max();
        const int least = std::numeric_limits<int>::min();
        QTest::newRow("largest size") << 0 << 0 << most << most;
        QTest::newRow("largest place") << most << most << 300 << 200;
        QTest::newRow("smallest place") << least << least << 300 << 200;
        QTest::newRow("everything largest") << most << most << most << most;
    }

    void storedBoundsFitTheScreen()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        TEditorWindow f(entries(note("alpha")));
        {
            TRegistry registry;
            registry.OpenKey(RegistryKeys::settings(), true);
            registry.WriteInteger(QStringLiteral("AddNoteLeft"), left);
            registry.WriteInteger(QStringLiteral("AddNoteTop"), top);
            registry.WriteInteger(QStringLiteral("AddNoteWidth"), width);
            registry.WriteInteger(QStringLiteral("AddNoteHeight"), height);
            registry.CloseKey();
        }
        TfrmAddNote window(f.w(), false);
        QVERIFY2(firstScreen().contains(QRect(window.pos(), window.size())),
            qPrintable(QStringLiteral("%1,%2 %3x%4").arg(window.x()).arg(window.y()).arg(window.width()).arg(window.height())));
    }

    // A place partly off the first screen is not kept: the defaults are.
    void placeOffTheScreenIsNotKept()
    {
        TEditorWindow f(entries(note("alpha")));
        const QRect screen = firstScreen();
        {
            TfrmAddNote window(f.w(), false);
            window.show();
            window.move(screen.right() - 100, screen.top());
            window.reject();
        }
        QCOMPARE(storedInteger("AddNoteWidth"), TfrmAddNote::DesignedWidth);
        QCOMPARE(storedInteger("AddNoteHeight"), TfrmAddNote::DesignedHeight);
        QCOMPARE(storedInteger("AddNoteLeft"), screen.right() + 1 - TfrmAddNote::DesignedWidth);
        QCOMPARE(storedInteger("AddNoteTop"), screen.bottom() + 1 - TfrmAddNote::DesignedHeight - 35);
    }

    // When a move or resize ends with an edge past the first screen, the
    // window moves back onto it, its size unchanged.
    void endOfMoveBringsTheWindowBackOnScreen_data()
    {
        QTest::addColumn<QPoint>("placed");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Qt::Edges>("heldAt");
        const QRect screen = firstScreen();
        const QSize size(400, 260);
        QTest::newRow("resized past the bottom") << QPoint(screen.left() + 10, screen.bottom() - 200) << size
                                                 << Qt::Edges(Qt::BottomEdge);
        QTest::newRow("moved past the right edge") << QPoint(screen.right() - 100, screen.top() + 10) << size
                                                   << Qt::Edges(Qt::RightEdge);
        QTest::newRow("past both") << QPoint(screen.right() - 50, screen.bottom() - 50) << size
                                   << (Qt::RightEdge | Qt::BottomEdge);
        QTest::newRow("past the left and top edges") << QPoint(screen.left() - 30, screen.top() - 40) << size
                                                     << (Qt::LeftEdge | Qt::TopEdge);
    }
    void endOfMoveBringsTheWindowBackOnScreen()
    {
        QFETCH(QPoint, placed);
        QFETCH(QSize, size);
        QFETCH(Qt::Edges, heldAt);
        TEditorWindow f(entries(note("alpha")));
        TfrmAddNote window(f.w(), false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(size);
        window.move(placed);
        const QRect screen = firstScreen();
        const auto edgesHeld = [&] {
            const QRect frame = window.frameGeometry();
            const bool across = heldAt & Qt::RightEdge  ? frame.right() == screen.right()
                                : heldAt & Qt::LeftEdge ? frame.left() == screen.left()
                                                        : frame.left() == placed.x();
            const bool down = heldAt & Qt::BottomEdge ? frame.bottom() == screen.bottom()
                              : heldAt & Qt::TopEdge  ? frame.top() == screen.top()
                                                      : frame.top() == placed.y();
            return across && down;
        };
        QTRY_VERIFY2(edgesHeld(), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(window.frameGeometry().x()).arg(
            window.frameGeometry().y()).arg(window.frameGeometry().width()).arg(window.frameGeometry().height())));
        QCOMPARE(window.size(), size);
    }
};

QTEST_MAIN(tst_QuickAdd)
#include "tst_quickadd.moc"
