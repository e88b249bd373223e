// The reminder check, the reminder window and what a saved window does to the
// tasks, on a real main window over a private home; "now" is the fixed clock.
#include "tests/AccessKeys.h"
#include "tests/EditorFixture.h"
#include "tests/FakeDesktopNotifications.h"
#include "tests/FakeSecretStore.h"
#include "tests/PrivateNotificationService.h"
#include "tests/QuickAddDriver.h"

#include "diagnostics/LogFile.h"
#include "diagnostics/MessageDlg.h"
#include "controls/ImageList.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"
#include "reminders/LeadTimes.h"
#include "reminders/Reminder.h"
#include "reminders/ReminderListModel.h"
#include "reminders/ReminderSound.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/DayNumber.h"
#include "store/StoreFile.h"

#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QScreen>
#include <QTimeEdit>
#include <QTimer>
#include <limits>

namespace {
const QDate today(2026, 12, 10);
const QDateTime tenOClock(today, QTime(10, 0));

double day(const QDateTime &moment) { return DayNumber::fromDateTime(moment); }
QString dayText(double dayNumber) { return DayNumber::text(dayNumber); }

struct TTask {
    QByteArray title;
    QDateTime deadline = tenOClock;
    int lead = 4; // "15 minutes"
    bool complete = false;
    // The stored reminder moment; by default the deadline less the lead time.
    std::optional<QByteArray> reminderDate = {};
    QByteArray body = "instructions";
};

QByteArray task(const TTask &t)
{
    const double deadline = day(t.deadline);
    const QByteArray reminder = t.reminderDate.value_or(
        dayText(LeadTimes::reminderDate(deadline, LeadTimes::Table[size_t(t.lead)].minutes)).toUtf8());
    return "<Note><Title>" + t.title + "</Title><Text>" + t.body + "</Text><DateTime>46000.5</DateTime>"
        "<LastModified>46000.5</LastModified><Deadline>" + dayText(deadline).toUtf8() + "</Deadline><Complete>"
        + (t.complete ? "1" : "0") + "</Complete><DateCompleted>" + (t.complete ? "46000.6" : "")
        + "</DateCompleted><Reminder>" + QByteArray::number(t.lead) + "</Reminder><ReminderDate>" + reminder
        + "</ReminderDate><NoteType>T</NoteType></Note>";
}

QByteArray tasks(const QList<TTask> &list)
{
    QByteArray body;
    for (const TTask &t : list)
        body += task(t);
    return EditorFixture::entries(body);
}

QStringList rowTitles(const TfrmReminder &window)
{
    QStringList titles;
    for (const TReminderRow &row : window.Rows->rows())
        titles.append(row.entry->title());
    return titles;
}

// What a reminder window showed when it came up.
struct TShown {
    QStringList titles;
    bool reminderTimerRan = false;
};

// Answers the next reminder window: records it, lets `act` work on it as the
// user would, and closes it with Save or Cancel unless `act` closed it.
QList<TShown> *answer(bool save, std::function<void(TfrmReminder &)> act = {})
{
    static QList<TShown> shown;
    shown.clear();
    ReminderWindowSeam::setNextHandlers({ [save, act](TfrmReminder &window) {
        TShown seen;
        seen.titles = rowTitles(window);
        const auto *main = qobject_cast<TfrmMain *>(window.parent());
        seen.reminderTimerRan = main && main->timReminder->isActive();
        shown.append(seen);
        if (act)
            act(window);
        if (window.isVisible())
            QTest::mouseClick(save ? window.btnSave : window.btnCancel, Qt::LeftButton);
    } });
    return &shown;
}

QString field(TEditorWindow &f, int index, const char *name) { return TEditorWindow::field(f.entry(index), name); }

void selectRow(TfrmReminder &window, int row)
{
    window.lsvTasks->setCurrentIndex(window.Rows->index(row, 0));
}

void clickDone(TfrmReminder &window, int row)
{
    const QModelIndex cell = window.Rows->index(row, ReminderColumn::Done);
    window.lsvTasks->scrollTo(cell);
    QTest::mouseClick(window.lsvTasks->viewport(), Qt::LeftButton, {}, window.lsvTasks->visualRect(cell).center());
}

const QString fixturePhrase = QStringLiteral("fixture phrase");

TEntry *entryTitled(TEditorWindow &f, const QString &title)
{
    for (int i = 0; i < f.w().Entries->count(); ++i) {
        if (f.w().Entries->at(i)->title() == title)
            return f.w().Entries->at(i);
    }
    return nullptr;
}

// Another copy of the program writes these entries to the store.
void otherProgramStores(const QString &storeFile, const QByteArray &xml)
{
    TXmlDocument document;
    document.LoadFromMemory(xml);
    StoreFile::SaveStore(storeFile, StoreFile::PassPhraseBytes(fixturePhrase), document);
}

// A field of the entry with this title as the store file holds it.
QString storedField(const QString &storeFile, const QString &title, const char *name)
{
    TXmlDocument document;
    StoreFile::OpenStoreWithPassPhrase(storeFile, fixturePhrase, document);
    for (pugi::xml_node entry = document.Root().first_child(); entry; entry = entry.next_sibling()) {
        if (TXmlDocument::ReadChildText(entry, "Title") == title)
            return TXmlDocument::ReadChildText(entry, name);
    }
    return QStringLiteral("<missing>");
}

class TRecordedSound : public TReminderSound {
public:
    QStringList played;
    bool filePlays = true;
    void beep() override { played.append(QStringLiteral("beep")); }
    bool playFile(const QString &path) override
    {
        played.append(QStringLiteral("file ") + path);
        return filePlays;
    }
};
// The program's notification centre on a bus of the test's own while it
// lives; the tests' double again afterwards.
struct TBusNotifications {
    TFreedesktopNotifications centre;
    explicit TBusNotifications(const QDBusConnection &bus)
        : centre(bus)
    {
        TDesktopNotifications::setCurrent(&centre);
    }
    ~TBusNotifications() { TDesktopNotifications::setCurrent(&TFakeDesktopNotifications::instance()); }
};

enum class TMainWindowState { Shown, Hidden, Minimized };

void putMainWindow(TfrmMain &main, TMainWindowState state)
{
    if (state == TMainWindowState::Hidden)
        main.hide();
    else if (state == TMainWindowState::Minimized)
        main.showMinimized();
}

// The summaries the service was told, once a last notification sent through
// the centre has come: the client's calls reach the service in order, so any
// sent before it have come too.
QStringList summariesUpTo(TPrivateNotificationService &service, TDesktopNotifications &centre)
{
    centre.show(QStringLiteral("last"), QString());
    QStringList summaries;
    if (!QTest::qWaitFor([&] { return !service.notified.isEmpty() && service.notified.last().summary == "last"; }, 5000))
        summaries.append(QStringLiteral("<the last notification never came>"));
    for (const auto &notify : service.notified)
        summaries.append(notify.summary);
    return summaries;
}

QString logText()
{
    QFile log(LogFile::path());
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}
} // namespace

Q_DECLARE_METATYPE(ReminderGeometry::TStored)
Q_DECLARE_METATYPE(TMainWindowState)

class tst_Reminders : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        ReminderWindowSeam::setNextHandlers({});
        TReminderSound::setCurrent(nullptr);
        Clock::clearFixed();
    }

    void dueTasks_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QStringList>("listed");
        const QByteArray fifteen = tasks({ { "fifteen" } });
        QTest::newRow("a second before the reminder moment") << fifteen << tenOClock.addSecs(-15 * 60 - 1) << QStringList();
        QTest::newRow("at the reminder moment") << fifteen << tenOClock.addSecs(-15 * 60) << QStringList { "fifteen" };
        QTest::newRow("after the deadline") << fifteen << tenOClock.addSecs(3600) << QStringList { "fifteen" };
        QTest::newRow("complete") << tasks({ { .title = "done", .complete = true } }) << tenOClock.addDays(3)
                                  << QStringList();
        QTest::newRow("never, long after its deadline")
            << tasks({ { .title = "never", .lead = 0, .reminderDate = "46000" } }) << tenOClock.addYears(2)
            << QStringList();
        QTest::newRow("a reminder moment in the future")
            << tasks({ { .title = "later", .deadline = tenOClock.addDays(1) } }) << tenOClock << QStringList();
    }

    void dueTasks()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QDateTime, now);
        QFETCH(QStringList, listed);
        TEditorWindow f(xml);
        Clock::setFixed(now);
        QList<TShown> *shown = answer(false);
        f.w().timReminderTimer();
        QCOMPARE(shown->size(), listed.isEmpty() ? 0 : 1);
        if (!listed.isEmpty())
            QCOMPARE(shown->first().titles, listed);
        // Nothing due: the check is back on its timer at once.
        QVERIFY(f.w().timReminder->isActive());
    }

    // All due tasks come in one window, in the order of the main task list.
    void oneWindowInListOrder()
    {
        TEditorWindow f(tasks({ { "b due" }, { "c not due", tenOClock.addDays(2) }, { "a due" } }));
        Clock::setFixed(tenOClock);
        QList<TShown> *shown = answer(false);
        f.w().lsvTasksColumnClick(f.w().lsvTasks, TaskColumn::Task);
        const QString first = f.w().TasksModel->entryAt(0)->title();
        f.w().timReminderTimer();
        QCOMPARE(shown->size(), 1);
        const QStringList expected = first == QLatin1String("a due") ? QStringList { "a due", "b due" }
                                                                     : QStringList { "b due", "a due" };
        QCOMPARE(shown->first().titles, expected);

        // The other direction gives the other order.
        answer(false);
        f.w().lsvTasksColumnClick(f.w().lsvTasks, TaskColumn::Task);
        f.w().timReminderTimer();
        QCOMPARE(shown->first().titles, QStringList({ expected[1], expected[0] }));
    }

    void cancelWritesNothing()
    {
        TEditorWindow f(tasks({ { "due" } }));
        Clock::setFixed(tenOClock);
        const QByteArray before = f.w().xmlNotes.SaveToBytes();
        answer(false, [](TfrmReminder &window) {
            clickDone(window, 0);
            window.cboReminder->setCurrentIndex(3);
            window.dtpTime->setTime(QTime(15, 0));
        });
        f.w().timReminderTimer();
        QCOMPARE(f.w().xmlNotes.SaveToBytes(), before);
        QVERIFY(!QFile::exists(f.home.storeFile()));
        QVERIFY(!f.w().TasksModel->entryAt(0)->complete);

        // The next check lists the task again.
        QList<TShown> *shown = answer(false);
        f.w().timReminderTimer();
        QCOMPARE(shown->size(), 1);
    }

    void saved_data()
    {
        QTest::addColumn<int>("lead");
        QTest::addColumn<int>("shortRow");    // chosen; -1 leaves the lead time as shown
        QTest::addColumn<QDateTime>("moveTo"); // invalid: the deadline is left alone
        QTest::addColumn<int>("storedLead");
        QTest::addColumn<QDateTime>("deadline");
        QTest::addColumn<QDateTime>("reminder"); // invalid: 1000 years after saving
        const QDateTime saving = tenOClock.addSecs(7 * 60);
        QTest::newRow("30 minutes, deadline untouched")
            << 4 << 4 << QDateTime() << 5 << tenOClock << saving.addSecs(30 * 60);
        QTest::newRow("1 hour untouched, put off by an hour")
            << 6 << -1 << QDateTime() << 6 << tenOClock << saving.addSecs(3600);
        QTest::newRow("Never") << 4 << 0 << QDateTime() << 0 << tenOClock << QDateTime();
        QTest::newRow("0 minutes shows as Never and saves as Never")
            << 1 << -1 << QDateTime() << 0 << tenOClock << QDateTime();
        QTest::newRow("deadline moved to tomorrow 10:00, 1 hour")
            << 4 << 5 << tenOClock.addDays(1) << 6 << tenOClock.addDays(1) << tenOClock.addDays(1).addSecs(-3600);
        QTest::newRow("time only, 10:00 to 15:00")
            << 4 << -1 << QDateTime(today, QTime(15, 0)) << 4 << QDateTime(today, QTime(15, 0))
            << QDateTime(today, QTime(14, 45));
    }

    void saved()
    {
        QFETCH(int, lead);
        QFETCH(int, shortRow);
        QFETCH(QDateTime, moveTo);
        QFETCH(int, storedLead);
        QFETCH(QDateTime, deadline);
        QFETCH(QDateTime, reminder);
        TEditorWindow f(tasks({ { .title = "due", .lead = lead } }));
        Clock::setFixed(tenOClock);
        const QDateTime saving = tenOClock.addSecs(7 * 60);
        QString shownLead;
        QString dueShown;
        answer(true, [&](TfrmReminder &window) {
            selectRow(window, 0);
            shownLead = window.cboReminder->currentText();
            if (shortRow >= 0)
                window.cboReminder->setCurrentIndex(shortRow);
            if (moveTo.isValid()) {
                window.dtpDate->setDate(moveTo.date());
                window.dtpTime->setTime(moveTo.time());
            }
            dueShown = window.Rows->index(0, ReminderColumn::Due).data().toString();
            Clock::setFixed(saving);
        });
        f.w().timReminderTimer();

        QCOMPARE(shownLead, QString::fromLatin1(LeadTimes::Table[size_t(lead == 1 ? 0 : lead)].text));
        QCOMPARE(dueShown, DayNumber::displayText(day(deadline)));
        QCOMPARE(field(f, 0, "Reminder"), QString::number(storedLead));
        QCOMPARE(field(f, 0, "Deadline"), dayText(day(deadline)));
        const double expected = reminder.isValid() ? day(reminder) : LeadTimes::addThousandYears(day(saving));
        QCOMPARE(field(f, 0, "ReminderDate"), dayText(expected));
        QCOMPARE(field(f, 0, "LastModified"), dayText(day(saving)));
        QCOMPARE(field(f, 0, "Complete"), QStringLiteral("0"));

        // What was saved is what the next start reads.
        f.restart();
        QCOMPARE(field(f, 0, "ReminderDate"), dayText(expected));
    }

    // At the window's first size the completion boxes are in view.
    void doneColumnInView()
    {
        TEditorWindow f(tasks({ { "due" } }));
        Clock::setFixed(tenOClock);
        QRect box;
        QRect view;
        answer(false, [&](TfrmReminder &window) {
            box = window.lsvTasks->visualRect(window.Rows->index(0, ReminderColumn::Done));
            view = window.lsvTasks->viewport()->rect();
        });
        f.w().timReminderTimer();
        QVERIFY2(view.contains(box), qPrintable(QStringLiteral("box %1..%2, view %3")
                                                .arg(box.left()).arg(box.right()).arg(view.right())));
    }

    void savedDone()
    {
        TEditorWindow f(tasks({ { "done now" }, { "still open" } }));
        Clock::setFixed(tenOClock);
        answer(true, [](TfrmReminder &window) {
            clickDone(window, 0);
            QVERIFY(window.Rows->rows()[0].done);
            // Space ticks the selected row, and ticks it off again.
            selectRow(window, 1);
            QTest::keyClick(window.lsvTasks, Qt::Key_Space);
            QVERIFY(window.Rows->rows()[1].done);
            QTest::keyClick(window.lsvTasks, Qt::Key_Space);
            QVERIFY(!window.Rows->rows()[1].done);
            // A task ticked as done is drawn grey and struck out.
            const QModelIndex cell = window.Rows->index(0, ReminderColumn::Task);
            QCOMPARE(cell.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
            QVERIFY(cell.data(Qt::FontRole).value<QFont>().strikeOut());
        });
        const QString reminderBefore = field(f, 0, "ReminderDate");
        f.w().timReminderTimer();
        QCOMPARE(field(f, 0, "Complete"), QStringLiteral("1"));
        QCOMPARE(field(f, 0, "DateCompleted"), dayText(day(tenOClock)));
        QCOMPARE(field(f, 0, "ReminderDate"), reminderBefore);
        QVERIFY(f.w().Entries->at(0)->complete);
        QCOMPARE(field(f, 1, "Complete"), QStringLiteral("0"));

        // Done for good: only the other task comes again.
        QList<TShown> *shown = answer(false);
        Clock::setFixed(tenOClock.addDays(1));
        f.w().timReminderTimer();
        QCOMPARE(shown->first().titles, QStringList { "still open" });
    }

    // Rows belong to their tasks: tasks added, removed or re-sorted in the main
    // list while the window is open never take another task's choice.
    void rowsStayWithTheirTasks()
    {
        TEditorWindow f(tasks({ { "alpha" }, { "beta" }, { "gamma" } }));
        Clock::setFixed(tenOClock);
        TEntry *alpha = f.w().Entries->at(0);
        TEntry *gamma = f.w().Entries->at(2);
        answer(true, [&](TfrmReminder &window) {
            // Ticks gamma, the last row.
            clickDone(window, window.Rows->rowOf(gamma));
            // Meanwhile a quick add puts a task before the others, the main
            // list is sorted the other way, and alpha is deleted.
            TTaskFields added;
            added.title = QStringLiteral("0 added");
            added.deadline = day(tenOClock);
            added.lead = 4;
            added.reminderDate = day(tenOClock);
            f.w().Entries->SaveTask(nullptr, added, day(tenOClock));
            f.w().lsvTasksColumnClick(f.w().lsvTasks, TaskColumn::Task);
            f.w().Entries->Delete(alpha);
            QCOMPARE(window.Rows->rowCount(), 2);
        });
        f.w().timReminderTimer();
        const auto completeOf = [&](const char *title) {
            for (int i = 0; i < f.w().Entries->count(); ++i) {
                if (f.w().Entries->at(i)->title() == QLatin1String(title))
                    return f.w().Entries->at(i)->complete;
            }
            return false;
        };
        QVERIFY(completeOf("gamma"));
        QVERIFY(!completeOf("beta"));
        QVERIFY(!completeOf("0 added"));
    }

    // While a reminder window is open, an autosave and a quick add let the
    // timers run again, and the checks go on: they bring no second window.
    // The tasks that fall due meanwhile join the open window, and what the
    // user chose there is what is stored.
    void oneWindowAtATime()
    {
        TEditorWindow f(EditorFixture::entries(
            task({ "due" }) + task({ .title = "due later", .deadline = tenOClock.addSecs(30 * 60) })
            + EditorFixture::note("a note")));
        f.w().DisplayReminders = true;
        f.w().ResetTimerState();
        // A change in the editor waits for the autosave.
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        f.typeBody(QStringLiteral(" more"));
        QVERIFY(f.w().actSaveNote->isEnabled());
        Clock::setFixed(tenOClock);
        int otherWindows = 0;
        const auto previous = ReminderWindowSeam::setUnansweredHandler([&](TfrmReminder &other) {
            // The user saves the window on top, as it shows the tasks.
            ++otherWindows;
            QTest::mouseClick(other.btnSave, Qt::LeftButton);
        });
        QStringList joined;
        bool checkedWhileOpen = false;
        answer(true, [&](TfrmReminder &window) {
            selectRow(window, 0);
            window.cboReminder->setCurrentIndex(5); // "1 hour"
            f.w().timAutoSaveTimer();
            QVERIFY(!f.w().actSaveNote->isEnabled());
            quickAdd(f.w(), true, [](TfrmAddNote &added) { typeAndSave(added, QStringLiteral("added"), 1); });
            checkedWhileOpen = f.w().timReminder->isActive();
            Clock::setFixed(tenOClock.addSecs(16 * 60));
            f.w().timReminderTimer();
            f.w().timReminderTimer();
            joined = rowTitles(window);
        });
        f.w().timReminderTimer();
        ReminderWindowSeam::setUnansweredHandler(previous);
        QCOMPARE(otherWindows, 0);
        QVERIFY(checkedWhileOpen);
        joined.sort();
        QCOMPARE(joined, QStringList({ "added", "due", "due later" }));
        const QString saved = dayText(day(tenOClock.addSecs(16 * 60)));
        QCOMPARE(TEditorWindow::field(entryTitled(f, QStringLiteral("due"))->element, "Reminder"), QStringLiteral("6"));
        for (const char *title : { "due", "added", "due later" })
            QCOMPARE(TEditorWindow::field(entryTitled(f, QLatin1String(title))->element, "LastModified"), saved);
        f.w().WaitForSaveInFlight();
        QCOMPARE(storedField(f.home.storeFile(), QStringLiteral("due"), "Reminder"), QStringLiteral("6"));
        // Once the window has gone, the checks go on every 30 seconds.
        QVERIFY(f.w().timReminder->isActive());
        QCOMPARE(f.w().timReminder->interval(), 30000);
    }

    // Tasks already due at start-up are reminded of as soon as start-up has
    // ended, not 30 seconds later; then every 30 seconds.
    void checkAsSoonAsStarted_data()
    {
        QTest::addColumn<bool>("displayReminders");
        QTest::newRow("reminders on") << true;
        QTest::newRow("reminders off") << false;
    }

    void checkAsSoonAsStarted()
    {
        QFETCH(bool, displayReminders);
        TEditorWindow f(tasks({ { "due" } }));
        QVERIFY(f.w().EncryptXMLFile());
        f.window.reset();
        TFakeSecretStore::instance().Write(SecretStore::PassPhraseKey, fixturePhrase);
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(RegistryKeys::settings(), true));
            registry.WriteBool(QStringLiteral("DisplayReminders"), displayReminders);
        }
        Clock::setFixed(tenOClock);
        QList<TShown> *shown = answer(false);
        TfrmMain w;
        w.FormCreate();
        QVERIFY(!w.Starting);
        QCOMPARE(w.TasksModel->rowCount(), 1);
        if (displayReminders) {
            QTRY_COMPARE_WITH_TIMEOUT(shown->size(), 1, 5000);
            QCOMPARE(shown->first().titles, QStringList { "due" });
        } else {
            QTest::qWait(50);
            QCOMPARE(shown->size(), 0);
        }
        QCOMPARE(w.timReminder->isActive(), displayReminders);
        QCOMPARE(w.timReminder->interval(), 30000);
        ReminderWindowSeam::setNextHandlers({});
    }

    // A row selected and then moved by a sort keeps the selection: the
    // details and every edit belong to the task selected, not to the task
    // now at that row's old place.
    void editsFollowTheSelectedTaskThroughASort_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("done") << QStringLiteral("done");
        QTest::newRow("deadline") << QStringLiteral("deadline");
        QTest::newRow("lead time") << QStringLiteral("lead time");
    }

    void editsFollowTheSelectedTaskThroughASort()
    {
        QFETCH(QString, edit);
        TEditorWindow f(tasks({ { "apple" }, { "banana" } }));
        Clock::setFixed(tenOClock);
        const TEntry *apple = entryTitled(f, QStringLiteral("apple"));
        QString shownAfterSort;
        answer(true, [&](TfrmReminder &window) {
            const int before = window.Rows->rowOf(apple);
            selectRow(window, before);
            // Sorted by title, once more when the first sort left apple in its place.
            QHeaderView *header = window.lsvTasks->header();
            for (int click = 0; click < 2 && window.Rows->rowOf(apple) == before; ++click)
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
            QVERIFY(window.Rows->rowOf(apple) != before);
            shownAfterSort = window.lblTaskDesc->text();
            if (edit == QLatin1String("done"))
                QTest::keyClick(window.lsvTasks, Qt::Key_Space);
            else if (edit == QLatin1String("deadline"))
                window.dtpTime->setTime(QTime(15, 0));
            else
                window.cboReminder->setCurrentIndex(5); // "1 hour"
        });
        f.w().timReminderTimer();
        QCOMPARE(shownAfterSort, QStringLiteral("apple"));
        const auto stored = [&](const char *title, const char *name) {
            return TEditorWindow::field(entryTitled(f, QLatin1String(title))->element, name);
        };
        QCOMPARE(stored("apple", "Complete"), edit == QLatin1String("done") ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(stored("apple", "Deadline"),
            dayText(day(edit == QLatin1String("deadline") ? QDateTime(today, QTime(15, 0)) : tenOClock)));
        QCOMPARE(stored("apple", "Reminder"), edit == QLatin1String("lead time") ? QStringLiteral("6") : QStringLiteral("4"));
        QCOMPARE(stored("banana", "Complete"), QStringLiteral("0"));
        QCOMPARE(stored("banana", "Deadline"), dayText(day(tenOClock)));
        QCOMPARE(stored("banana", "Reminder"), QStringLiteral("4"));
    }

    // Another program changes the store while a reminder window holds tasks,
    // and the entry table is rebuilt from what it wrote: read while the
    // window is open (by an autosave, a quick add or the folder watcher), or
    // by the save of the window. Each row finds its task again with the
    // user's choice, the selection stays on its task, and a task the other
    // program deleted leaves the window.
    void choicesSurviveReadingTheStoreAgain_data()
    {
        QTest::addColumn<bool>("whileOpen");
        QTest::newRow("read while the window is open") << true;
        QTest::newRow("read by the save of the window") << false;
    }

    void choicesSurviveReadingTheStoreAgain()
    {
        QFETCH(bool, whileOpen);
        const TTask beta { "beta" };
        const TTask gamma { "gamma" };
        const TTask elsewhere { .title = "added elsewhere", .deadline = tenOClock.addDays(5) };
        TEditorWindow f(tasks({ { "alpha" }, beta, gamma }));
        QVERIFY(f.w().EncryptXMLFile());
        Clock::setFixed(tenOClock);
        const QDateTime saving = tenOClock.addSecs(60);
        QStringList rowsAfterReading;
        QString selectedAfterReading;
        answer(true, [&](TfrmReminder &window) {
            clickDone(window, window.Rows->rowOf(entryTitled(f, QStringLiteral("gamma"))));
            selectRow(window, window.Rows->rowOf(entryTitled(f, QStringLiteral("beta"))));
            window.cboReminder->setCurrentIndex(5); // "1 hour"
            // Another copy adds a task before the others and deletes alpha.
            otherProgramStores(f.home.storeFile(), tasks({ elsewhere, beta, gamma }));
            if (whileOpen) {
                QVERIFY(f.w().Entries->Refresh());
                rowsAfterReading = rowTitles(window);
                const QModelIndexList selected = window.lsvTasks->selectionModel()->selectedRows();
                if (selected.size() == 1)
                    selectedAfterReading = window.Rows->rowAt(selected.first().row())->entry->title();
                // A choice made after the reading lands on the task too.
                window.dtpTime->setTime(QTime(16, 0));
            } else {
                // The notice that the entries were read again.
                MessageDlgSeam::setNextAnswers({ mrOk });
            }
            Clock::setFixed(saving);
        });
        f.w().timReminderTimer();
        QTRY_VERIFY(!MessageDlgSeam::hasPendingAnswers());
        MessageDlgSeam::takeAskedDialogs();
        if (whileOpen) {
            QCOMPARE(rowsAfterReading, QStringList({ "beta", "gamma" }));
            QCOMPARE(selectedAfterReading, QStringLiteral("beta"));
        }
        const QString store = f.home.storeFile();
        QCOMPARE(storedField(store, QStringLiteral("alpha"), "Title"), QStringLiteral("<missing>"));
        QCOMPARE(storedField(store, QStringLiteral("beta"), "Reminder"), QStringLiteral("6"));
        QCOMPARE(storedField(store, QStringLiteral("beta"), "Complete"), QStringLiteral("0"));
        QCOMPARE(storedField(store, QStringLiteral("beta"), "Deadline"),
            dayText(day(whileOpen ? QDateTime(today, QTime(16, 0)) : tenOClock)));
        QCOMPARE(storedField(store, QStringLiteral("gamma"), "Complete"), QStringLiteral("1"));
        QCOMPARE(storedField(store, QStringLiteral("gamma"), "DateCompleted"), dayText(day(saving)));
        QCOMPARE(storedField(store, QStringLiteral("added elsewhere"), "Complete"), QStringLiteral("0"));
        QCOMPARE(storedField(store, QStringLiteral("added elsewhere"), "Reminder"), QStringLiteral("4"));
        QCOMPARE(storedField(store, QStringLiteral("added elsewhere"), "LastModified"), QStringLiteral("46000.5"));
        // What the window shows is what the program has now.
        QCOMPARE(f.w().Entries->count(), 3);
        QCOMPARE(TEditorWindow::field(entryTitled(f, QStringLiteral("beta"))->element, "Reminder"), QStringLiteral("6"));
    }

    // A task renamed while its row is in the window is found again under its
    // new title when the entries are read anew.
    void renamedTaskFoundAgain()
    {
        TXmlDocument document;
        document.LoadFromMemory(tasks({ { "old title" } }));
        TEntryTable table(document);
        table.setStore([] { return true; });
        table.Load(day(tenOClock), [](int) { return std::optional<int>(15); });
        TReminderListModel rows(table);
        rows.addTask(table.at(0));
        TTaskFields renamed;
        renamed.title = QStringLiteral("new title");
        renamed.deadline = day(tenOClock);
        renamed.lead = 4;
        renamed.reminderDate = day(tenOClock);
        table.SaveTask(table.at(0), renamed, day(tenOClock));
        // Another program adds a task to the store that holds the rename.
        const QByteArray outside
            = tasks({ { .title = "from elsewhere", .deadline = tenOClock.addDays(1) }, { "new title" } });
        table.setReload([&] {
            document.LoadFromMemory(outside);
            return true;
        });
        QVERIFY(table.Refresh());
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(rows.rowAt(0)->entry, table.at(1));
        QCOMPARE(rows.rowAt(0)->entry->title(), QStringLiteral("new title"));
    }

    // A task whose hidden values cannot be read is left out, reported once,
    // and the tasks after it are still reminded of.
    void unreadableTaskSkipped_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QByteArray emptyLead = task({ .title = "broken" });
        emptyLead.replace("<Reminder>4</Reminder>", "<Reminder></Reminder>");
        QTest::newRow("empty lead time") << emptyLead;
        QTest::newRow("malformed reminder date") << task({ .title = "broken", .reminderDate = "soon" });
        QByteArray noLead = task({ .title = "broken" });
        noLead.replace("<Reminder>4</Reminder>", "<Reminder>x</Reminder>");
        QTest::newRow("malformed lead time") << noLead;
        QByteArray noDeadline = task({ .title = "broken" });
        noDeadline.replace(dayText(day(tenOClock)).toUtf8(), "");
        QTest::newRow("empty deadline") << noDeadline;
    }

    void unreadableTaskSkipped()
    {
        QFETCH(QByteArray, broken);
        TEditorWindow f(EditorFixture::entries(broken + task({ "fine" })));
        Clock::setFixed(tenOClock);
        QFile::remove(LogFile::path());
        for (int check = 0; check < 2; ++check) {
            QList<TShown> *shown = answer(false);
            f.w().timReminderTimer();
            QCOMPARE(shown->size(), 1);
            QCOMPARE(shown->first().titles, QStringList { "fine" });
            QVERIFY(f.w().timReminder->isActive());
        }
        QFile log(LogFile::path());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count("\"broken\""), 1);
    }

    // Over a main window hidden in the tray or minimized, the reminder window
    // stands on its own, on top, and has the focus.
    void shownOverHiddenMainWindow_data()
    {
        QTest::addColumn<bool>("minimized");
        QTest::newRow("hidden") << false;
        QTest::newRow("minimized") << true;
    }

    void shownOverHiddenMainWindow()
    {
        QFETCH(bool, minimized);
        TEditorWindow f(tasks({ { "due" } }));
        if (minimized)
            f.w().showMinimized();
        else
            f.w().hide();
        Clock::setFixed(tenOClock);
        bool onTop = false;
        bool active = false;
        QWidget *parent = &f.w();
        answer(false, [&](TfrmReminder &window) {
            parent = window.parentWidget();
            onTop = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            QTRY_VERIFY(QApplication::activeWindow() == &window);
            active = true;
        });
        f.w().timReminderTimer();
        QCOMPARE(parent, nullptr);
        QVERIFY(onTop);
        QVERIFY(active);
    }

    void timersPausedDuringModalCommands()
    {
        TEditorWindow f(tasks({ { "due" } }));
        f.w().DisplayReminders = true;
        f.w().ResetTimerState();
        Clock::setFixed(tenOClock);
        QList<TShown> *shown = answer(false);
        f.w().timReminderTimer();
        // The checks go on while the window is open, for the tasks that join it.
        QVERIFY(shown->first().reminderTimerRan);
        QVERIFY(f.w().timReminder->isActive());

        // A save that asks a question.
        std::optional<bool> ranDuringBox;
        const auto previous = MessageDlgSeam::setUnansweredHandler([&](const MessageDlgSeam::TAskedDialog &) {
            ranDuringBox = f.w().timReminder->isActive();
            return mrOk;
        });
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("  "));
        f.clickTool(f.w().actSaveNote);
        MessageDlgSeam::setUnansweredHandler(previous);
        QCOMPARE(ranDuringBox, std::optional<bool>(false));
        QVERIFY(f.w().timReminder->isActive());

        // With reminders off no window comes and the timer stays off.
        f.w().DisplayReminders = false;
        answer(false);
        f.w().timReminderTimer();
        QVERIFY(!f.w().timReminder->isActive());
        ReminderWindowSeam::setNextHandlers({});
    }

    // The timer's tick runs the check.
    void timerRunsTheCheck()
    {
        TEditorWindow f(tasks({ { "due" } }));
        Clock::setFixed(tenOClock);
        // The window puts the timer back to its interval, so that it comes once.
        QList<TShown> *shown = answer(false, [&](TfrmReminder &) { f.w().timReminder->setInterval(30000); });
        f.w().timReminder->setInterval(0);
        f.w().ResetTimerState();
        QTRY_COMPARE(shown->size(), 1);
        QCOMPARE(f.w().timReminder->interval(), 30000);
        // Start-up still running: the check does nothing and keeps its timer.
        f.w().Starting = true;
        answer(false);
        f.w().timReminderTimer();
        QCOMPARE(shown->size(), 0);
        QVERIFY(f.w().timReminder->isActive());
        ReminderWindowSeam::setNextHandlers({});
    }

    // The sort direction is shared by the run's reminder windows: each window
    // reverses it when it marks its "Task" column, and so does each click.
    void sortMarkAlternatesAcrossWindows()
    {
        TEditorWindow f(tasks({ { "b" }, { "a" }, { "c" } }));
        Clock::setFixed(tenOClock);
        QList<int> marks;
        QStringList shownOrder;
        QStringList sorted;
        int markAfterClick = -1;
        for (int i = 0; i < 3; ++i) {
            answer(false, [&, i](TfrmReminder &window) {
                marks.append(window.Rows->headerData(0, Qt::Horizontal, Qt::UserRole).toInt());
                if (i < 2)
                    return;
                for (const TReminderRow &row : window.Rows->rows())
                    shownOrder.append(row.entry->title());
                QHeaderView *header = window.lsvTasks->header();
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
                for (const TReminderRow &row : window.Rows->rows())
                    sorted.append(row.entry->title());
                markAfterClick = window.Rows->headerData(0, Qt::Horizontal, Qt::UserRole).toInt();
            });
            f.w().timReminderTimer();
        }
        QCOMPARE(marks.size(), 3);
        QCOMPARE(QSet<int>(marks.begin(), marks.begin() + 2),
            QSet<int>({ ImageList::SortDescending, ImageList::SortAscending }));
        QCOMPARE(marks[2], marks[0]);
        // Until a click, the rows keep the main list's order; the first click
        // in a window marked descending sorts ascending, and the reverse.
        QCOMPARE(shownOrder, QStringList({ f.w().TasksModel->entryAt(0)->title(), f.w().TasksModel->entryAt(1)->title(),
                                 f.w().TasksModel->entryAt(2)->title() }));
        const bool ascending = marks[2] == ImageList::SortDescending;
        QCOMPARE(sorted, ascending ? QStringList({ "a", "b", "c" }) : QStringList({ "c", "b", "a" }));
        QCOMPARE(markAfterClick, ascending ? int(ImageList::SortAscending) : int(ImageList::SortDescending));
    }

    void shortenText_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("kept"); // -1: the whole text
        QTest::newRow("100 characters at 362 pixels") << 100 << 362 << 56;
        QTest::newRow("59 characters fit 362 pixels") << 59 << 362 << -1;
        QTest::newRow("60 characters at 362 pixels") << 60 << 362 << 56;
        QTest::newRow("odd room at 356 pixels") << 100 << 356 << 56;
        QTest::newRow("room for two") << 10 << 20 << 0;
        QTest::newRow("no room") << 10 << 0 << 0;
    }

    void shortenText()
    {
        QFETCH(int, length);
        QFETCH(int, width);
        QFETCH(int, kept);
        QString text;
        for (int i = 0; i < length; ++i)
            text.append(QChar(u'a' + i % 26));
        const QString shown = FitLabelText(text, width);
        QCOMPARE(shown, kept < 0 ? text : text.left(kept) + QStringLiteral("..."));
    }

    // The detail group shows the selected task, fitted to its labels, and the
    // instructions box shows the whole task with its ampersands as they are.
    void detailsAndInstructionsBox()
    {
        const QByteArray title = "Tom &amp; Jerry " + QByteArray(100, 'x');
        TEditorWindow f(tasks({ { .title = title, .body = "Salt &amp; pepper, " + QByteArray(100, 'y') } }));
        Clock::setFixed(tenOClock);
        QString label;
        int labelWidth = 0;
        answer(false, [&](TfrmReminder &window) {
            selectRow(window, 0);
            label = window.lblTaskDesc->text();
            labelWidth = window.lblTaskDesc->width();
            QVERIFY(window.lblTaskDesc->textFormat() == Qt::PlainText);
            MessageDlgSeam::setNextAnswers({ mrOk });
            QTest::mouseClick(window.btnShowHint, Qt::LeftButton);
        });
        f.w().timReminderTimer();
        const QString fullTitle = QStringLiteral("Tom & Jerry ") + QString(100, u'x');
        QCOMPARE(label, FitLabelText(fullTitle, labelWidth));
        QVERIFY(label.startsWith(QStringLiteral("Tom & Jerry")));
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].caption, QStringLiteral("Task Instructions"));
        QVERIFY(asked[0].message.startsWith(QStringLiteral("Task:\t\t") + fullTitle + QStringLiteral("\r\n\r\nInstructions:\tSalt & pepper, ")));
        QVERIFY(!asked[0].message.contains(QStringLiteral("&&")));
        // Wrapped at 80 columns, continuation lines indented.
        QVERIFY(asked[0].message.contains(QStringLiteral("\r\n\t\t") + QString(100, u'y')));
    }

    // Each access key of the window leads to one place, and the keyboard
    // reaches the lead time and saves.
    void keyboard()
    {
        TEditorWindow f(tasks({ { "due" } }));
        Clock::setFixed(tenOClock);
        QStringList clashes;
        answer(false, [&](TfrmReminder &window) {
            clashes = AccessKeys::clashes(&window);
            QTRY_COMPARE(QApplication::activeWindow(), &window);
            QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), window.cboReminder);
            QTest::keyClick(window.cboReminder, Qt::Key_Down);
            QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
            // An access key presses its button the way a click does, a moment later.
            QTRY_VERIFY(!window.isVisible());
        });
        f.w().timReminderTimer();
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QStringLiteral("; "))));
        // From "15 minutes" one down: "30 minutes".
        QCOMPARE(field(f, 0, "Reminder"), QStringLiteral("5"));
    }

    void geometryAtOpen_data()
    {
        QTest::addColumn<ReminderGeometry::TStored>("stored");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("first reminder ever") << ReminderGeometry::TStored {} << QRect(1280 - 426, 671, 426, 318);
        QTest::newRow("stored place") << ReminderGeometry::TStored { 100, 200, 500, 300 } << QRect(100, 200, 500, 300);
        QTest::newRow("stored place off the screen")
            << ReminderGeometry::TStored { 1200, 200, 500, 300 } << QRect(1280 - 426, 671, 426, 318);
        const int most = std::numeric_limits<int>::max();
        QTest::newRow("largest size")
            << ReminderGeometry::TStored { 0, 0, most, most } << QRect(1280 - 426, 671, 426, 318);
        QTest::newRow("largest place")
            << ReminderGeometry::TStored { most, most, 426, 318 } << QRect(1280 - 426, 671, 426, 318);
        QTest::newRow("smallest place") << ReminderGeometry::TStored { std::numeric_limits<int>::min(), 0, 426, 318 }
                                        << QRect(1280 - 426, 671, 426, 318);
    }

    void geometryAtOpen()
    {
        QFETCH(ReminderGeometry::TStored, stored);
        QFETCH(QRect, expected);
        QCOMPARE(ReminderGeometry::atOpen(stored, QRect(0, 0, 1280, 1024), 1024), expected);
    }

    void geometryStored_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("stored");
        QTest::newRow("on the screen") << QRect(10, 20, 500, 300) << QRect(10, 20, 500, 300);
        QTest::newRow("flush bottom right") << QRect(780, 724, 500, 300) << QRect(780, 724, 500, 300);
        QTest::newRow("past the right edge") << QRect(900, 20, 500, 300) << QRect(1280 - 426, 1024 - 370, 426, 335);
        QTest::newRow("past the bottom edge") << QRect(10, 800, 500, 300) << QRect(1280 - 426, 1024 - 370, 426, 335);
        QTest::newRow("left of the screen") << QRect(-50, 20, 500, 300) << QRect(1280 - 426, 1024 - 370, 426, 335);
    }

    void geometryStored()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, stored);
        QCOMPARE(ReminderGeometry::toStore(window, QRect(0, 0, 1280, 1024), 1024), stored);
    }

    // A window keeps its place for the next one; one moved off the screen
    // leaves a place on it.
    void geometryRemembered()
    {
        TEditorWindow f(tasks({ { "due" } }));
        Clock::setFixed(tenOClock);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect moved(screen.left() + 20, screen.top() + 30, 450, 260);
        answer(false, [&](TfrmReminder &window) { window.setGeometry(moved); });
        f.w().timReminderTimer();
        QRect opened;
        answer(false, [&](TfrmReminder &window) {
            opened = window.geometry();
            window.move(screen.right() - 100, window.y());
        });
        f.w().timReminderTimer();
        QCOMPARE(opened, moved);
        TRegistry registry;
        QVERIFY(registry.OpenKey(RegistryKeys::settings(), false));
        QCOMPARE(registry.ReadInteger(QStringLiteral("ReminderWidth")), ReminderGeometry::DesignedWidth);
        QCOMPARE(registry.ReadInteger(QStringLiteral("ReminderLeft")), screen.left() + screen.width() - 426);
        QCOMPARE(registry.ReadInteger(QStringLiteral("ReminderHeight")), 335);
    }

    void sound_data()
    {
        QTest::addColumn<bool>("playSound");
        QTest::addColumn<bool>("useDefault");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<bool>("filePlays");
        QTest::addColumn<QStringList>("played"); // "file" stands for the file's path
        QTest::newRow("sounds off") << false << true << true << true << QStringList();
        QTest::newRow("default sound") << true << true << true << true << QStringList { "beep" };
        QTest::newRow("sound file") << true << false << true << true << QStringList { "file" };
        QTest::newRow("sound file that cannot play") << true << false << true << false << QStringList { "file", "beep" };
        QTest::newRow("missing sound file") << true << false << false << true << QStringList();
    }

    void sound()
    {
        QFETCH(bool, playSound);
        QFETCH(bool, useDefault);
        QFETCH(bool, fileExists);
        QFETCH(bool, filePlays);
        QFETCH(QStringList, played);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ring.wav"));
        if (fileExists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("RIFF");
        }
        TRecordedSound sound;
        sound.filePlays = filePlays;
        PlayReminderSound({ playSound, useDefault, path }, sound);
        played.replaceInStrings(QStringLiteral("file"), QStringLiteral("file ") + path);
        QCOMPARE(sound.played, played);
    }

    // The system's sound plays a file to its end, or says it could not; on a
    // machine without an audio device it gives up at once. It never hangs.
    void systemSoundReturns_data()
    {
        QTest::addColumn<bool>("wellFormed");
        QTest::newRow("a short WAV file") << true;
        QTest::newRow("a file that is no sound") << false;
    }

    void systemSoundReturns()
    {
        QFETCH(bool, wellFormed);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ring.wav"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (wellFormed) {
            // 0.05 s of silence: 8 kHz, 8 bits, mono PCM.
            const quint32 samples = 400;
            QByteArray wav("RIFF");
            const auto add32 = [&wav](quint32 v) { wav.append(reinterpret_cast<const char *>(&v), 4); };
            const auto add16 = [&wav](quint16 v) { wav.append(reinterpret_cast<const char *>(&v), 2); };
            add32(36 + samples);
            wav.append("WAVEfmt ");
            add32(16);
            add16(1);
            add16(1);
            add32(8000);
            add32(8000);
            add16(1);
            add16(8);
            wav.append("data");
            add32(samples);
            wav.append(QByteArray(int(samples), char(0x80)));
            file.write(wav);
        } else {
            file.write("not a sound at all");
        }
        file.close();
        const bool played = TReminderSound::current().playFile(path);
        if (!wellFormed)
            QVERIFY(!played);
    }

    // The window plays the sound when it becomes active.
    void windowPlaysSound()
    {
        TEditorWindow f(tasks({ { "due" } }));
        f.w().ReminderSoundInfo = { true, true, QString() };
        TRecordedSound sound;
        TReminderSound::setCurrent(&sound);
        Clock::setFixed(tenOClock);
        answer(false, [&](TfrmReminder &window) {
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTRY_COMPARE(sound.played, QStringList { "beep" });
        });
        f.w().timReminderTimer();
    }

    // The task in the editor shows what the reminder window saved, and the
    // editor stays clean.
    void editorFollowsSavedChoice()
    {
        TEditorWindow f(tasks({ { "due" } }));
        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        QVERIFY(!f.w().actSaveNote->isEnabled());
        Clock::setFixed(tenOClock);
        answer(true, [](TfrmReminder &window) {
            selectRow(window, 0);
            window.dtpDate->setDate(today.addDays(1));
            window.cboReminder->setCurrentIndex(5);
        });
        f.w().timReminderTimer();
        QCOMPARE(f.w().dtpDate->date(), today.addDays(1));
        QCOMPARE(f.w().cboReminder->currentIndex(), 6);
        QVERIFY(!f.w().actSaveNote->isEnabled());
    }

    // Only while the main window is out of sight, and the user wants it, do
    // the tasks of a new reminder window go to the notification centre. (The
    // double records at once what the bus would carry later.)
    void notifiedOnlyOutOfSight_data()
    {
        QTest::addColumn<TMainWindowState>("state");
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<bool>("notified");
        QTest::newRow("hidden in the tray") << TMainWindowState::Hidden << true << true;
        QTest::newRow("minimized") << TMainWindowState::Minimized << true << true;
        QTest::newRow("shown") << TMainWindowState::Shown << true << false;
        QTest::newRow("hidden, switched off") << TMainWindowState::Hidden << false << false;
        QTest::newRow("minimized, switched off") << TMainWindowState::Minimized << false << false;
    }

    void notifiedOnlyOutOfSight()
    {
        QFETCH(TMainWindowState, state);
        QFETCH(bool, wanted);
        QFETCH(bool, notified);
        TFakeDesktopNotifications &centre = TFakeDesktopNotifications::instance();
        centre.shown.clear();
        centre.withdrawals = 0;
        TEditorWindow f(tasks({ { .title = "pay the rent" } }));
        f.w().ReminderNotifications = wanted;
        putMainWindow(f.w(), state);
        Clock::setFixed(tenOClock);
        QList<TShown> *shown = answer(false);
        f.w().timReminderTimer();
        QCOMPARE(shown->size(), 1);
        QStringList summaries;
        for (const auto &notice : centre.shown)
            summaries.append(notice.summary);
        QCOMPARE(summaries, notified ? QStringList { "pay the rent" } : QStringList());
        QCOMPARE(centre.withdrawals, notified ? 1 : 0);
    }

    // On the desktop's notification service: the task's title and deadline,
    // once, with the click on the notification as its default action; the
    // notification goes with the window.
    void desktopNotification_data()
    {
        QTest::addColumn<TMainWindowState>("state");
        QTest::newRow("hidden in the tray") << TMainWindowState::Hidden;
        QTest::newRow("minimized") << TMainWindowState::Minimized;
    }

    void desktopNotification()
    {
        QFETCH(TMainWindowState, state);
        TPrivateNotificationService service;
        const QString started = service.Start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        TBusNotifications bus(service.Client());
        TEditorWindow f(tasks({ { .title = "pay the rent" } }));
        putMainWindow(f.w(), state);
        Clock::setFixed(tenOClock);
        QList<TShown> *shown = answer(false, [&](TfrmReminder &) {
            QTRY_COMPARE_WITH_TIMEOUT(service.notified.size(), 1, 5000);
        });
        f.w().timReminderTimer();
        QCOMPARE(shown->size(), 1);
        QCOMPARE(service.notified.size(), 1);
        const TPrivateNotificationService::TNotify &notify = service.notified.first();
        QCOMPARE(notify.appName, QStringLiteral("Tamsel"));
        QCOMPARE(notify.replacesId, 0u);
        QCOMPARE(notify.summary, QStringLiteral("pay the rent"));
        QCOMPARE(notify.body, QStringLiteral("Due: ") + DayNumber::displayText(day(tenOClock)));
        QVERIFY(notify.actions.contains(QStringLiteral("default")));
        // The window has gone, and its notification with it.
        QTRY_COMPARE_WITH_TIMEOUT(service.closed, QList<uint> { 41 }, 5000);
        const QStringList expected { "pay the rent", "last" };
        QCOMPARE(summariesUpTo(service, bus.centre), expected);
    }

    // Tasks that join the open window come in one notification per check,
    // in place of the one before; a check that brings none tells nothing.
    void joiningTasksReplaceTheNotification()
    {
        TPrivateNotificationService service;
        const QString started = service.Start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        TBusNotifications bus(service.Client());
        TEditorWindow f(tasks({ { "first" }, { .title = "second", .deadline = tenOClock.addSecs(30 * 60) },
            { .title = "third", .deadline = tenOClock.addSecs(30 * 60) } }));
        f.w().hide();
        Clock::setFixed(tenOClock);
        QStringList summaries;
        answer(false, [&](TfrmReminder &) {
            QTRY_COMPARE_WITH_TIMEOUT(service.notified.size(), 1, 5000);
            Clock::setFixed(tenOClock.addSecs(16 * 60));
            f.w().timReminderTimer();
            QTRY_COMPARE_WITH_TIMEOUT(service.notified.size(), 2, 5000);
            f.w().timReminderTimer();
            summaries = summariesUpTo(service, bus.centre);
        });
        f.w().timReminderTimer();
        const QStringList expected { "first", "2 tasks are nearing their deadlines", "last" };
        QCOMPARE(summaries, expected);
        QCOMPARE(service.notified.at(1).replacesId, 41u);
        const QString due = DayNumber::displayText(day(tenOClock.addSecs(30 * 60)));
        QCOMPARE(service.notified.at(1).body,
            QStringLiteral("second (due %1)\nthird (due %1)").arg(due));
    }

    // A click on the notification brings the reminder window up, from under
    // another window or minimized.
    void notificationClickBringsUpTheWindow()
    {
        TPrivateNotificationService service;
        const QString started = service.Start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        TBusNotifications bus(service.Client());
        TEditorWindow f(tasks({ { "due" } }));
        f.w().hide();
        Clock::setFixed(tenOClock);
        bool active = false;
        bool minimized = true;
        answer(false, [&](TfrmReminder &window) {
            QTRY_COMPARE_WITH_TIMEOUT(service.notified.size(), 1, 5000);
            QWidget other;
            other.show();
            window.showMinimized();
            QApplication::setActiveWindow(&other);
            QTRY_VERIFY(QApplication::activeWindow() == &other);
            service.Click(41);
            QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &window, 5000);
            active = true;
            minimized = window.isMinimized();
        });
        f.w().timReminderTimer();
        QVERIFY(active);
        QVERIFY(!minimized);
    }

    // Where the service reads markup in the body, the titles are shown as
    // they are, never taken for markup.
    void notificationBodyIsPlainText()
    {
        TPrivateNotificationService service;
        service.capabilities.append(QStringLiteral("body-markup"));
        const QString started = service.Start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        TBusNotifications bus(service.Client());
        TEditorWindow f(tasks({ { "fish &amp; chips" }, { "&lt;b&gt;bold&lt;/b&gt;" } }));
        f.w().hide();
        Clock::setFixed(tenOClock);
        answer(false, [&](TfrmReminder &) { QTRY_COMPARE_WITH_TIMEOUT(service.notified.size(), 1, 5000); });
        f.w().timReminderTimer();
        const QString due = DayNumber::displayText(day(tenOClock));
        QCOMPARE(service.notified.size(), 1);
        QCOMPARE(service.notified.first().body,
            QStringLiteral("fish &amp; chips (due %1)\n&lt;b&gt;bold&lt;/b&gt; (due %1)").arg(due));
    }

    void reminderNoticeText_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("one task") << QStringList { "one" } << "one" << QStringList { "Due: %1" };
        QTest::newRow("a title of two lines") << QStringList { "two\nlines" } << "two lines" << QStringList { "Due: %1" };
        QTest::newRow("two tasks") << QStringList { "a", "b" } << "2 tasks are nearing their deadlines"
                                   << QStringList { "a (due %1)", "b (due %1)" };
        QTest::newRow("seven tasks") << QStringList { "a", "b", "c", "d", "e", "f", "g" }
                                     << "7 tasks are nearing their deadlines"
                                     << QStringList { "a (due %1)", "b (due %1)", "c (due %1)", "d (due %1)",
                                            "e (due %1)", "and 2 more" };
    }

    void reminderNoticeText()
    {
        QFETCH(QStringList, titles);
        QFETCH(QString, summary);
        QFETCH(QStringList, lines);
        QList<TTask> list;
        for (const QString &title : titles)
            list.append({ .title = title.toUtf8() });
        TEditorWindow f(tasks(list));
        std::vector<TEntry *> entries;
        for (const QString &title : titles)
            entries.push_back(entryTitled(f, title));
        const TReminderNoticeText text = ReminderNoticeText(entries);
        QCOMPARE(text.summary, summary);
        QCOMPARE(text.body, lines.join(QLatin1Char('\n')).arg(DayNumber::displayText(day(tenOClock))));
    }

    // Without a notification service the reminder window comes as ever and
    // nothing is logged; a service that refuses is logged once a run.
    void withoutNotificationService_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<int>("logged");
        QTest::newRow("no bus") << "no bus" << 0;
        QTest::newRow("nobody owns the name") << "none" << 0;
        QTest::newRow("the service refuses") << "refusing" << 1;
    }

    void withoutNotificationService()
    {
        QFETCH(QString, service);
        QFETCH(int, logged);
        TPrivateNotificationService centre;
        centre.refusal = QStringLiteral("no notifications today");
        const QString started = service == "no bus" ? QString() : centre.Start(service == "refusing");
        QVERIFY2(started.isEmpty(), qPrintable(started));
        const QDBusConnection noBus
            = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no bus"));
        const QDBusConnection used = service == "no bus" ? noBus : TPrivateNotificationService::Client();
        TBusNotifications bus(used);
        TEditorWindow f(tasks({ { "due" } }));
        f.w().hide();
        Clock::setFixed(tenOClock);
        QFile::remove(LogFile::path());
        for (int check = 0; check < 2; ++check) {
            // A window closed before the service answers takes its
            // notification with it: the user keeps it open meanwhile.
            QList<TShown> *shown = answer(false, [&](TfrmReminder &) {
                if (logged)
                    QTRY_COMPARE_WITH_TIMEOUT(centre.refused, check + 1, 5000);
            });
            f.w().timReminderTimer();
            QCOMPARE(shown->size(), 1);
            QCOMPARE(shown->first().titles, QStringList { "due" });
            if (logged)
                QTRY_VERIFY_WITH_TIMEOUT(logText().contains("no notifications today"), 5000);
        }
        TPrivateNotificationService::Settle(used);
        QCOMPARE(logText().count("no notifications today"), logged);
        if (!logged)
            QVERIFY2(!logText().contains("notification", Qt::CaseInsensitive), qPrintable(logText()));
        QDBusConnection::disconnectFromBus(QStringLiteral("no bus"));
    }
};


QTEST_MAIN(tst_Reminders)
#include "tst_reminders.moc"
