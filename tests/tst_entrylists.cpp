#include "mainwindow/Main.h"
#include "mainwindow/SettingsTable.h"
#include "controls/ListViewEx.h"
#include "controls/EntryListModel.h"
#include "store/EntryTable.h"
#include "controls/RichEditURL.h"
#include "tests/RowProbe.h"
#include "controls/EntryRowDelegate.h"
#include "controls/ImageList.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/LocaleFormat.h"
#include "tests/TestHome.h"
#include "diagnostics/MessageDlg.h"

#include <QAction>
#include <QCollator>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <memory>
#include <sstream>

namespace {
// A main window over an entry document given in the test, stored in a
// private home.
struct Fixture
{
    TestHome home;
    std::unique_ptr<TfrmMain> window = std::make_unique<TfrmMain>();

    explicit Fixture(const QByteArray &xml)
    {
        TfrmMain &w = *window;
        w.HasPassPhrase = true;
        w.PassPhrase = QStringLiteral("list tests");
        w.StoreFilePath = home.storeFile();
        w.FillReminderComboBox(w.cboReminder);
        w.xmlNotes.LoadFromMemory(xml);
        w.StoreAvailable = true;
        w.LoadNotes();
    }
    std::optional<TRowProbe> note(int i) const { return rowAt(window->lsvNotes, i); }
    std::optional<TRowProbe> task(int i) const { return rowAt(window->lsvTasks, i); }
};

QByteArray entries(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes>" + body + "</Notes>";
}

QByteArray note(const QByteArray &title, const QByteArray &created = "45000.5")
{
    return "<Note><Title>" + title + "</Title><Text>body</Text><DateTime>" + created
           + "</DateTime><LastModified>45000.75</LastModified><NoteType>N</NoteType></Note>";
}

QStringList column(QTreeView *list, int subItem)
{
    QStringList texts;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        texts << rowAt(list, i)->subItem(subItem);
    return texts;
}
} // namespace

class tst_EntryLists : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 30)));
    }
    void cleanup() { Clock::clearFixed(); }

    void documentIndexesCountEveryChild()
    {
        Fixture f(entries(note("one") + "<!-- kept -->" + note("two") + note("three")));
        QCOMPARE(column(f.window->lsvNotes, NoteRow::Index), (QStringList{"0", "2", "3"}));
        QCOMPARE(column(f.window->lsvNotes, NoteRow::Title), (QStringList{"one", "two", "three"}));
    }

    void kindDecidesTheList()
    {
        Fixture f(entries("<Note><Title>small n</Title><DateTime>45000</DateTime><NoteType>n</NoteType></Note>"
                          "<Entry><Title>no kind</Title><DateTime>45000</DateTime></Entry>"));
        QCOMPARE(f.window->lsvTasks->model()->rowCount(), 1);
        QCOMPARE(f.task(0)->subItem(TaskRow::Title), QStringLiteral("small n"));
        QCOMPARE(f.window->lsvNotes->model()->rowCount(), 1);
        QCOMPARE(f.note(0)->subItem(NoteRow::Index), QStringLiteral("1"));
    }

    void noteRowLayout()
    {
        Fixture f(entries("<Note><Title>a^Mb</Title><Text>x &amp;lt;y&amp;gt;^Mz</Text><DateTime>45000.5</DateTime>"
                          "<LastModified>45001.25</LastModified><NoteType>N</NoteType>"
                          "<FileName>/tmp/file.txt</FileName></Note>"));
        const auto row = f.note(0);
        QCOMPARE(row->text(0), DayNumber::displayText(45000.5));
        QCOMPARE(row->subItem(NoteRow::Modified), DayNumber::displayText(45001.25));
        QCOMPARE(row->subItem(NoteRow::Title), QStringLiteral("a\nb"));
        QCOMPARE(row->subItem(NoteRow::Text), QStringLiteral("x <y>\nz"));
        QCOMPARE(row->subItem(NoteRow::DateTime), QStringLiteral("45000.5"));
        QCOMPARE(row->subItem(NoteRow::LastModified), QStringLiteral("45001.25"));
        QCOMPARE(row->subItem(NoteRow::FileName), QStringLiteral("/tmp/file.txt"));
    }

    void noteFallbacks()
    {
        Fixture f(entries("<Note><Title>bare</Title><DateTime>45000.5</DateTime><LastModified>soon</LastModified>"
                          "<NoteType>N</NoteType></Note>"));
        const auto row = f.note(0);
        QCOMPARE(row->subItem(NoteRow::Modified), QString());
        QVERIFY(!row->entry->modified);
        QCOMPARE(row->subItem(NoteRow::Text), QString());
        QCOMPARE(row->subItem(NoteRow::FileName), QString());
    }

    void taskFallbacks_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<int>("subItem");
        QTest::addColumn<QString>("expected");
        const QByteArray base = "<Title>t</Title><DateTime>45000.5</DateTime><NoteType>T</NoteType>";
        QTest::newRow("deadline missing") << base << int(TaskRow::Deadline) << "0";
        QTest::newRow("deadline display empty") << base << int(TaskRow::Due) << "";
        QTest::newRow("deadline not a number") << base + "<Deadline>x</Deadline>" << int(TaskRow::Deadline) << "0";
        QTest::newRow("complete missing") << base << int(TaskRow::Complete) << "0";
        QTest::newRow("completed missing") << base << int(TaskRow::DateCompleted) << "0";
        QTest::newRow("completed display empty") << base << int(TaskRow::Completed) << "";
        QTest::newRow("completed text kept") << base + "<DateCompleted>later</DateCompleted>"
                                             << int(TaskRow::DateCompleted) << "later";
        QTest::newRow("completed text not shown") << base + "<DateCompleted>later</DateCompleted>"
                                                  << int(TaskRow::Completed) << "";
        QTest::newRow("reminder missing") << base << int(TaskRow::Reminder) << "";
        QTest::newRow("no reminder date without reminder")
            << base + "<Deadline>45010.5</Deadline>" << int(TaskRow::ReminderDate) << "";
        QTest::newRow("no reminder date without deadline")
            << base + "<Reminder>3</Reminder>" << int(TaskRow::ReminderDate) << "";
        QTest::newRow("computed reminder date")
            << base + "<Deadline>45010.5</Deadline><Reminder>3</Reminder>" << int(TaskRow::ReminderDate)
            << DayNumber::text((45010.5 * 1440 - 10) / 1440);
        QTest::newRow("never is a minute after the deadline")
            << base + "<Deadline>45010.5</Deadline><Reminder>0</Reminder>" << int(TaskRow::ReminderDate)
            << DayNumber::text((45010.5 * 1440 + 1) / 1440);
        QTest::newRow("stored reminder date wins")
            << base + "<Deadline>45010.5</Deadline><Reminder>3</Reminder><ReminderDate>1</ReminderDate>"
            << int(TaskRow::ReminderDate) << "1";
        QTest::newRow("done cell empty") << base << int(TaskRow::Done) << "";
    }
    void taskFallbacks()
    {
        QFETCH(QByteArray, fields);
        QFETCH(int, subItem);
        QFETCH(QString, expected);
        Fixture f(entries("<Note>" + fields + "</Note>"));
        QCOMPARE(f.task(0)->subItem(subItem), expected);
    }

    void completedTaskLoadsChecked()
    {
        const QByteArray xml = entries("<Note><Title>t</Title><DateTime>45000.5</DateTime><Deadline>45001</Deadline>"
                                       "<Complete>1</Complete><DateCompleted>45002.5</DateCompleted>"
                                       "<Reminder>0</Reminder><ReminderDate>46000</ReminderDate><NoteType>T</NoteType></Note>");
        Fixture f(xml);
        QCOMPARE(f.task(0)->checkState(TaskRow::DoneColumn), Qt::Checked);
        QCOMPARE(f.task(0)->subItem(TaskRow::Completed), DayNumber::displayText(45002.5));
        // Loading changes nothing in the document and stores nothing.
        TXmlDocument reference;
        reference.LoadFromMemory(xml);
        QCOMPARE(f.window->xmlNotes.SaveToBytes(), reference.SaveToBytes());
        QVERIFY(!QFile::exists(f.home.storeFile()));
    }

    void legacyCreationDateIsRepairedAndStored()
    {
        Fixture f(entries(note("legacy", "4/6/2006 2:46:32 PM")));
        const double expected = DayNumber::fromDateTime(QDateTime(QDate(2006, 4, 6), QTime(14, 46, 32)));
        QCOMPARE(f.note(0)->text(0), DayNumber::displayText(expected));
        QCOMPARE(f.note(0)->subItem(NoteRow::DateTime), DayNumber::text(expected));
        QCOMPARE(*TXmlDocument::ReadChildValue(f.window->xmlNotes.Root().first_child(), "DateTime"),
                 DayNumber::text(expected));
        f.window->WaitForSaveInFlight();
        QVERIFY(QFile::exists(f.home.storeFile()));
    }

    void unreadableCreationDateBecomesNow()
    {
        Fixture f(entries(note("lost", "sometime")));
        QCOMPARE(f.note(0)->text(0), DayNumber::displayText(DayNumber::fromDateTime(Clock::now())));
        f.window->WaitForSaveInFlight();
        QVERIFY(QFile::exists(f.home.storeFile()));
    }

    // An entry that cannot be shown is left out, said once, and kept in the
    // document as it is; every later entry is shown, bound to its own element,
    // so editing or deleting it never reaches another entry.
    void entryWithoutTitleOrDateIsLeftOut_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::newRow("no title") << QByteArray("<Note><DateTime>45000</DateTime><NoteType>N</NoteType></Note>");
        QTest::newRow("empty title") << QByteArray("<Note><Title/><DateTime>45000</DateTime><NoteType>T</NoteType></Note>");
        QTest::newRow("no creation date") << QByteArray("<Note><Title>dateless</Title><NoteType>N</NoteType></Note>");
    }

    void entryWithoutTitleOrDateIsLeftOut()
    {
        QFETCH(QByteArray, bad);
        MessageDlgSeam::setNextAnswers({mrOk});
        Fixture f(entries(note("first") + bad + note("third", "45000.7")));
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("Entry 2")), qPrintable(told.first()));
        TfrmMain &w = *f.window;
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"first", "third"}));
        QCOMPARE(column(w.lsvNotes, NoteRow::Index), (QStringList{"0", "2"}));
        QCOMPARE(w.TasksModel->rowCount(), 0);

        // Deleting "third" deletes "third".
        w.lsvNotes->setCurrentIndex(w.NotesModel->index(1, 0));
        w.lsvNotesDblClick(w.lsvNotes);
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("third"));
        w.actDeleteNoteExecute();
        QCOMPARE(TXmlDocument::ChildCount(w.xmlNotes.Root()), 2);
        QCOMPARE(TXmlDocument::ChildAt(w.xmlNotes.Root(), 0).child("Title").child_value(), std::string("first"));
        const auto raw = [](pugi::xml_node node) {
            std::ostringstream out;
            node.print(out, "", pugi::format_raw);
            return out.str();
        };
        pugi::xml_document original;
        original.load_string(bad.constData());
        QCOMPARE(raw(TXmlDocument::ChildAt(w.xmlNotes.Root(), 1)), raw(original.first_child()));
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"first"}));
    }

    void emptyRoot()
    {
        Fixture f(entries(""));
        QCOMPARE(f.window->lsvNotes->model()->rowCount(), 0);
        QCOMPARE(f.window->lsvTasks->model()->rowCount(), 0);
        QCOMPARE(f.window->edtTitle->toPlainText(), QString());
        QVERIFY(!f.window->actSaveNote->isEnabled());
        QVERIFY(!f.window->actDeleteNote->isEnabled());
    }

    void sortToggleAndHeaderImages()
    {
        Fixture f(entries(note("b", "45000.1") + note("C", "45000.2") + note("a", "45000.3")));
        TfrmMain &w = *f.window;
        const auto headerImage = [&](int column) { return w.lsvNotes->model()->headerData(column, Qt::Horizontal, Qt::UserRole); };

        w.lsvNotesColumnClick(w.lsvNotes, 2); // toggle 1 -> -1: descending
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"C", "b", "a"}));
        QCOMPARE(w.NoteSortToggle, -1);
        QCOMPARE(headerImage(2).toInt(), ImageList::SortDescending);

        w.lsvNotesColumnClick(w.lsvNotes, 2);
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"a", "b", "C"}));
        QCOMPARE(headerImage(2).toInt(), ImageList::SortAscending);

        // Any column click reverses the direction, and only the clicked header has a mark.
        w.lsvNotesColumnClick(w.lsvNotes, 0);
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"a", "C", "b"}));
        QCOMPARE(headerImage(0).toInt(), ImageList::SortDescending);
        QVERIFY(!headerImage(2).isValid());
        QCOMPARE(w.NoteSortColumn, 0);
        QCOMPARE(w.SortSign, -1);
    }

    void headerClickSorts()
    {
        Fixture f(entries(note("b") + note("a")));
        TfrmMain &w = *f.window;
        // The long text columns take their widths when the list is first shown.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect section(w.lsvNotes->header()->sectionViewportPosition(2), 0,
                            w.lsvNotes->header()->sectionSize(2), w.lsvNotes->header()->height());
        QTest::mouseClick(w.lsvNotes->header()->viewport(), Qt::LeftButton, {}, section.center());
        QCOMPARE(w.NoteSortColumn, 2);
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"b", "a"}));
    }

    void completedColumnSortsByDisplayText()
    {
        // 12/1 sorts before 2/1 as text, though it is the later date.
        Fixture f(entries(
            "<Note><Title>feb</Title><DateTime>45000</DateTime><Complete>1</Complete>"
            "<DateCompleted>" + DayNumber::text(DayNumber::fromDateTime(QDateTime(QDate(2025, 2, 1), QTime(9, 0)))).toUtf8()
            + "</DateCompleted><NoteType>T</NoteType></Note>"
              "<Note><Title>dec</Title><DateTime>45000</DateTime><Complete>1</Complete>"
              "<DateCompleted>" + DayNumber::text(DayNumber::fromDateTime(QDateTime(QDate(2025, 12, 1), QTime(9, 0)))).toUtf8()
            + "</DateCompleted><NoteType>T</NoteType></Note>"));
        TfrmMain &w = *f.window;
        w.lsvTasksColumnClick(w.lsvTasks, 6);
        w.lsvTasksColumnClick(w.lsvTasks, 6); // ascending
        QCOMPARE(column(w.lsvTasks, TaskRow::Title), (QStringList{"dec", "feb"}));
    }

    void compareIsCaseSensitive()
    {
        Fixture f(entries(note("apple") + note("Apple") + note("apple")));
        TfrmMain &w = *f.window;
        w.lsvNotesColumnClick(w.lsvNotes, 2);
        w.lsvNotesColumnClick(w.lsvNotes, 2);
        const QStringList titles = column(w.lsvNotes, NoteRow::Title);
        QCOMPARE(titles.count(QStringLiteral("apple")), 2);
        QVERIFY(titles.at(0) == titles.at(1) || titles.at(1) == titles.at(2)); // equal texts stay together
    }

    // A row is one line high and shows a body's lines side by side, whatever
    // the first row's body holds (the list sizes every row like the first).
    void rowsAreOneLineHigh()
    {
        Fixture f(entries("<Note><Title>lines</Title><Text>one^Mtwo^Mthree^Mfour</Text><DateTime>45000.5</DateTime>"
                          "<NoteType>N</NoteType></Note>"
                          + note("plain")));
        TfrmMain &w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int lineHeight = QFontMetrics(w.lsvNotes->font()).height();
        QVERIFY(w.lsvNotes->visualRect(f.note(0)->index()).height() < 2 * lineHeight);

        QStyleOptionViewItem option;
        option.initFrom(w.lsvNotes);
        const QModelIndex body = w.lsvNotes->model()->index(0, NoteRow::Text + 1);
        QVERIFY(w.lsvNotes->itemDelegate()->sizeHint(option, body).height() < 2 * lineHeight);
        QCOMPARE(column(w.lsvNotes, NoteRow::Text).first(), QStringLiteral("one\ntwo\nthree\nfour")); // kept as stored
    }

    // A cell being drawn gets the start of a long text and an ellipsis, never
    // half a surrogate pair; measuring sees the whole text on one line.
    void cellTextIsCutToWhatCanShow()
    {
        struct Probe : TEntryRowDelegate
        {
            Probe() : TEntryRowDelegate(NoDoneColumn) {}
            using TEntryRowDelegate::initStyleOption;
        } delegate;
        QStandardItemModel list(1, 1);
        auto *row = list.item(0, 0) ? list.item(0, 0) : new QStandardItem;
        list.setItem(0, 0, row);
        const QModelIndex cell = list.index(0, 0);
        const auto shown = [&](int width) {
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, width, 16);
            delegate.initStyleOption(&option, cell);
            return option.text;
        };

        const QString body = QStringLiteral("first\nsecond ") + QString(500, QLatin1Char('x'));
        row->setText(body);
        QCOMPARE(shown(0), QStringLiteral("first second ") + QString(500, QLatin1Char('x')));
        const QString cut = shown(100);
        QCOMPARE(cut, QStringLiteral("first second ") + QString(38, QLatin1Char('x')) + QChar(0x2026));

        row->setText(QString(50, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600\U0001F600"));
        QCOMPARE(shown(100), QString(50, QLatin1Char('a')) + QChar(0x2026));
        row->setText(QStringLiteral("short"));
        QCOMPARE(shown(100), QStringLiteral("short"));
    }

    // Date columns sort by the day numbers' values, whatever their digits or
    // decimal separator; a date that cannot be read sorts as 0. Equal dates
    // keep their order in both directions.
    void datesSortByValue()
    {
        const QList<QByteArray> modified{"45000.5", "", "9.25", "10", "45000,25", "10", "x", "100000.5"};
        QByteArray body;
        for (int i = 0; i < modified.size(); ++i)
            body += "<Note><Title>" + QByteArray::number(i) + "</Title><DateTime>45000</DateTime><LastModified>"
                    + modified.at(i) + "</LastModified><NoteType>N</NoteType></Note>";
        Fixture f(entries(body));
        TfrmMain &w = *f.window;
        w.lsvNotesColumnClick(w.lsvNotes, 1); // descending
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"7", "0", "4", "3", "5", "2", "1", "6"}));
        w.lsvNotesColumnClick(w.lsvNotes, 1); // ascending
        QCOMPARE(column(w.lsvNotes, NoteRow::Title), (QStringList{"1", "6", "2", "3", "5", "4", "0", "7"}));
    }

    // At the first start every date column is wide enough for the locale's
    // date and time texts, which the designed 100 pixels cut.
    void dateColumnsFitTheLocalesTexts_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("British") << QLocale(QLocale::English, QLocale::UnitedKingdom);
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    }

    void dateColumnsFitTheLocalesTexts()
    {
        QFETCH(QLocale, locale);
        SetLocaleFormat(TLocaleFormat::fromLocale(locale));
        Fixture f(entries(note("n", "46364.8742824074")
                          + "<Note><Title>t</Title><DateTime>46364.8742824074</DateTime>"
                            "<LastModified>46364.8742824074</LastModified><Deadline>46364.8742824074</Deadline>"
                            "<Complete>1</Complete><DateCompleted>46364.8742824074</DateCompleted>"
                            "<Reminder>0</Reminder><NoteType>T</NoteType></Note>"));
        TfrmMain &w = *f.window;
        w.FitDateColumns();
        w.resize(1600, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (QTreeView *list : {static_cast<QTreeView *>(w.lsvTasks), w.lsvNotes}) {
            const QList<int> dates = list == w.lsvNotes ? QList<int>{0, 1} : QList<int>{0, 1, 2, 6};
            for (int column : dates) {
                const QModelIndex cell = list->model()->index(0, column);
                const QString text = cell.data().toString();
                QVERIFY(!text.isEmpty());
                QStyleOptionViewItem option;
                option.initFrom(list);
                // As the list draws its cells: with room for a row's file icon.
                const int icon = list->style()->pixelMetric(QStyle::PM_SmallIconSize, &option, list);
                option.decorationSize = QSize(icon, icon);
                const int needed = list->itemDelegate()->sizeHint(option, cell).width();
                QVERIFY2(list->columnWidth(column) >= needed,
                         qPrintable(QStringLiteral("%1 column %2: %3 < %4 for %5")
                                        .arg(list->objectName()).arg(column).arg(list->columnWidth(column)).arg(needed).arg(text)));
            }
        }
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    }

    // The sort the program ends with is the sort the next start shows: the
    // stored settings replayed as one column click give the same rows, in
    // the same direction, with the same header mark.
    void storedSortReplaysAsClicked_data()
    {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<int>("clicks");
        QTest::newRow("title ascending") << 2 << 2;
        QTest::newRow("title descending") << 2 << 1;
        QTest::newRow("modified descending") << 1 << 3;
        QTest::newRow("created ascending") << 0 << 2;
    }

    void storedSortReplaysAsClicked()
    {
        QFETCH(int, sortColumn);
        QFETCH(int, clicks);
        const QByteArray xml = entries(note("b", "45000.3") + note("a", "45000.1") + note("C", "45000.2")
                                       + note("a", "45000.4"));
        Fixture before(xml);
        TfrmMain &w = *before.window;
        for (int i = 0; i < clicks; ++i)
            w.lsvNotesColumnClick(w.lsvNotes, sortColumn);

        Fixture after(xml);
        TfrmMain &next = *after.window;
        for (const TSetting &setting : SettingsReadOrder()) {
            if (setting.name == QLatin1String("NoteSortToggle") || setting.name == QLatin1String("NoteSortColumn"))
                setting.load(next, setting.save(w));
        }
        next.lsvNotesColumnClick(next.lsvNotes, next.NoteSortColumn);

        QCOMPARE(column(next.lsvNotes, NoteRow::DateTime), column(w.lsvNotes, NoteRow::DateTime));
        QCOMPARE(next.NotesModel->sortImageColumn(), sortColumn);
        QCOMPARE(next.lsvNotes->model()->headerData(sortColumn, Qt::Horizontal, Qt::UserRole),
                 w.lsvNotes->model()->headerData(sortColumn, Qt::Horizontal, Qt::UserRole));
        QCOMPARE(next.NoteSortToggle, w.NoteSortToggle);
    }

    // The title sort keeps its collation keys and ranks between clicks: what
    // changes a title, the rows of a list or the collation is sorted anew.
    void titleSortFollowsChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("title edited") << "edit" << QStringList{"a", "ä", "b", "d"};
        QTest::newRow("entry deleted, another added") << "replace" << QStringList{"a", "ä", "c", "d"};
        QTest::newRow("task saved as a note") << "kind" << QStringList{"a", "ä", "b", "c", "d"};
        QTest::newRow("another locale") << "locale" << QStringList{"b", "c", "d", "ä"};
    }

    void titleSortFollowsChanges()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, sorted);
        Fixture f(entries(note("c", "45000.1") + note("ä", "45000.2") + note("b", "45000.3") + note("d", "45000.4")
                          + "<Note><Title>t</Title><DateTime>45000.5</DateTime><LastModified>45000.5</LastModified>"
                            "<Deadline>45001</Deadline><Reminder>0</Reminder><NoteType>T</NoteType></Note>"));
        TfrmMain &w = *f.window;
        TEntryListModel &notes = *w.NotesModel;
        const auto titles = [&] {
            QStringList texts;
            for (int row = 0; row < notes.rowCount(); ++row)
                texts << notes.index(row, NoteColumn::Title).data().toString();
            return texts;
        };
        const auto noteTitled = [&](const QString &title) {
            for (int row = 0; row < notes.rowCount(); ++row)
                if (notes.entryAt(row)->title() == title)
                    return notes.entryAt(row);
            return static_cast<TEntry *>(nullptr);
        };
        notes.sortRows(NoteColumn::Title, Qt::DescendingOrder);
        notes.sortRows(NoteColumn::Title, Qt::AscendingOrder);
        QCOMPARE(titles(), (QStringList{"ä", "b", "c", "d"}));

        if (change == QLatin1String("edit")) {
            w.Entries->SaveNote(noteTitled(QStringLiteral("c")), {QStringLiteral("a"), {}, {}}, 45100);
        } else if (change == QLatin1String("replace")) {
            // The new entry may well take the deleted one's memory.
            QVERIFY(w.Entries->Delete(noteTitled(QStringLiteral("b"))));
            w.Entries->SaveNote(nullptr, {QStringLiteral("a"), {}, {}}, 45100);
        } else if (change == QLatin1String("kind")) {
            w.Entries->SaveNote(w.TasksModel->entryAt(0), {QStringLiteral("a"), {}, {}}, 45100);
        } else {
            SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::Swedish, QLocale::Sweden)));
        }
        notes.sortRows(NoteColumn::Title, Qt::AscendingOrder);
        QCOMPARE(titles(), sorted);
    }

    // Sorting moves the selected row without telling the selection handlers,
    // and rows with equal texts keep their order in both directions.
    void sortKeepsSelectionQuietlyAndTiesInOrder()
    {
        Fixture f(entries(note("same", "45000.1") + note("z", "45000.2") + note("same", "45000.3")
                          + note("a", "45000.4") + note("same", "45000.5")));
        TfrmMain &w = *f.window;
        const auto creations = [&] { return column(w.lsvNotes, NoteRow::DateTime); };
        const TEntry *selected = w.NotesModel->entryAt(2);
        w.lsvNotes->setCurrentIndex(w.NotesModel->index(2, 0));
        QSignalSpy selectionChanges(w.lsvNotes->selectionModel(), &QItemSelectionModel::selectionChanged);

        w.lsvNotesColumnClick(w.lsvNotes, 2); // descending
        QCOMPARE(creations(), (QStringList{"45000.2", "45000.1", "45000.3", "45000.5", "45000.4"}));
        w.lsvNotesColumnClick(w.lsvNotes, 2); // ascending
        QCOMPARE(creations(), (QStringList{"45000.4", "45000.1", "45000.3", "45000.5", "45000.2"}));

        QCOMPARE(w.NotesModel->entryAt(w.lsvNotes->currentIndex().row()), selected);
        QCOMPARE(selectedRow(w.lsvNotes)->entry, selected);
        QCOMPARE(selectionChanges.count(), 0);
    }
};

QTEST_MAIN(tst_EntryLists)
#include "tst_entrylists.moc"
