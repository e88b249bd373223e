// The task list's states as drawn and the completion boxes of its rows: what a
// click changes in the row, the document and the store, the editor kept in
// step, and boxes that stay bound to their rows.
#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "diagnostics/MessageDlg.h"
#include "tests/RowProbe.h"
#include "controls/EntryRowDelegate.h"
#include "controls/TaskStates.h"
#include "platform/Clock.h"
#include "settings/WindowsColor.h"
#include "store/DayNumber.h"
#include "store/EntryDocument.h"
#include "store/LocaleFormat.h"
#include "tests/TestHome.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace {
const QDateTime now(QDate(2026, 12, 9), QTime(10, 30));
const QString passPhrase = QStringLiteral("completion boxes");

QString dayNumber(const QDateTime &moment) { return DayNumber::text(DayNumber::fromDateTime(moment)); }

struct TaskFields {
    QString title;
    QDateTime deadline;
    QString reminder = QStringLiteral("5");
    QString complete = QStringLiteral("0");
    QString dateCompleted = {}; // empty while not complete
    QString created = QStringLiteral("46300.25");
};

QByteArray task(const TaskFields &t)
{
    return (QStringLiteral("<Note><Title>") + t.title + QStringLiteral("</Title><Text>do it</Text><DateTime>")
        + t.created + QStringLiteral("</DateTime><LastModified>") + t.created
        + QStringLiteral("</LastModified><NoteType>T</NoteType><Deadline>") + dayNumber(t.deadline)
        + QStringLiteral("</Deadline><Reminder>") + t.reminder + QStringLiteral("</Reminder><Complete>")
        + t.complete + QStringLiteral("</Complete><DateCompleted>") + t.dateCompleted
        + QStringLiteral("</DateCompleted><FileName></FileName></Note>"))
        .toUtf8();
}

QByteArray entries(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes>" + body + "</Notes>";
}

// A main window over an entry document given in the test, stored in a
// private home; restart() reads the store back into a new window, as the next
// start of the program does.
struct Fixture {
    TestHome home;
    std::unique_ptr<TfrmMain> window;

    explicit Fixture(const QByteArray &xml)
    {
        open();
        window->xmlNotes.LoadFromMemory(xml);
        window->StoreAvailable = true;
        window->EncryptXMLFile();
        window->LoadNotes();
    }

    void open()
    {
        window = std::make_unique<TfrmMain>();
        TfrmMain &w = *window;
        w.HasPassPhrase = true;
        w.PassPhrase = passPhrase;
        w.StoreFilePath = home.storeFile();
        w.FillReminderComboBox(w.cboReminder);
        w.resize(1300, 700);
        w.pgcData->setCurrentWidget(w.tabTasks);
    }

    void restart()
    {
        open();
        window->DecryptXMLFile();
        QVERIFY(window->StoreAvailable);
        window->LoadNotes();
    }

    void show()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    TListViewEx *list() const { return window->lsvTasks; }
    std::optional<TRowProbe> task(int i) const { return rowAt(list(), i); }
    std::optional<TRowProbe> taskTitled(const QString &title) const
    {
        for (int i = 0; i < list()->model()->rowCount(); ++i) {
            if (task(i)->subItem(TaskRow::Title) == title)
                return task(i);
        }
        return std::nullopt;
    }
    pugi::xml_node entryOf(const std::optional<TRowProbe> &row) const
    {
        return TXmlDocument::ChildAt(window->xmlNotes.Root(), row->subItem(TaskRow::Index).toInt());
    }
    QString field(const std::optional<TRowProbe> &row, const char *name) const
    {
        return TXmlDocument::ReadChildValue(entryOf(row), name).value_or(QString());
    }
    TRowLook look(const std::optional<TRowProbe> &row) const
    {
        return window->lsvTasksCustomDrawItem(*row->entry);
    }
    QRect doneCell(const std::optional<TRowProbe> &row) const
    {
        return list()->visualRect(row->index(TaskRow::DoneColumn));
    }
    void clickAt(const QPoint &point) const
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, point);
    }
    void clickBox(const std::optional<TRowProbe> &row) const { clickAt(doneCell(row).center()); }
};

// How many pixels of a region are close to a colour; anti-aliased edges blend
// with the background, the middles of strokes keep the colour.
int pixelsNear(const QImage &image, const QRect &region, const QColor &color)
{
    int count = 0;
    const QRect area = region & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - color.red()) < 60 && qAbs(pixel.green() - color.green()) < 60
                && qAbs(pixel.blue() - color.blue()) < 60)
                ++count;
        }
    }
    return count;
}

// The longest count of one colour on a single line of a region: a strike-out
// line crosses the whole text, no letter does.
int widestLineNear(const QImage &image, const QRect &region, const QColor &color)
{
    int widest = 0;
    const QRect area = region & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        widest = qMax(widest, pixelsNear(image, QRect(area.left(), y, area.width(), 1), color));
    return widest;
}
} // namespace

class tst_CompletionBoxes : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(now);
        // Answered quietly, so that a failure report is seen here rather than
        // waiting for a user.
        MessageDlgSeam::setNextAnswers(QList<int>(10, mrOk));
    }
    void cleanup()
    {
        Clock::clearFixed();
        MessageDlgSeam::setNextAnswers({});
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
    }

    // Every state in its own colour, as the list really draws it.
    void statesAsDrawn()
    {
        Fixture f(entries(task({ QStringLiteral("current"), now.addDays(1) })
            + task({ QStringLiteral("complete"), now.addDays(-1), QStringLiteral("5"), QStringLiteral("1"),
                dayNumber(now.addDays(-2)) })
            + task({ QStringLiteral("overdue"), now.addDays(-1) })
            + task({ QStringLiteral("nevermind"), now.addDays(-1), QStringLiteral("0") })));
        TfrmMain &w = *f.window;
        w.EntryFont = QFont(QStringLiteral("DejaVu Sans"), 20);
        w.CurrentColor = 0xFF0000; // blue
        w.CompleteColor = 0x00B000; // green
        w.OverdueColor = 0x0000FF; // red
        w.NevermindColor = 0xFF00FF; // magenta
        w.StrikeoutComplete = true;
        w.LoadNotes();
        f.show();
        f.list()->setCurrentIndex({});
        f.list()->clearSelection();

        const QImage image = f.list()->viewport()->grab().toImage();
        const QList<std::pair<QString, int>> expected { { QStringLiteral("current"), w.CurrentColor },
            { QStringLiteral("complete"), w.CompleteColor }, { QStringLiteral("overdue"), w.OverdueColor },
            { QStringLiteral("nevermind"), w.NevermindColor } };
        for (const auto &[title, setting] : expected) {
            auto row = f.taskTitled(title);
            QVERIFY(row);
            // The whole row takes the state's look: caption, dates and title.
            for (int column : { 0, TaskRow::Due + 1, TaskRow::Title + 1 }) {
                const QRect cell = f.list()->visualRect(row->index(column));
                QVERIFY2(pixelsNear(image, cell, ColorFromWindows(setting)) > 10,
                    qPrintable(title + QStringLiteral(" in column ") + QString::number(column)));
                for (const auto &[other, otherSetting] : expected) {
                    if (otherSetting != setting)
                        QVERIFY2(pixelsNear(image, cell, ColorFromWindows(otherSetting)) == 0,
                            qPrintable(title + QStringLiteral(" drawn like ") + other));
                }
            }
        }

        // Only the complete task is struck through.
        const QFontMetrics metrics(TaskStateFont(TTaskState::Current, *w.EntryFont, false));
        for (const auto &[title, setting] : expected) {
            auto row = f.taskTitled(title);
            const QRect cell = f.list()->visualRect(row->index(TaskRow::Title + 1));
            const int textWidth = metrics.horizontalAdvance(title);
            const bool struck = widestLineNear(image, cell, ColorFromWindows(setting)) > textWidth * 8 / 10;
            QCOMPARE(struck, title == QLatin1String("complete"));
        }
    }

    void stateOfEachRow_data()
    {
        QTest::addColumn<qint64>("dueAfterNowSecs");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("complete");
        QTest::addColumn<QString>("expectedColor");

        QTest::newRow("due tomorrow") << qint64(86400) << "5"
                                      << "0"
                                      << "current";
        QTest::newRow("due exactly now") << qint64(0) << "5"
                                         << "0"
                                         << "current";
        QTest::newRow("due exactly now, Never") << qint64(0) << "0"
                                                << "0"
                                                << "current";
        QTest::newRow("a second past due") << qint64(-1) << "5"
                                           << "0"
                                           << "overdue";
        QTest::newRow("past due") << qint64(-86400) << "5"
                                  << "0"
                                  << "overdue";
        QTest::newRow("past due, Never") << qint64(-86400) << "0"
                                         << "0"
                                         << "nevermind";
        QTest::newRow("past due, Never, complete") << qint64(-86400) << "0"
                                                   << "1"
                                                   << "complete";
        QTest::newRow("due tomorrow, complete") << qint64(86400) << "5"
                                                << "1"
                                                << "complete";
    }

    void stateOfEachRow()
    {
        QFETCH(qint64, dueAfterNowSecs);
        QFETCH(QString, reminder);
        QFETCH(QString, complete);
        QFETCH(QString, expectedColor);

        Fixture f(entries(task({ QStringLiteral("t"), now.addSecs(dueAfterNowSecs), reminder, complete })));
        TfrmMain &w = *f.window;
        w.CurrentColor = 1;
        w.CompleteColor = 2;
        w.OverdueColor = 3;
        w.NevermindColor = 4;
        const QHash<QString, int> colors { { QStringLiteral("current"), 1 },
            { QStringLiteral("complete"), 2 }, { QStringLiteral("overdue"), 3 },
            { QStringLiteral("nevermind"), 4 } };
        QCOMPARE(f.look(f.task(0)).color, ColorFromWindows(colors.value(expectedColor)));
    }

    // The state follows the clock at every paint, with no timer of the row's own.
    void dueTaskTurnsOverdueAtTheNextPaint()
    {
        Fixture f(entries(task({ QStringLiteral("t"), now })));
        TfrmMain &w = *f.window;
        QCOMPARE(f.look(f.task(0)).color, ColorFromWindows(w.CurrentColor));
        Clock::setFixed(now.addSecs(1));
        QCOMPARE(f.look(f.task(0)).color, ColorFromWindows(w.OverdueColor));
    }

    void entryFontOnBothLists_data()
    {
        QTest::addColumn<bool>("strikeoutComplete");
        QTest::newRow("strike-out on") << true;
        QTest::newRow("strike-out off") << false;
    }

    void entryFontOnBothLists()
    {
        QFETCH(bool, strikeoutComplete);
        Fixture f(entries("<Note><Title>n</Title><DateTime>46300.5</DateTime><NoteType>N</NoteType></Note>"
            + task({ QStringLiteral("open"), now.addDays(1) })
            + task({ QStringLiteral("late"), now.addDays(-1) })
            + task({ QStringLiteral("done"), now.addDays(-1), QStringLiteral("5"), QStringLiteral("1"),
                dayNumber(now) })));
        TfrmMain &w = *f.window;
        QFont entryFont(QStringLiteral("DejaVu Serif"), 15);
        entryFont.setBold(true);
        entryFont.setItalic(true);
        w.EntryFont = entryFont;
        w.StrikeoutComplete = strikeoutComplete;

        const QFont noteFont = w.lsvNotesCustomDrawItem(*w.NotesModel->entryAt(0)).font;
        QCOMPARE(noteFont, entryFont);

        const QFont done = f.look(f.taskTitled(QStringLiteral("done"))).font;
        QCOMPARE(done.family(), entryFont.family());
        QCOMPARE(done.pointSize(), 15);
        QCOMPARE(done.strikeOut(), strikeoutComplete);
        QCOMPARE(done.bold(), !strikeoutComplete);
        QCOMPARE(done.italic(), !strikeoutComplete);
        for (const QString &title : { QStringLiteral("open"), QStringLiteral("late") }) {
            const QFont open = f.look(f.taskTitled(title)).font;
            QCOMPARE(open.family(), entryFont.family());
            QVERIFY(!open.bold() && !open.italic() && !open.strikeOut());
        }
    }

    // A click stores completion in the row, the document and the store; the
    // next click takes it back out of all three.
    void boxClickStoresCompletion()
    {
        Fixture f(entries(task({ QStringLiteral("t"), now.addDays(1) })));
        f.show();
        auto row = f.task(0);
        const QString completedText = dayNumber(now);

        f.clickBox(row);
        QCOMPARE(row->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(row->subItem(TaskRow::Complete), QStringLiteral("1"));
        QCOMPARE(row->subItem(TaskRow::Completed), DayNumber::displayText(DayNumber::fromDateTime(now)));
        QCOMPARE(row->subItem(TaskRow::DateCompleted), completedText);
        QCOMPARE(f.field(row, "Complete"), QStringLiteral("1"));
        QCOMPARE(f.field(row, "DateCompleted"), completedText);
        QCOMPARE(f.look(row).color, ColorFromWindows(f.window->CompleteColor));

        f.restart();
        row = f.task(0);
        QCOMPARE(f.field(row, "Complete"), QStringLiteral("1"));
        QCOMPARE(f.field(row, "DateCompleted"), completedText);
        QCOMPARE(row->checkState(TaskRow::DoneColumn), Qt::Checked);

        f.show();
        Clock::setFixed(now.addDays(1));
        f.clickBox(row);
        QCOMPARE(row->checkState(TaskRow::DoneColumn), Qt::Unchecked);
        QCOMPARE(row->subItem(TaskRow::Complete), QStringLiteral("0"));
        QCOMPARE(row->subItem(TaskRow::Completed), QString());
        QVERIFY(!row->entry->completed);
        QCOMPARE(f.field(row, "Complete"), QStringLiteral("0"));
        QCOMPARE(f.field(row, "DateCompleted"), QString());

        f.restart();
        row = f.task(0);
        QCOMPARE(f.field(row, "Complete"), QStringLiteral("0"));
        QCOMPARE(f.field(row, "DateCompleted"), QString());
        QCOMPARE(row->checkState(TaskRow::DoneColumn), Qt::Unchecked);
    }

    // Any change of a box's state by the program (saving a task, the reminder
    // window) is handled as a click.
    void programChangingTheBoxCompletesTheTask()
    {
        Fixture f(entries(task({ QStringLiteral("t"), now.addDays(1) })));
        auto row = f.task(0);
        f.window->TasksModel->setData(row->index(TaskRow::DoneColumn), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(f.field(row, "Complete"), QStringLiteral("1"));
        QCOMPARE(f.field(row, "DateCompleted"), dayNumber(now));
        f.restart();
        QCOMPARE(f.field(f.task(0), "DateCompleted"), dayNumber(now));
    }

    void boxClickKeepsTheEditorClean_data()
    {
        QTest::addColumn<bool>("unsavedBefore");
        QTest::newRow("editor clean") << false;
        QTest::newRow("editor with unsaved changes") << true;
    }

    void boxClickKeepsTheEditorClean()
    {
        QFETCH(bool, unsavedBefore);
        Fixture f(entries(task({ QStringLiteral("in editor"), now.addDays(1) })
            + task({ QStringLiteral("other"), now.addDays(1) })));
        TfrmMain &w = *f.window;
        f.show();
        auto edited = f.taskTitled(QStringLiteral("in editor"));
        f.list()->setCurrentIndex(edited->index());
        w.lsvNotesDblClick(f.list());
        QCOMPARE(w.EditorIndex, edited->subItem(TaskRow::Index).toInt());
        QVERIFY(!w.chkComplete->isChecked());
        // A change of the editor's Complete box is an editor change.
        connect(w.chkComplete, &QCheckBox::toggled, w.actSaveNote, [&w] { w.actSaveNote->setEnabled(true); });
        w.actSaveNote->setEnabled(unsavedBefore);

        f.clickBox(edited);
        QVERIFY(w.chkComplete->isChecked());
        QCOMPARE(w.actSaveNote->isEnabled(), unsavedBefore);
        f.clickBox(edited);
        QVERIFY(!w.chkComplete->isChecked());
        QCOMPARE(w.actSaveNote->isEnabled(), unsavedBefore);

        // Another task's box leaves the editor alone.
        f.clickBox(f.taskTitled(QStringLiteral("other")));
        QVERIFY(!w.chkComplete->isChecked());
        QCOMPARE(w.actSaveNote->isEnabled(), unsavedBefore);
    }

    // Entries created within the same second share their caption; each box
    // still belongs to its own row, in any order of the list.
    void equalCaptionsAreDifferentRows()
    {
        const QString sameSecond = QStringLiteral("46364.5");
        TaskFields first { QStringLiteral("first"), now.addDays(1) };
        TaskFields second { QStringLiteral("second"), now.addDays(1) };
        TaskFields third { QStringLiteral("third"), now.addDays(1) };
        first.created = second.created = third.created = sameSecond;
        Fixture f(entries(task(first) + task(second) + task(third)));
        TfrmMain &w = *f.window;
        f.show();
        auto firstRow = f.taskTitled(QStringLiteral("first"));
        auto secondRow = f.taskTitled(QStringLiteral("second"));
        QCOMPARE(firstRow->text(0), secondRow->text(0));

        // Newest title first, so "second" is above "first".
        w.TaskSortToggle = 1;
        w.lsvTasksColumnClick(f.list(), TaskRow::Title + 1);
        QVERIFY(secondRow->row() < firstRow->row());

        f.clickBox(firstRow);
        QCOMPARE(firstRow->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(secondRow->checkState(TaskRow::DoneColumn), Qt::Unchecked);
        QCOMPARE(f.field(firstRow, "Complete"), QStringLiteral("1"));
        QCOMPARE(f.field(secondRow, "Complete"), QStringLiteral("0"));
        QCOMPARE(secondRow->subItem(TaskRow::Completed), QString());

        f.clickBox(secondRow);
        f.clickBox(firstRow);
        QCOMPARE(firstRow->checkState(TaskRow::DoneColumn), Qt::Unchecked);
        QCOMPARE(secondRow->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(f.field(firstRow, "Complete"), QStringLiteral("0"));
        QCOMPARE(f.field(secondRow, "Complete"), QStringLiteral("1"));
        QCOMPARE(f.field(f.taskTitled(QStringLiteral("third")), "Complete"), QStringLiteral("0"));
    }

    // Loading shows the stored completion and changes nothing; the dates stay
    // as stored through any number of restarts, also after other clicks.
    void restartKeepsCompletionDates()
    {
        const QString stored = QStringLiteral("38814.6156499884");
        Fixture f(entries(task({ QStringLiteral("done long ago"), now.addDays(-100), QStringLiteral("5"),
                              QStringLiteral("1"), stored })
            + task({ QStringLiteral("done, date unreadable"), now.addDays(-100), QStringLiteral("0"),
                QStringLiteral("1"), QStringLiteral("yesterday") })
            + task({ QStringLiteral("open"), now.addDays(-1) })));
        auto done = f.taskTitled(QStringLiteral("done long ago"));
        QCOMPARE(done->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(done->subItem(TaskRow::Completed), DayNumber::displayText(38814.6156499884));

        f.show();
        f.clickBox(f.taskTitled(QStringLiteral("open")));
        for (int start = 0; start < 2; ++start) {
            Clock::setFixed(now.addDays(start + 1));
            f.restart();
            QCOMPARE(f.field(f.taskTitled(QStringLiteral("done long ago")), "DateCompleted"), stored);
            QCOMPARE(f.field(f.taskTitled(QStringLiteral("done, date unreadable")), "DateCompleted"),
                QStringLiteral("yesterday"));
            QCOMPARE(f.field(f.taskTitled(QStringLiteral("open")), "DateCompleted"), dayNumber(now));
            for (const QString &title : { QStringLiteral("done long ago"),
                     QStringLiteral("done, date unreadable"), QStringLiteral("open") }) {
                QCOMPARE(f.taskTitled(title)->checkState(TaskRow::DoneColumn), Qt::Checked);
                QCOMPARE(f.field(f.taskTitled(title), "Complete"), QStringLiteral("1"));
            }
        }
    }

    // The box is drawn and clicked at the centre of its row's "Done" cell,
    // wherever scrolling and column widths put that cell.
    void boxesFollowScrollingAndResizing()
    {
        QByteArray body;
        for (int i = 0; i < 300; ++i)
            body += task({ QStringLiteral("task %1").arg(i, 3, 10, QLatin1Char('0')), now.addDays(1) });
        Fixture f(entries(body));
        f.show();
        TListViewEx *list = f.list();
        QCOMPARE(list->model()->rowCount(), 300);
        // Each row is high enough for its whole box.
        QStyleOptionViewItem option;
        option.initFrom(list);
        const int boxHeight = list->style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, list);
        QVERIFY(f.doneCell(f.task(0)).height() >= boxHeight + 2);

        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
        const int doneX = f.doneCell(f.task(0)).center().x();
        const auto top = rowAt(list, list->indexAt(QPoint(doneX, 1)).row());
        QVERIFY(top && top->entry != f.task(0)->entry);
        f.clickBox(top);
        QCOMPARE(top->checkState(TaskRow::DoneColumn), Qt::Checked);
        for (int i = 0; i < list->model()->rowCount(); ++i)
            QCOMPARE(
                f.task(i)->checkState(TaskRow::DoneColumn), f.task(i)->entry == top->entry ? Qt::Checked : Qt::Unchecked);

        // Widened, the cell's centre moves and the box with it; a click in the
        // cell beside the box changes nothing.
        list->header()->resizeSection(TaskRow::DoneColumn, 50);
        const auto next = rowAt(list, top->row() + 1);
        const QRect cell = f.doneCell(next);
        QCOMPARE(cell.width(), 50);
        f.clickAt(QPoint(cell.left() + 2, cell.center().y()));
        QCOMPARE(next->checkState(TaskRow::DoneColumn), Qt::Unchecked);
        f.clickAt(cell.center());
        QCOMPARE(next->checkState(TaskRow::DoneColumn), Qt::Checked);

        // Scrolled sideways, the box is still where its cell is.
        list->header()->resizeSection(TaskRow::Text + 1, 2000);
        const auto third = rowAt(list, next->row() + 1);
        const int unscrolledLeft = f.doneCell(third).left();
        QTRY_VERIFY(list->horizontalScrollBar()->maximum() > 120);
        list->horizontalScrollBar()->setValue(120);
        QVERIFY(list->header()->offset() > 0);
        QCOMPARE(f.doneCell(third).left(), unscrolledLeft - list->header()->offset());
        f.clickBox(third);
        QCOMPARE(third->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(f.field(third, "Complete"), QStringLiteral("1"));
    }
};

QTEST_MAIN(tst_CompletionBoxes)
#include "tst_completionboxes.moc"
