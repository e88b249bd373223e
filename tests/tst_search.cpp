// Searching entries: the matching rule and the search step over the lists,
// without widgets; then the find bar as the user works it, in its three
// scopes, with its messages, keys and buttons.
#include "diagnostics/MessageDlg.h"
#include "mainwindow/Search.h"
#include "platform/Clock.h"
#include "reminders/LeadTimes.h"
#include "store/LocaleFormat.h"
#include "tests/EditorFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QHeaderView>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

using namespace EditorFixture;

namespace {
QByteArray noteWith(const QByteArray &title, const QByteArray &body, const QByteArray &created)
{
    return "<Note><Title>" + title + "</Title><Text>" + body + "</Text><DateTime>" + created
        + "</DateTime><LastModified>" + created + "</LastModified><NoteType>N</NoteType></Note>";
}

QByteArray taskWith(const QByteArray &title, const QByteArray &body, const QByteArray &created)
{
    QByteArray xml = task(title, created);
    xml.replace(QByteArray(QByteArray("body of ") + title), body);
    return xml;
}

// The entry table and both lists over a document, in document order.
struct TTableFixture {
    TXmlDocument xml;
    TEntryTable table { xml };
    TEntryListModel notes { table, false };
    TEntryListModel tasks { table, true };

    explicit TTableFixture(const QByteArray &body)
    {
        xml.LoadFromMemory(entries(body));
        table.Load(46000.5, [](int lead) -> std::optional<int> {
            if (lead < 0 || lead >= LeadTimes::Count)
                return std::nullopt;
            return LeadTimes::Table[size_t(lead)].minutes;
        });
    }
};

using TAsked = MessageDlgSeam::TAskedDialog;

QList<TAsked> asked() { return MessageDlgSeam::takeAskedDialogs(); }

const QString noMatches = QStringLiteral("No matches were found.");
const QString offer = QStringLiteral("No matches were found.  Search from the top?");

// Types a text key by key, letters beyond ASCII included.
void typeText(QWidget *field, const QString &text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The title of a list's selected row, or an empty text.
QString selectedTitle(QTreeView *list)
{
    const std::optional<TRowProbe> row = selectedRow(list);
    return row ? row->entry->title() : QString();
}
} // namespace

class tst_Search : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(QDateTime(QDate(2026, 3, 10), QTime(9, 0, 5)));
        MessageDlgSeam::takeAskedDialogs();
    }

    void cleanup()
    {
        Clock::clearFixed();
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        MessageDlgSeam::setNextAnswers({});
    }

    // Only the ASCII letters compare without case; blanks are part of the text.
    void matchingRule_data()
    {
        QTest::addColumn<QString>("findText");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("matches");
        QTest::newRow("lower finds upper") << "cat" << "A CAT NAP" << true;
        QTest::newRow("upper finds lower") << "CaT" << "a cat nap" << true;
        QTest::newRow("at the very end") << "nap" << "a cat nap" << true;
        QTest::newRow("after a false start") << "aab" << "aaab" << true;
        QTest::newRow("not there") << "dog" << "a cat nap" << false;
        QTest::newRow("longer than the field") << "cats" << "cat" << false;
        QTest::newRow("leading blank kept") << " cat" << "cat nap" << false;
        QTest::newRow("leading blank found") << " cat" << "a cat" << true;
        QTest::newRow("trailing blank kept") << "cat " << "a cat" << false;
        QTest::newRow("e acute does not find E acute") << "é" << "CAFÉ" << false;
        QTest::newRow("E acute does not find e acute") << "É" << "café" << false;
        QTest::newRow("e acute finds itself") << "é" << "café" << true;
        QTest::newRow("sharp s is no SS") << "ß" << "STRASSE" << false;
        QTest::newRow("brackets are no letters") << "[" << "{" << false;
        QTest::newRow("at sign is no grave accent") << "`" << "@" << false;
        QTest::newRow("empty text matches nothing") << "" << "anything" << false;
        QTest::newRow("empty field") << "a" << "" << false;
    }

    void matchingRule()
    {
        QFETCH(QString, findText);
        QFETCH(QString, field);
        QFETCH(bool, matches);
        QCOMPARE(Search::TTextMatcher(findText).matches(field), matches);
    }

    // Where a step starts in each list, and what it reports when nothing matched.
    void stepOverLists_data()
    {
        QTest::addColumn<QString>("findText");
        QTest::addColumn<int>("noteSelected");
        QTest::addColumn<int>("taskSelected");
        QTest::addColumn<int>("foundList"); // -1: none
        QTest::addColumn<int>("foundRow");
        QTest::addColumn<bool>("matchAbove");
        // Notes, in document order: "red" (body), "green" (title), "red" (title).
        // Task: "red" in its body.
        QTest::newRow("nothing selected") << "red" << -1 << -1 << 0 << 0 << false;
        QTest::newRow("after the selected row") << "red" << 0 << -1 << 0 << 2 << false;
        QTest::newRow("title match") << "green" << -1 << -1 << 0 << 1 << false;
        QTest::newRow("last row selected: on in the next list") << "red" << 2 << -1 << 1 << 0 << false;
        QTest::newRow("a match above the selection") << "green" << 2 << -1 << -1 << -1 << true;
        QTest::newRow("the selected row matches") << "green" << 1 << -1 << -1 << -1 << true;
        QTest::newRow("then the next list") << "paint" << -1 << -1 << 1 << 0 << false;
        QTest::newRow("next list from after its selection") << "paint" << -1 << 0 << -1 << -1 << true;
        QTest::newRow("no match anywhere, both selected") << "blue" << 2 << 0 << -1 << -1 << false;
        QTest::newRow("no match, nothing selected") << "blue" << -1 << -1 << -1 << -1 << false;
        QTest::newRow("empty text") << "" << 2 << 0 << -1 << -1 << false;
    }

    void stepOverLists()
    {
        QFETCH(QString, findText);
        QFETCH(int, noteSelected);
        QFETCH(int, taskSelected);
        QFETCH(int, foundList);
        QFETCH(int, foundRow);
        QFETCH(bool, matchAbove);
        TTableFixture f(noteWith("one", "a red door", "45000.1") + noteWith("Green", "plain", "45000.2")
            + noteWith("RED", "plain", "45000.3") + taskWith("errand", "red paint", "45000.4"));
        const Search::TListState lists[] { { &f.notes, noteSelected }, { &f.tasks, taskSelected } };
        const Search::TListSearch found = Search::FindInLists(lists, findText);
        QCOMPARE(found.matchAbove, matchAbove);
        QCOMPARE(found.match.has_value(), foundList >= 0);
        if (found.match)
            QCOMPARE(found.match->entry, (foundList == 0 ? f.notes : f.tasks).entryAt(foundRow));
    }

    // The step looks among the stored bytes first; only the decoded texts decide.
    void storedFormsDecideNothing_data()
    {
        QTest::addColumn<QByteArray>("storedTitle");
        QTest::addColumn<QByteArray>("storedBody");
        QTest::addColumn<QString>("findText");
        QTest::addColumn<int>("found"); // -1: nothing, 0: the body, 1: the title
        QTest::newRow("entity text is no bracket") << QByteArray("t") << QByteArray("a&amp;lt;b") << "lt;" << -1;
        QTest::newRow("bracket found") << QByteArray("t") << QByteArray("a&amp;lt;b") << "A<B" << 0;
        QTest::newRow("closing bracket found") << QByteArray("t") << QByteArray("x&amp;GT;y") << ">y" << 0;
        QTest::newRow("line break marker is no text") << QByteArray("one^Mtwo") << QByteArray("b") << "^m" << -1;
        QTest::newRow("marker letter not doubled") << QByteArray("t") << QByteArray("line^mbreak") << "e^" << -1;
        QTest::newRow("text beside a marker") << QByteArray("one^Mtwo") << QByteArray("b") << "TWO" << 1;
        QTest::newRow("line break found") << QByteArray("t") << QByteArray("one^Mtwo") << "e\nt" << 0;
        QTest::newRow("letter beyond ASCII") << QByteArray("t") << QByteArray("caf\xc3\xa9") << "FÉ" << -1;
        QTest::newRow("letter beyond ASCII found") << QByteArray("t") << QByteArray("caf\xc3\xa9") << "Fé" << 0;
        QTest::newRow("past sixteen bytes") << QByteArray("t") << QByteArray("0123456789abcdefghijZebra") << "zEBRA" << 0;
        QTest::newRow("at the very end") << QByteArray("t") << QByteArray("0123456789abcdefghij") << "HIJ" << 0;
        QTest::newRow("cut by the end") << QByteArray("t") << QByteArray("0123456789abcdefghij") << "ijk" << -1;
    }

    void storedFormsDecideNothing()
    {
        QFETCH(QByteArray, storedTitle);
        QFETCH(QByteArray, storedBody);
        QFETCH(QString, findText);
        QFETCH(int, found);
        TTableFixture f(noteWith(storedTitle, storedBody, "45000.1"));
        const Search::TListState lists[] { { &f.notes, -1 } };
        const Search::TListSearch result = Search::FindInLists(lists, findText);
        QCOMPARE(result.match.has_value(), found >= 0);
        if (result.match)
            QCOMPARE(result.match->field, found == 0 ? Search::TField::Body : Search::TField::Title);
    }

    // What a step looks among is what the entries hold now, after an edit too.
    void stepFollowsEdits()
    {
        TTableFixture f(noteWith("one", "a red door", "45000.1") + noteWith("two", "plain", "45000.2"));
        const Search::TListState lists[] { { &f.notes, -1 } };
        QCOMPARE(Search::FindInLists(lists, QStringLiteral("red")).match->entry, f.notes.entryAt(0));
        f.table.SaveNote(f.notes.entryAt(0), {QStringLiteral("one"), QStringLiteral("a blue door"), {}}, 45100);
        f.table.SaveNote(f.notes.entryAt(1), {QStringLiteral("green"), QStringLiteral("plain"), {}}, 45100);
        QVERIFY(!Search::FindInLists(lists, QStringLiteral("red")).match);
        QCOMPARE(Search::FindInLists(lists, QStringLiteral("blue")).match->entry, f.notes.entryAt(0));
        const auto title = Search::FindInLists(lists, QStringLiteral("green")).match;
        QVERIFY(title);
        QCOMPARE(title->entry, f.notes.entryAt(1));
        QCOMPARE(title->field, Search::TField::Title);
    }

    // A row whose title and body both hold the text matched in its body.
    void bodyIsTestedBeforeTitle()
    {
        TTableFixture f(noteWith("key title", "the key", "45000.1") + noteWith("key only here", "plain", "45000.2"));
        const Search::TListState lists[] { { &f.notes, -1 } };
        std::optional<Search::TListMatch> match = Search::FindInLists(lists, u"KEY").match;
        QVERIFY(match);
        QCOMPARE(match->entry, f.notes.entryAt(0));
        QCOMPARE(match->field, Search::TField::Body);
        const Search::TListState afterIt[] { { &f.notes, 0 } };
        match = Search::FindInLists(afterIt, u"key").match;
        QVERIFY(match);
        QCOMPARE(match->entry, f.notes.entryAt(1));
        QCOMPARE(match->field, Search::TField::Title);
    }

    // The list of the active tab comes first; the other list only in scope
    // All Entries. A list match brings its tab forward.
    void listsSearchedFromTheActiveTab_data()
    {
        QTest::addColumn<bool>("tasksTab");
        QTest::addColumn<int>("scope");
        QTest::addColumn<bool>("noteMatches");
        QTest::addColumn<bool>("taskMatches");
        QTest::addColumn<QString>("found"); // "note", "task" or empty
        QTest::newRow("tasks tab, all entries") << true << 1 << true << true << "task";
        QTest::newRow("notes tab, all entries") << false << 1 << true << true << "note";
        QTest::newRow("tasks tab, all entries, only a note") << true << 1 << true << false << "note";
        QTest::newRow("notes tab, all entries, only a task") << false << 1 << false << true << "task";
        QTest::newRow("tasks tab, current tab") << true << 2 << true << true << "task";
        QTest::newRow("tasks tab, current tab, only a note") << true << 2 << true << false << "";
        QTest::newRow("notes tab, current tab, only a task") << false << 2 << false << true << "";
        QTest::newRow("stored scope out of range searches all") << true << 7 << true << false << "note";
    }

    void listsSearchedFromTheActiveTab()
    {
        QFETCH(bool, tasksTab);
        QFETCH(int, scope);
        QFETCH(bool, noteMatches);
        QFETCH(bool, taskMatches);
        QFETCH(QString, found);
        TEditorWindow f(entries(noteWith("note", noteMatches ? "a kiwi" : "plain", "45000.1")
            + taskWith("task", taskMatches ? "kiwi jam" : "plain", "45000.2")));
        TfrmMain &w = f.w();
        w.DefaultSearchSetting = scope;
        f.showList(tasksTab ? w.lsvTasks : w.lsvNotes);
        w.edtFind->setText(QStringLiteral("kiwi"));
        if (found.isEmpty())
            MessageDlgSeam::setNextAnswers({ mrOk });
        w.actFind->trigger();

        QCOMPARE(selectedTitle(w.lsvNotes), found == QLatin1String("note") ? QStringLiteral("note") : QString());
        QCOMPARE(selectedTitle(w.lsvTasks), found == QLatin1String("task") ? QStringLiteral("task") : QString());
        const bool tasksShown = found.isEmpty() ? tasksTab : found == QLatin1String("task");
        QCOMPARE(w.pgcData->currentWidget(), tasksShown ? w.tabTasks : w.tabNotes);
        const QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), found.isEmpty() ? 1 : 0);
        if (found.isEmpty()) {
            QCOMPARE(boxes[0].message, noMatches);
            QCOMPARE(boxes[0].type, TMsgDlgType::Information);
            QCOMPARE(boxes[0].buttons, TMsgDlgButtons(mbOK));
        }
    }

    // The rows are searched in the order the list shows them; past the last
    // match the search offers to start again at the top.
    void stepsThroughRowsInDisplayOrder()
    {
        TEditorWindow f(entries(noteWith("old", "lime", "45000.1") + noteWith("plain", "none", "45000.2")
            + noteWith("new", "lime", "45000.3") + noteWith("mid", "lime", "45000.25")));
        TfrmMain &w = f.w();
        w.edtFind->setText(QStringLiteral("LIME"));
        // Newest first, as the lists start.
        QStringList order;
        for (int i = 0; i < 3; ++i) {
            w.actFind->trigger();
            order << selectedTitle(w.lsvNotes);
        }
        QCOMPARE(order, QStringList({ "new", "mid", "old" }));
        QVERIFY(asked().isEmpty());
        MessageDlgSeam::setNextAnswers({ mrYes });
        w.actFind->trigger();
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("new"));
        QCOMPARE(asked().size(), 1);

        // Oldest first after a click on the Created header.
        w.lsvNotesColumnClick(w.lsvNotes, NoteColumn::Created);
        w.lsvNotes->clearSelection();
        w.actFind->trigger();
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("old"));
    }

    // A match far down the list scrolls it into view; the columns the user
    // scrolled to stay where they are.
    void matchScrollsOnlyTheRows_data()
    {
        QTest::addColumn<bool>("fromTasks");
        QTest::newRow("from the notes tab") << false;
        QTest::newRow("from the tasks tab") << true;
    }

    void matchScrollsOnlyTheRows()
    {
        QFETCH(bool, fromTasks);
        QByteArray many;
        for (int i = 0; i < 80; ++i)
            many += noteWith("note " + QByteArray::number(i), i == 0 ? "the quince" : "plain",
                "45000." + QByteArray::number(100 + i));
        TEditorWindow f(entries(many));
        TfrmMain &w = f.w();
        // Columns wider than the list, so that they scroll.
        w.lsvNotes->header()->resizeSection(0, 3 * w.lsvNotes->viewport()->width());
        QScrollBar *columns = w.lsvNotes->horizontalScrollBar();
        QTRY_VERIFY(columns->maximum() > 0);
        columns->setValue(columns->maximum());
        if (fromTasks)
            f.showList(w.lsvTasks);
        w.edtFind->setText(QStringLiteral("quince"));
        w.actFind->trigger();
        // Newest first: the oldest note is the last row.
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("note 0"));
        const QRect shown = w.lsvNotes->viewport()->rect();
        const QRect row = w.lsvNotes->visualRect(w.NotesModel->index(79, 0));
        QVERIFY(row.top() >= 0 && row.bottom() <= shown.bottom());
        QCOMPARE(columns->value(), columns->maximum());
    }

    // The last row selected and the only match in the first row: the offer
    // to search from the top finds it.
    void lastRowSelectedOffersTheTop()
    {
        TEditorWindow f(entries(noteWith("first", "plum", "45000.3") + noteWith("second", "none", "45000.2")
            + noteWith("last", "none", "45000.1")));
        TfrmMain &w = f.w();
        f.click(w.lsvNotes, 2);
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("last"));
        w.edtFind->setText(QStringLiteral("plum"));
        MessageDlgSeam::setNextAnswers({ mrYes });
        w.actFind->trigger();
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("first"));
        const QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].message, offer);
    }

    // All Entries: F3 goes through the matches of the list in view, then on in
    // the other list; once both have no more, the offer to search from the
    // top, which starts again at the top of the list then in view.
    void allEntriesGoesOnInTheOtherList_data()
    {
        QTest::addColumn<bool>("fromTasks");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("from the notes") << false << QStringList { "n new", "n old", "t new", "t old" };
        QTest::newRow("from the tasks") << true << QStringList { "t new", "t old", "n new", "n old" };
    }

    void allEntriesGoesOnInTheOtherList()
    {
        QFETCH(bool, fromTasks);
        QFETCH(QStringList, found);
        // Newest first; the oldest matching note is the last row of its list.
        TEditorWindow f(entries(noteWith("n old", "fig", "45000.1") + noteWith("n plain", "none", "45000.2")
            + noteWith("n new", "fig", "45000.3") + taskWith("t old", "fig jam", "45000.4")
            + taskWith("t plain", "none", "45000.45") + taskWith("t new", "fig tart", "45000.5")));
        TfrmMain &w = f.w();
        w.DefaultSearchSetting = 1;
        f.showList(fromTasks ? w.lsvTasks : w.lsvNotes);
        w.edtFind->setText(QStringLiteral("fig"));
        const auto step = [&w] {
            w.actFind->trigger();
            return selectedTitle(w.pgcData->currentWidget() == w.tabTasks ? w.lsvTasks : w.lsvNotes);
        };
        QStringList shown;
        for (int i = 0; i < found.size(); ++i)
            shown << step();
        QCOMPARE(shown, found);
        QVERIFY(asked().isEmpty());

        // Both lists searched to their ends: the offer; Yes starts at the top
        // of the list in view, which holds the last match.
        MessageDlgSeam::setNextAnswers({ mrYes });
        QCOMPARE(step(), found[2]);
        QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].message, offer);
        QCOMPARE(step(), found[3]);
        QCOMPARE(step(), found[0]);
        QCOMPARE(step(), found[1]);
        QVERIFY(asked().isEmpty());
        // No leaves the last match selected.
        MessageDlgSeam::setNextAnswers({ mrNo });
        QCOMPARE(step(), found[1]);
        QCOMPARE(asked().size(), 1);
    }

    // Without a match: the offer to search from the top when a row the search
    // left out (a selected row or one above it) matches; otherwise the plain
    // message.
    void noMatchMessages_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<QString>("selectNote");
        QTest::addColumn<QString>("selectTask");
        QTest::addColumn<QString>("findText");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("found");
        QTest::newRow("nothing selected")
            << 1 << "" << "" << "nowhere" << QList<int> { mrOk } << QStringList { noMatches } << "";
        QTest::newRow("rows selected, no match anywhere")
            << 1 << "plain" << "chores" << "nowhere" << QList<int> { mrOk } << QStringList { noMatches } << "";
        QTest::newRow("a match above the selection, No")
            << 1 << "plain" << "" << "tart" << QList<int> { mrNo } << QStringList { offer } << "";
        QTest::newRow("a match above the selection, Yes finds it")
            << 1 << "plain" << "" << "tart" << QList<int> { mrYes } << QStringList { offer } << "pear tart";
        QTest::newRow("current tab, the selected row matches, Yes")
            << 2 << "pear tart" << "" << "tart" << QList<int> { mrYes } << QStringList { offer } << "pear tart";
    }

    void noMatchMessages()
    {
        QFETCH(int, scope);
        QFETCH(QString, selectNote);
        QFETCH(QString, selectTask);
        QFETCH(QString, findText);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, messages);
        QFETCH(QString, found);
        // Newest first: "pear tart" above "plain".
        TEditorWindow f(entries(noteWith("plain", "nothing", "45000.1") + noteWith("pear tart", "sweet", "45000.2")
            + taskWith("chores", "none", "45000.3")));
        TfrmMain &w = f.w();
        w.DefaultSearchSetting = scope;
        const auto select = [&](QTreeView *list, const QString &title) {
            for (int row = 0; !title.isEmpty() && row < list->model()->rowCount(); ++row) {
                if (rowAt(list, row)->entry->title() == title)
                    f.click(list, row);
            }
        };
        select(w.lsvNotes, selectNote);
        select(w.lsvTasks, selectTask);
        f.showList(w.lsvNotes);
        w.edtFind->setText(findText);
        MessageDlgSeam::setNextAnswers(answers);
        w.actFind->trigger();

        QStringList shown;
        const QList<TAsked> boxes = asked();
        for (const TAsked &box : boxes) {
            shown << box.message;
            const bool isOffer = box.message == offer;
            QCOMPARE(box.type, isOffer ? TMsgDlgType::Confirmation : TMsgDlgType::Information);
            QCOMPARE(box.buttons, isOffer ? TMsgDlgButtons(mbYes | mbNo) : TMsgDlgButtons(mbOK));
        }
        QCOMPARE(shown, messages);
        const bool yes = !answers.isEmpty() && answers.first() == mrYes;
        QCOMPARE(selectedTitle(w.lsvNotes), found.isEmpty() ? selectNote : found);
        if (yes)
            QCOMPARE(selectedTitle(w.lsvTasks), QString());
    }

    // The reminder check waits while the user answers a box of the search,
    // and runs again afterwards.
    void reminderCheckWaitsForTheAnswer_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("unsavedEntry");
        QTest::newRow("plain message") << 1 << false << false;
        QTest::newRow("offer") << 1 << true << false;
        QTest::newRow("current entry") << 3 << false << false;
        QTest::newRow("save prompt before loading a match") << 1 << false << true;
    }

    void reminderCheckWaitsForTheAnswer()
    {
        QFETCH(int, scope);
        QFETCH(bool, selected);
        QFETCH(bool, unsavedEntry);
        TEditorWindow f(entries(noteWith("ant", "ant", "45000.1")));
        TfrmMain &w = f.w();
        w.DefaultSearchSetting = scope;
        if (selected)
            f.click(w.lsvNotes, 0);
        if (unsavedEntry) {
            w.LoadNotesOnSearch = true;
            w.actNewNote->trigger();
            f.typeTitle(QStringLiteral("new"));
        }
        w.DisplayReminders = true;
        w.ResetTimerState();
        QVERIFY(w.timReminder->isActive());
        QList<bool> runningWhileAsked;
        const auto previous = MessageDlgSeam::setUnansweredHandler([&](const MessageDlgSeam::TAskedDialog &) {
            runningWhileAsked << w.timReminder->isActive();
            return mrCancel;
        });
        w.edtFind->setText(unsavedEntry ? QStringLiteral("ant") : QStringLiteral("bee"));
        w.actFind->trigger();
        MessageDlgSeam::setUnansweredHandler(previous);
        QCOMPARE(runningWhileAsked, QList<bool> { false });
        QVERIFY(w.timReminder->isActive());
    }

    // Blanks around the find text are searched for; letters other than a-z
    // keep their case.
    void findTextIsUsedAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        QTest::newRow("leading blank") << " cat" << "a cat";
        QTest::newRow("trailing blank") << "cat " << "cat nap";
        QTest::newRow("ASCII letters in any case") << "CAT NAP" << "cat nap";
        QTest::newRow("é does not find É") << "é" << "";
        QTest::newRow("É finds itself") << "É" << "CAFÉ";
    }

    void findTextIsUsedAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        TEditorWindow f(entries(noteWith("cat", "cat", "45000.3") + noteWith("a cat", "plain", "45000.2")
            + noteWith("cat nap", "plain", "45000.1") + noteWith("CAFÉ", "plain", "45000.05")));
        TfrmMain &w = f.w();
        w.edtFind->setFocus();
        typeText(w.edtFind, typed);
        QCOMPARE(w.edtFind->text(), typed);
        if (found.isEmpty())
            MessageDlgSeam::setNextAnswers({ mrOk });
        QTest::keyClick(w.edtFind, Qt::Key_Return);
        QCOMPARE(selectedTitle(w.lsvNotes), found);
        QCOMPARE(asked().size(), found.isEmpty() ? 1 : 0);
    }

    // With LoadNotesOnSearch off a match moves only the selection and the
    // tab; with it on, the entry found opens with its text selected.
    void matchOpensTheEntryOnlyWhenAskedTo_data()
    {
        QTest::addColumn<bool>("load");
        QTest::newRow("LoadNotesOnSearch off") << false;
        QTest::newRow("LoadNotesOnSearch on") << true;
    }

    void matchOpensTheEntryOnlyWhenAskedTo()
    {
        QFETCH(bool, load);
        TEditorWindow f(entries(noteWith("in the editor", "plain", "45000.1")
            + taskWith("errand", "buy figs^Mand more figs", "45000.2")));
        TfrmMain &w = f.w();
        w.LoadNotesOnSearch = load;
        f.doubleClick(w.lsvNotes, 0);
        QCOMPARE(w.EditorIndex, 0);
        w.edtFind->setText(QStringLiteral("FIGS"));
        w.actFind->trigger();

        QCOMPARE(w.pgcData->currentWidget(), w.tabTasks);
        QCOMPARE(selectedTitle(w.lsvTasks), QStringLiteral("errand"));
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("in the editor"));
        QCOMPARE(w.EditorIndex, load ? 1 : 0);
        QCOMPARE(w.edtTitle->toPlainText(), load ? QStringLiteral("errand") : QStringLiteral("in the editor"));
        QCOMPARE(w.EditorKind, load ? TEditorKind::Task : TEditorKind::Note);
        QVERIFY(!w.actSaveNote->isEnabled());
        QCOMPARE(w.redNote->textCursor().selectedText(), load ? QStringLiteral("figs") : QString());
        QCOMPARE(w.redNote->textCursor().selectionStart(), load ? 4 : 0);
        QVERIFY(asked().isEmpty());
    }

    // A row whose title and body both hold the text opens with the text
    // selected in the body; a title match selects it in the title.
    void loadedMatchIsSelectedInItsField_data()
    {
        QTest::addColumn<QString>("findText");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("position");
        QTest::newRow("title and body") << "key" << "the key title" << "redNote" << 4;
        QTest::newRow("title only") << "only" << "key only here" << "edtTitle" << 4;
    }

    void loadedMatchIsSelectedInItsField()
    {
        QFETCH(QString, findText);
        QFETCH(QString, title);
        QFETCH(QString, field);
        QFETCH(int, position);
        TEditorWindow f(entries(noteWith("the key title", "the key", "45000.2") + noteWith("key only here", "plain", "45000.1")));
        TfrmMain &w = f.w();
        w.LoadNotesOnSearch = true;
        w.edtFind->setText(findText);
        w.actFind->trigger();
        QCOMPARE(w.edtTitle->toPlainText(), title);
        TRichEditURL *matched = field == QLatin1String("redNote") ? w.redNote : w.edtTitle;
        TRichEditURL *other = matched == w.redNote ? w.edtTitle : w.redNote;
        QCOMPARE(matched->textCursor().selectedText(), findText);
        QCOMPARE(matched->textCursor().selectionStart(), position);
        QVERIFY(!other->textCursor().hasSelection());
        QVERIFY(matched->hasFocus());
    }

    // A match far down the body is scrolled up to where the field's first
    // line shows, also when it lies on a later line of a wrapped paragraph.
    void bodyMatchLineComesToTheTop_data()
    {
        QTest::addColumn<QByteArray>("matchLine");
        QTest::newRow("start of a line") << QByteArray("the needle");
        QTest::newRow("end of a wrapped line") << QByteArray(QByteArray(400, 'x') + " the needle");
    }

    void bodyMatchLineComesToTheTop()
    {
        QFETCH(QByteArray, matchLine);
        QByteArray body;
        for (int line = 0; line < 100; ++line)
            body += (line == 70 ? matchLine : "line " + QByteArray::number(line)) + "^M";
        TEditorWindow f(entries(noteWith("long", body, "45000.1")));
        TfrmMain &w = f.w();
        w.LoadNotesOnSearch = true;
        w.edtFind->setText(QStringLiteral("needle"));
        w.actFind->trigger();
        const QTextCursor match = w.redNote->textCursor();
        QCOMPARE(match.selectedText(), QStringLiteral("needle"));
        QCOMPARE(match.block().blockNumber(), 70);
        QTextCursor matchStart(match);
        matchStart.setPosition(match.selectionStart());
        const qreal margin = w.redNote->document()->documentMargin();
        QVERIFY(w.redNote->verticalScrollBar()->value() > 0);
        QCOMPARE(w.redNote->cursorRect(matchStart).top(), qRound(margin));
    }

    // The save prompt of the entry being written comes first; Yes saves it and
    // then opens the entry found, Cancel opens nothing.
    void unsavedEntryIsOfferedForSavingFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << mrYes;
        QTest::newRow("No") << mrNo;
        QTest::newRow("Cancel") << mrCancel;
    }

    void unsavedEntryIsOfferedForSavingFirst()
    {
        QFETCH(int, answer);
        TEditorWindow f(entries(noteWith("older", "a grape", "45000.1")));
        TfrmMain &w = f.w();
        w.LoadNotesOnSearch = true;
        w.actNewNote->trigger();
        f.typeTitle(QStringLiteral("fresh"));
        QVERIFY(w.actSaveNote->isEnabled());
        w.edtFind->setText(QStringLiteral("grape"));
        MessageDlgSeam::setNextAnswers({ answer });
        w.actFind->trigger();

        const QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].message, QStringLiteral("Save changes to the current entry?"));
        QCOMPARE(w.Entries->count(), answer == mrYes ? 2 : 1);
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("older"));
        QCOMPARE(w.edtTitle->toPlainText(), answer == mrCancel ? QStringLiteral("fresh") : QStringLiteral("older"));
        QCOMPARE(w.actSaveNote->isEnabled(), answer == mrCancel);
        if (answer != mrCancel)
            QCOMPARE(w.redNote->textCursor().selectedText(), QStringLiteral("grape"));
    }

    // Scope Current Entry: the title, then the body, each from the end of its
    // selection; at the end a plain message, without the offer.
    void currentEntryTitleThenBody()
    {
        TEditorWindow f(entries(noteWith("Ant and ant", "an ANT^Mants", "45000.1")));
        TfrmMain &w = f.w();
        f.doubleClick(w.lsvNotes, 0);
        w.DefaultSearchSetting = 3;
        w.edtFind->setText(QStringLiteral("ant"));
        QList<std::pair<QString, int>> steps;
        for (int i = 0; i < 4; ++i) {
            w.actFind->trigger();
            TRichEditURL *focused = w.edtTitle->hasFocus() ? w.edtTitle : w.redNote;
            QVERIFY(focused->hasFocus());
            QCOMPARE(focused->textCursor().selectedText().toLower(), QStringLiteral("ant"));
            steps.append({ focused->objectName(), focused->textCursor().selectionStart() });
        }
        const QList<std::pair<QString, int>> expected { { "edtTitle", 0 }, { "edtTitle", 8 }, { "redNote", 3 },
            { "redNote", 7 } };
        QCOMPARE(steps, expected);
        QVERIFY(asked().isEmpty());

        MessageDlgSeam::setNextAnswers({ mrOk });
        w.actFind->trigger();
        const QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].message, noMatches);
        QCOMPARE(boxes[0].buttons, TMsgDlgButtons(mbOK));
        // The lists are not searched in this scope.
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("Ant and ant"));
    }

    // Enter pressed again and again in the find field goes from match to
    // match; it never replaces a match in the entry with a line break.
    void enterKeepsSearchingFromTheFindField_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<bool>("load");
        QTest::newRow("current entry") << 3 << false;
        QTest::newRow("all entries, loading matches") << 1 << true;
    }

    void enterKeepsSearchingFromTheFindField()
    {
        QFETCH(int, scope);
        QFETCH(bool, load);
        TEditorWindow f(entries(noteWith("first", "one wasp^Mtwo wasps", "45000.2") + noteWith("second", "wasp", "45000.1")));
        TfrmMain &w = f.w();
        f.doubleClick(w.lsvNotes, 0);
        w.DefaultSearchSetting = scope;
        w.LoadNotesOnSearch = load;
        w.edtFind->setFocus();
        QTest::keyClicks(w.edtFind, QStringLiteral("wasp"));
        // Loading, the second Enter goes past the last row: from the top, Yes.
        if (load)
            MessageDlgSeam::setNextAnswers({ mrYes });
        for (int i = 0; i < 2; ++i) {
            // Where the user's key goes.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(w.edtFind->hasFocus());
            QCOMPARE(w.redNote->textCursor().selectedText(), QStringLiteral("wasp"));
        }
        // Loading, the second Enter started again at the first row.
        QCOMPARE(w.redNote->textCursor().selectionStart(), load ? 4 : 13);
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("first"));
        QCOMPARE(w.redNote->toPlainText(), QStringLiteral("one wasp\ntwo wasps"));
        QVERIFY(!w.actSaveNote->isEnabled());
    }

    void currentEntryWithNothingToFind_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("findText");
        QTest::newRow("empty editor") << false << "ant";
        QTest::newRow("empty find text") << true << "";
        QTest::newRow("not in the entry") << true << "bee";
    }

    void currentEntryWithNothingToFind()
    {
        QFETCH(bool, loaded);
        QFETCH(QString, findText);
        TEditorWindow f(entries(noteWith("ant", "ant", "45000.1")));
        TfrmMain &w = f.w();
        if (loaded)
            f.doubleClick(w.lsvNotes, 0);
        w.DefaultSearchSetting = 3;
        w.edtFind->setText(findText);
        MessageDlgSeam::setNextAnswers({ mrOk });
        w.actFind->trigger();
        const QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].message, noMatches);
        QCOMPARE(boxes[0].type, TMsgDlgType::Information);
    }

    // The button waits for a find text that is more than blanks.
    void findButtonFollowsTheText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("blanks") << "   " << false;
        QTest::newRow("a letter") << "a" << true;
        QTest::newRow("a letter among blanks") << " a " << true;
    }

    void findButtonFollowsTheText()
    {
        QFETCH(QString, typed);
        QFETCH(bool, enabled);
        TEditorWindow f(entries(noteWith("ant", "ant", "45000.1")));
        TfrmMain &w = f.w();
        QVERIFY(!w.btnFind->isEnabled());
        w.edtFind->setFocus();
        QTest::keyClicks(w.edtFind, QStringLiteral("typed first"));
        QVERIFY(w.btnFind->isEnabled());
        w.edtFind->selectAll();
        QTest::keyClick(w.edtFind, Qt::Key_Delete);
        QTest::keyClicks(w.edtFind, typed);
        QCOMPARE(w.btnFind->isEnabled(), enabled);
        // The action stays enabled: F3 searches whatever the field holds.
        QVERIFY(w.actFind->isEnabled());
    }

    // F3, Enter in the find field and the find button each run one step;
    // F3 with an empty field finds nothing.
    void everyTriggerRunsOneStep_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("F3") << "F3";
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("button") << "button";
    }

    void everyTriggerRunsOneStep()
    {
        QFETCH(QString, trigger);
        TEditorWindow f(entries(noteWith("first", "olive", "45000.2") + noteWith("second", "olive", "45000.1")));
        TfrmMain &w = f.w();
        const auto run = [&] {
            if (trigger == QLatin1String("F3")) {
                w.redNote->setFocus();
                QTest::keyClick(w.redNote, Qt::Key_F3);
            } else if (trigger == QLatin1String("Enter")) {
                w.edtFind->setFocus();
                QTest::keyClick(w.edtFind, Qt::Key_Enter);
            } else {
                QTest::mouseClick(w.btnFind, Qt::LeftButton);
            }
        };
        w.edtFind->setFocus();
        QTest::keyClicks(w.edtFind, QStringLiteral("olive"));
        run();
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("first"));
        run();
        QCOMPARE(selectedTitle(w.lsvNotes), QStringLiteral("second"));
        QVERIFY(asked().isEmpty());

        if (trigger == QLatin1String("button"))
            return;
        w.edtFind->clear();
        MessageDlgSeam::setNextAnswers({ mrOk });
        run();
        const QList<TAsked> boxes = asked();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].message, noMatches);
    }

    // Ctrl+F (Tools > Find) takes the user to the find field with its text
    // selected, ready to be typed over.
    void startFindFocusesTheField()
    {
        TEditorWindow f(entries(noteWith("ant", "ant", "45000.1")));
        TfrmMain &w = f.w();
        w.edtFind->setText(QStringLiteral("earlier"));
        w.redNote->setFocus();
        QTest::keyClick(w.redNote, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w.edtFind->hasFocus());
        QCOMPARE(w.edtFind->selectedText(), QStringLiteral("earlier"));
        // Again from the field itself, after moving the cursor.
        QTest::keyClick(w.edtFind, Qt::Key_End);
        QTest::keyClick(w.edtFind, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(w.edtFind->selectedText(), QStringLiteral("earlier"));
    }

    // Each scope button sets the scope it names.
    void scopeButtonsSetTheScope_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("scope");
        QTest::newRow("All Entries") << "radAllNotes" << 1;
        QTest::newRow("Current Tab") << "radCurrentTab" << 2;
        QTest::newRow("Current Entry") << "radCurrentNote" << 3;
    }

    void scopeButtonsSetTheScope()
    {
        QFETCH(QString, button);
        QFETCH(int, scope);
        TEditorWindow f(entries(noteWith("ant", "ant", "45000.1")));
        TfrmMain &w = f.w();
        // Start from another scope than the one clicked.
        w.DefaultSearchSetting = scope == 2 ? 3 : 2;
        w.EnableUserControls();
        QTest::mouseClick(w.findChild<QRadioButton *>(button), Qt::LeftButton);
        QCOMPARE(w.DefaultSearchSetting, scope);
        w.EnableUserControls();
        QVERIFY(w.findChild<QRadioButton *>(button)->isChecked());
    }
};

QTEST_MAIN(tst_Search)
#include "tst_search.moc"
