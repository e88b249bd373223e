// Two writers on one store: a second copy of the program, a sync client or a
// restored backup changing the store while the program runs.
#include "tests/EditorFixture.h"
#include "tests/HeldWrites.h"
#include "tests/TestFiles.h"

#include "diagnostics/MessageDlg.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/StoreFile.h"

#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimer>
#include <utime.h>

using namespace EditorFixture;

namespace {
const QString phrase = QStringLiteral("fixture phrase");

// A test function that hangs (a loop that never ends, a modal window nobody
// closes) fails after a minute, naming itself, instead of holding the run
// until the test program is killed. Read by the test library when it starts.
const bool functionTimeoutSet = [] {
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "60000");
    return true;
}();

// Every write of the store fails for a full disk until the returned guard
// ends, also when the test returns early.
auto diskFullWhileInScope()
{
    const AtomicFile::TFaultFunction sound
        = AtomicFile::SetFault([](AtomicFile::TStep step) { return step == AtomicFile::TStep::Write ? ENOSPC : 0; });
    return qScopeGuard([sound] { AtomicFile::SetFault(sound); });
}

// Title to body (" [done]" after a completed task's): what the store holds.
using TContents = QMap<QString, QString>;

QString describe(const TEntry &entry)
{
    return entry.body() + (entry.task && entry.complete ? QStringLiteral(" [done]") : QString());
}

// An entry's title, or its creation display text and title where one
// title may be on two entries.
QString nameOf(const TEntry &entry, bool withCreation)
{
    return withCreation ? entry.caption() + QStringLiteral(" | ") + entry.title() : entry.title();
}

// The store as another reader sees it.
struct TStoreReader {
    TXmlDocument document;
    TEntryTable table { document };
    explicit TStoreReader(const QString &storeFile)
    {
        StoreFile::OpenStoreWithPassPhrase(storeFile, phrase, document);
        table.Load(45000, [](int) { return std::optional<int>(0); });
    }
};

// Every entry of the store as another reader sees it; a name twice fails.
TContents storeContents(const QString &storeFile, QStringList *duplicates, bool withCreation = false)
{
    const TStoreReader store(storeFile);
    TContents contents;
    for (int i = 0; i < store.table.count(); ++i) {
        const TEntry &entry = *store.table.at(i);
        if (contents.contains(nameOf(entry, withCreation)))
            duplicates->append(nameOf(entry, withCreation));
        contents.insert(nameOf(entry, withCreation), describe(entry));
    }
    return contents;
}

TContents tableContents(const TEntryTable &table, bool withCreation = false)
{
    TContents contents;
    for (int i = 0; i < table.count(); ++i)
        contents.insert(nameOf(*table.at(i), withCreation), describe(*table.at(i)));
    return contents;
}

// The name and contents of a kept version of an entry the other program
// changed too, kept at `at`.
QString changedElsewhereName(const QString &title, double at)
{
    return DayNumber::displayText(at) + QStringLiteral(" | ") + title + QStringLiteral(" (changed elsewhere)");
}

// Writes a store of the given entries under the passphrase, by rename, as a
// sync client or a restored backup replaces it.
void replaceStore(const QString &storeFile, const QByteArray &entryXml, const QString &passPhrase = phrase)
{
    TXmlDocument document;
    document.LoadFromMemory(entries(entryXml));
    StoreFile::SaveStore(storeFile, StoreFile::PassPhraseBytes(passPhrase), document);
}

// Answers the notice that the entries were read again, counting it; every
// other box goes to the handler that was there.
class TReloadNotices
{
public:
    TReloadNotices()
    {
        m_previous = MessageDlgSeam::setUnansweredHandler([this](const MessageDlgSeam::TAskedDialog &dialog) {
            if (!dialog.message.startsWith(QStringLiteral("Another program changed your entries")))
                return m_previous(dialog);
            ++m_count;
            return int(mrOk);
        });
    }
    ~TReloadNotices() { MessageDlgSeam::setUnansweredHandler(m_previous); }
    int count() const { return m_count; }

private:
    MessageDlgSeam::TUnansweredHandler m_previous;
    int m_count = 0;
};

} // namespace

class TestStoreChanges : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(QDate(2026, 3, 1), QTime(9, 0))); }
    void cleanup()
    {
        Clock::setFixed({});
        const bool unasked = !MessageDlgSeam::hasPendingAnswers();
        MessageDlgSeam::setNextAnswers({});
        QVERIFY(unasked);
    }

    // Two copies take turns for 100 rounds, adding, editing, completing and
    // deleting entries, each acting on its lists as they last were (at times
    // after the folder watcher has read the store again). The store ends
    // with exactly the entries a single writer of all the changes would have
    // left: an entry edited in one copy after the other deleted it is kept as
    // a new entry, an entry changed in one copy after the other changed it
    // keeps the change with the other's version kept beside it, and nothing
    // is lost or doubled. Entries are named by creation time and title, as
    // a kept version shares its title with any other kept of that entry.
    void twoCopiesKeepEveryEntry()
    {
        TEditorWindow first(entries(note("start", "45000.5")));
        QVERIFY(first.w().EncryptXMLFile());
        const QString storeFile = first.home.storeFile();
        std::unique_ptr<TfrmMain> second = openMainWindow(storeFile);
        TfrmMain *copies[] = { &first.w(), second.get() };
        TReloadNotices notices;

        TContents expected { { DayNumber::displayText(45000.5) + QStringLiteral(" | start"),
            QStringLiteral("body of start") } };
        int changedOnBothSides = 0;
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        QDateTime now = Clock::now();
        for (int round = 0; round < 100; ++round) {
            now = now.addSecs(61);
            Clock::setFixed(now);
            TfrmMain &w = *copies[round % 2];
            TEntryTable &table = *w.Entries;
            if (random.bounded(3) == 0)
                table.Refresh();
            const double at = DayNumber::fromDateTime(now);
            int action = table.count() == 0 ? 0 : int(random.bounded(4));
            TEntry *target = table.count() ? table.at(int(random.bounded(table.count()))) : nullptr;
            if (action == 2 && !target->task)
                action = 1;
            const QString name = QStringLiteral("round %1").arg(round);
            const QString newName = DayNumber::displayText(at) + QStringLiteral(" | ") + name;
            // The store's version of the target, when it is not the one this
            // copy last read or wrote: it is kept beside the change.
            QString targetName;
            if (action != 0) {
                targetName = nameOf(*target, true);
                const TStoreReader store(storeFile);
                const TEntry *stored = store.table.Find(TEntryTable::KeyOf(target));
                if (stored && TXmlDocument::NodeBytes(stored->element) != TXmlDocument::NodeBytes(target->element)) {
                    expected.insert(changedElsewhereName(target->title(), at), describe(*stored));
                    ++changedOnBothSides;
                }
            }
            switch (action) {
            case 0: {
                const QString body = name + QStringLiteral(" body");
                TTaskFields task;
                task.title = name;
                task.body = body;
                task.deadline = at + 1;
                task.reminderDate = at + 1;
                const TEntryWrite write = round % 4 == 0 ? table.SaveTask(nullptr, task, at)
                                                         : table.SaveNote(nullptr, { name, body, {} }, at);
                QVERIFY(write.stored);
                expected.insert(newName, body);
                break;
            }
            case 1: {
                // A note edited from the editor of its copy; gone from the
                // store, it comes back as a new note.
                const QString caption = target->caption();
                QVERIFY(table.SaveNote(target, { name, QStringLiteral("edited in ") + name, {} }, at).stored);
                const QString editedName = expected.remove(targetName)
                    ? caption + QStringLiteral(" | ") + name
                    : newName;
                expected.insert(editedName, QStringLiteral("edited in ") + name);
                break;
            }
            case 2: {
                const TEntryWrite write = table.SetComplete(target, true, at);
                QVERIFY(write.stored);
                // An entry the other copy deleted has nothing left to
                // complete once the store is read again.
                if (expected.contains(targetName)) {
                    QVERIFY(write.entry);
                    if (!expected[targetName].endsWith(QStringLiteral(" [done]")))
                        expected[targetName] += QStringLiteral(" [done]");
                }
                break;
            }
            case 3: {
                QVERIFY(table.Delete(target));
                expected.remove(targetName);
                break;
            }
            }
            w.WaitForSaveInFlight();
            QStringList duplicates;
            const TContents stored = storeContents(storeFile, &duplicates, true);
            QVERIFY2(duplicates.isEmpty(), qPrintable(duplicates.join(QLatin1Char(','))));
            QCOMPARE(stored, expected);
            QCOMPARE(tableContents(table, true), expected);
            if (QTest::currentTestFailed())
                return;
            QCoreApplication::processEvents();
        }
        for (TfrmMain *copy : copies) {
            copy->Entries->Refresh();
            QCOMPARE(tableContents(*copy->Entries, true), expected);
        }
        qInfo("entries changed on both sides: %d", changedOnBothSides);
        QCoreApplication::processEvents();
        // The copies changed the store under each other all along.
        QVERIFY(notices.count() > 0);
    }

    // A sync client or a restored backup put another store in place: the
    // next save reads it, makes the change on it, and says so once.
    void replacedStoreIsReadAgainBeforeASave()
    {
        TEditorWindow window(entries(note("ours", "45000.5")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        replaceStore(window.home.storeFile(), note("ours", "45000.5") + note("from the backup", "45001.5"));

        w.lsvNotes->setCurrentIndex(w.NotesModel->index(0, 0));
        w.lsvNotesDblClick(w.lsvNotes);
        window.typeTitle(QStringLiteral("ours, edited"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(w.SaveNote());
        QTRY_VERIFY(!MessageDlgSeam::hasPendingAnswers());
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY(told.first().contains(QStringLiteral("Another program changed your entries")));

        QStringList duplicates;
        const TContents stored = storeContents(window.home.storeFile(), &duplicates);
        QCOMPARE(stored.keys(), QStringList({ QStringLiteral("from the backup"), QStringLiteral("ours, edited") }));
        QVERIFY(duplicates.isEmpty());
        // The editor stays on the saved entry of the rebuilt lists.
        QVERIFY(w.EditorEntry());
        QCOMPARE(w.EditorEntry()->title(), QStringLiteral("ours, edited"));
        QCOMPARE(w.NotesModel->rowCount(), 2);
    }

    // What replaced the store does not open with the passphrase in use (or is
    // no store at all): it is never overwritten, the user is told, and the
    // editor keeps the text.
    void unreadableReplacementIsNeverOverwritten_data()
    {
        QTest::addColumn<bool>("otherPassPhrase");
        QTest::newRow("store under another passphrase") << true;
        QTest::newRow("not a store") << false;
    }
    void unreadableReplacementIsNeverOverwritten()
    {
        QFETCH(bool, otherPassPhrase);
        TEditorWindow window(entries(note("ours", "45000.5")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString storeFile = window.home.storeFile();
        if (otherPassPhrase) {
            replaceStore(storeFile, note("someone else's", "45001.5"), QStringLiteral("another phrase"));
        } else {
            QFile file(storeFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not an entry store at all");
        }
        const QByteArray replacement = readFile(storeFile);

        w.lsvNotes->setCurrentIndex(w.NotesModel->index(0, 0));
        w.lsvNotesDblClick(w.lsvNotes);
        window.typeTitle(QStringLiteral("typed here"));
        // Told that the file cannot be opened, then that the save failed.
        MessageDlgSeam::setNextAnswers({ mrOk, mrOk });
        QVERIFY(w.SaveNote());
        w.WaitForSaveInFlight();
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 2);
        QVERIFY2(told.first().contains(QStringLiteral("Another program has replaced your entries")), qPrintable(told.first()));
        QVERIFY(told.last().contains(QStringLiteral("NOT saved")));
        QCOMPARE(readFile(storeFile), replacement);
        QCOMPARE(w.edtTitle->fieldText(), QStringLiteral("typed here"));
        QVERIFY(w.actSaveNote->isEnabled());

        // Later changes are not written over it either, and say so.
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(!w.SaveNote());
        QCOMPARE(MessageDlgSeam::takeAskedMessages().size(), 1);
        QCOMPARE(readFile(storeFile), replacement);
    }

    // The folder watcher reads a store changed outside while nothing is
    // pending: the lists follow, the selection and the editor's entry stay,
    // and text typed in the editor (not saved yet) is kept and then saved
    // to its entry. The program's own writes are no change.
    void watcherReadsOutsideChangesAndKeepsTheEditor()
    {
        TEditorWindow window(entries(note("alpha", "45000.5") + note("beta", "45000.6")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString storeFile = window.home.storeFile();
        w.WatchStore();
        QSignalSpy reloads(w.Entries, &TEntryTable::reloaded);
        QSignalSpy pauses(w.StoreWatchTimer, &QTimer::timeout);

        w.lsvNotes->setCurrentIndex(w.NotesModel->indexOf(w.Entries->byDocumentIndex(1)));
        w.lsvNotesDblClick(w.lsvNotes);
        w.redNote->moveCursor(QTextCursor::End);
        window.typeBody(QStringLiteral(" and more"));
        QVERIFY(w.actSaveNote->isEnabled());

        // Our own save: the watcher hears it, and nothing is read again.
        QVERIFY(w.Entries->SetComplete(w.Entries->byDocumentIndex(0), false, 46000).stored);
        QTRY_VERIFY(pauses.count() >= 1);
        QCOMPARE(reloads.count(), 0);

        // Another copy adds an entry before ours and deletes none.
        replaceStore(storeFile, note("new outside", "45000.4") + note("alpha", "45000.5") + note("beta", "45000.6"));
        QTRY_COMPARE(reloads.count(), 1);
        QCOMPARE(reloads.first().first().toBool(), false);
        QCOMPARE(w.NotesModel->rowCount(), 3);
        QCOMPARE(w.SelectedEntry(w.lsvNotes)->title(), QStringLiteral("beta"));
        QCOMPARE(w.EditorEntry()->title(), QStringLiteral("beta"));
        QCOMPARE(w.redNote->toPlainText(), QStringLiteral("body of beta and more"));
        QVERIFY(w.actSaveNote->isEnabled());

        QVERIFY(w.SaveNote());
        w.WaitForSaveInFlight();
        QStringList duplicates;
        const TContents stored = storeContents(storeFile, &duplicates);
        QCOMPARE(stored.value(QStringLiteral("beta")), QStringLiteral("body of beta and more"));
        QCOMPARE(stored.size(), 3);
        // Quiet: nothing of ours had to be made again.
        QVERIFY(MessageDlgSeam::takeAskedMessages().isEmpty());
    }

    // A store touched or copied back with the same bytes is no change.
    void sameBytesAreNoChange()
    {
        TEditorWindow window(entries(note("alpha", "45000.5")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString storeFile = window.home.storeFile();
        const QByteArray bytes = readFile(storeFile);
        QVERIFY(QFile::remove(storeFile));
        QFile copy(storeFile);
        QVERIFY(copy.open(QIODevice::WriteOnly));
        QCOMPARE(copy.write(bytes), bytes.size());
        copy.close();
        QVERIFY(::utime(QFile::encodeName(storeFile).constData(), nullptr) == 0);
        QVERIFY(!w.Entries->Refresh());
        QVERIFY(w.Entries->SetComplete(w.Entries->at(0), false, 46000).stored);
        w.WaitForSaveInFlight();
        QVERIFY(MessageDlgSeam::takeAskedMessages().isEmpty());
        QVERIFY(!w.Entries->Unstored());
    }

    // Changes kept in memory without a write (the reminder window's choices,
    // stored together; a write that failed on a full disk) are made again on
    // the store another program wrote meanwhile, once the write succeeds.
    void changesNotYetStoredAreMadeAgain_data()
    {
        QTest::addColumn<bool>("failedWrite");
        QTest::newRow("changes stored together") << false;
        QTest::newRow("after a failed write") << true;
    }
    void changesNotYetStoredAreMadeAgain()
    {
        QFETCH(bool, failedWrite);
        TEditorWindow window(entries(task("one", "45000.5") + task("two", "45000.6") + task("gone", "45000.7")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        TEntryTable &table = *w.Entries;
        if (failedWrite) {
            {
                const auto diskFull = diskFullWhileInScope();
                MessageDlgSeam::setNextAnswers({ mrOk });
                QVERIFY(table.SetComplete(table.at(0), true, 46000).stored);
                w.WaitForSaveInFlight();
            }
            QVERIFY(table.Unstored());
            QVERIFY(table.SetComplete(table.at(2), true, 46000, false).stored);
        } else {
            QVERIFY(table.SetComplete(table.at(0), true, 46000, false).stored);
            QVERIFY(table.SetComplete(table.at(2), true, 46000, false).stored);
        }
        // Another copy deleted "gone" and added one.
        replaceStore(window.home.storeFile(),
            task("one", "45000.5") + task("two", "45000.6") + note("added outside", "45000.8"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(table.Store());
        QTRY_VERIFY(!MessageDlgSeam::hasPendingAnswers());
        w.WaitForSaveInFlight();
        MessageDlgSeam::takeAskedMessages();

        QStringList duplicates;
        const TContents stored = storeContents(window.home.storeFile(), &duplicates);
        const TContents expected { { QStringLiteral("one"), QStringLiteral("body of one [done]") },
            { QStringLiteral("two"), QStringLiteral("body of two") },
            { QStringLiteral("added outside"), QStringLiteral("body of added outside") } };
        QCOMPARE(stored, expected);
        QCOMPARE(tableContents(table), expected);
    }

    // A change kept in memory after a failed write is made again on the
    // store another program wrote meanwhile, and written, as soon as the
    // folder watcher reads that store: it does not wait for the user's next
    // change.
    void changeNotStoredIsWrittenWhenTheWatcherReadsTheStore()
    {
        TEditorWindow window(entries(task("one", "45000.5") + task("two", "45000.6")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString storeFile = window.home.storeFile();
        w.WatchStore();
        TEntryTable &table = *w.Entries;
        QSignalSpy reloads(&table, &TEntryTable::reloaded);
        {
            const auto diskFull = diskFullWhileInScope();
            MessageDlgSeam::setNextAnswers({ mrOk });
            QVERIFY(table.SetComplete(table.at(0), true, 46000).stored);
            w.WaitForSaveInFlight();
        }
        QVERIFY(table.Unstored());
        QVERIFY(MessageDlgSeam::takeAskedMessages().first().contains(QStringLiteral("NOT saved")));

        // Another copy adds an entry; the watcher reads it, and the notice
        // that the change was made again follows.
        replaceStore(storeFile, task("one", "45000.5") + task("two", "45000.6") + note("added outside", "45000.8"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        QTRY_COMPARE_WITH_TIMEOUT(reloads.count(), 1, 5000);
        QCOMPARE(reloads.first().first().toBool(), true);
        QTRY_VERIFY_WITH_TIMEOUT(!MessageDlgSeam::hasPendingAnswers(), 5000);
        QVERIFY(MessageDlgSeam::takeAskedMessages().first().contains(QStringLiteral("Another program changed")));
        w.WaitForSaveInFlight();

        QVERIFY(!table.Unstored());
        QStringList duplicates;
        const TContents expected { { QStringLiteral("one"), QStringLiteral("body of one [done]") },
            { QStringLiteral("two"), QStringLiteral("body of two") },
            { QStringLiteral("added outside"), QStringLiteral("body of added outside") } };
        QCOMPARE(storeContents(storeFile, &duplicates), expected);
        QVERIFY(duplicates.isEmpty());
        QCOMPARE(tableContents(table), expected);
    }

    // The editor's entry deleted by another copy while the user edits it: the
    // text is kept, and saving it makes a new entry.
    void editedEntryDeletedOutsideIsKeptAsNew()
    {
        TEditorWindow window(entries(note("alpha", "45000.5") + note("beta", "45000.6")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        w.lsvNotes->setCurrentIndex(w.NotesModel->indexOf(w.Entries->byDocumentIndex(1)));
        w.lsvNotesDblClick(w.lsvNotes);
        window.typeTitle(QStringLiteral("beta, edited"));

        replaceStore(window.home.storeFile(), note("alpha", "45000.5"));
        QVERIFY(w.Entries->Refresh());
        QCOMPARE(w.edtTitle->fieldText(), QStringLiteral("beta, edited"));
        QVERIFY(!w.EditorEntry());
        QVERIFY(w.SaveNote());
        w.WaitForSaveInFlight();

        QStringList duplicates;
        const TContents stored = storeContents(window.home.storeFile(), &duplicates);
        QCOMPARE(stored.keys(), QStringList({ QStringLiteral("alpha"), QStringLiteral("beta, edited") }));
        QCOMPARE(stored.value(QStringLiteral("beta, edited")), QStringLiteral("body of beta"));
        QCOMPARE(w.EditorEntry()->title(), QStringLiteral("beta, edited"));
    }

    // This copy and another program changed the same entry: the change made
    // here goes on the entry, the other program's version is kept as a new
    // entry titled " (changed elsewhere)" with a creation time of its own,
    // and the notice names the entry once.
    void entryChangedOnBothSidesKeepsBoth_data()
    {
        QTest::addColumn<QString>("changeHere");
        QTest::addColumn<TContents>("expected");
        const QString there = QStringLiteral("changed there");
        const QString beta = QStringLiteral("body of beta");
        const QString kept = QStringLiteral("alpha (changed elsewhere)");
        QTest::newRow("edited here and there")
            << "edit" << TContents { { "alpha", "changed here" }, { kept, there }, { "beta", beta } };
        QTest::newRow("completed here, edited there")
            << "complete" << TContents { { "alpha", there + " [done]" }, { kept, there }, { "beta", beta } };
        QTest::newRow("deleted here, edited there") << "delete" << TContents { { kept, there }, { "beta", beta } };
    }
    void entryChangedOnBothSidesKeepsBoth()
    {
        QFETCH(QString, changeHere);
        QFETCH(TContents, expected);
        TEditorWindow window(entries(task("alpha", "45000.5") + note("beta", "45000.6")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        TEntryTable &table = *w.Entries;
        TEntry *alpha = table.at(0);
        replaceStore(window.home.storeFile(),
            task("alpha", "45000.5").replace("body of alpha", "changed there") + note("beta", "45000.6"));

        MessageDlgSeam::setNextAnswers({ mrOk });
        if (changeHere == QLatin1String("edit")) {
            TTaskFields fields { QStringLiteral("alpha"), QStringLiteral("changed here"), {}, 46000.5, 6,
                46000.4583333333, false };
            QVERIFY(table.SaveTask(alpha, fields, 46000).stored);
        } else if (changeHere == QLatin1String("complete")) {
            QVERIFY(table.SetComplete(alpha, true, 46000).stored);
        } else {
            QVERIFY(table.Delete(alpha));
        }
        QTRY_VERIFY(!MessageDlgSeam::hasPendingAnswers());
        w.WaitForSaveInFlight();
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().startsWith(QStringLiteral("Another program changed your entries")), qPrintable(told.first()));
        QCOMPARE(told.first().count(QStringLiteral("\"alpha (changed elsewhere)\"")), 1);

        QStringList duplicates;
        QCOMPARE(storeContents(window.home.storeFile(), &duplicates), expected);
        QVERIFY(duplicates.isEmpty());
        QCOMPARE(tableContents(table), expected);
        const TStoreReader store(window.home.storeFile());
        const TEntry *copy = store.table.at(store.table.count() - 1);
        QCOMPARE(copy->title(), QStringLiteral("alpha (changed elsewhere)"));
        QCOMPARE(copy->caption(), DayNumber::displayText(DayNumber::fromDateTime(Clock::now())));
        QVERIFY(copy->task);
    }

    // An entry only this copy changed is no change of the other program's,
    // also when what this copy wrote reads back otherwise (a body of blanks
    // reads back empty, a line end of CR alone as LF).
    void entryChangedOnlyHereKeepsNoOtherVersion_data()
    {
        QTest::addColumn<QString>("body");
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("carriage return") << QStringLiteral("one\rtwo");
    }
    void entryChangedOnlyHereKeepsNoOtherVersion()
    {
        QFETCH(QString, body);
        TEditorWindow window(entries(note("alpha", "45000.5")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        TEntryTable &table = *w.Entries;
        QVERIFY(table.SaveNote(table.at(0), { QStringLiteral("alpha"), body, {} }, 46000).stored);
        w.WaitForSaveInFlight();

        // Another copy adds an entry to the store as it reads it.
        {
            TStoreReader store(window.home.storeFile());
            TXmlDocument added;
            added.LoadFromMemory(entries(note("added there", "45000.6")));
            store.document.Root().append_copy(added.Root().first_child());
            StoreFile::SaveStore(window.home.storeFile(), StoreFile::PassPhraseBytes(phrase), store.document);
        }
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(table.SaveNote(table.at(0), { QStringLiteral("alpha"), QStringLiteral("edited"), {} }, 46001).stored);
        QTRY_VERIFY(!MessageDlgSeam::hasPendingAnswers());
        w.WaitForSaveInFlight();
        QVERIFY(!MessageDlgSeam::takeAskedMessages().first().contains(QStringLiteral("changed elsewhere")));
        QStringList duplicates;
        const TContents expected { { QStringLiteral("alpha"), QStringLiteral("edited") },
            { QStringLiteral("added there"), QStringLiteral("body of added there") } };
        QCOMPARE(storeContents(window.home.storeFile(), &duplicates), expected);
    }

    // A deleted entry brought back after another program changed the store
    // comes back whole, behind the entry that stood before it (first when it
    // was the first), or at the end when that entry is gone; an entry that is
    // back already is not doubled.
    void undoneDeleteAfterAnotherProgramChangedTheStore_data()
    {
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QByteArrayList>("there");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("the one before it is there") << "c" << QByteArrayList { "a", "b", "d", "e" }
                                                    << QStringList { "a", "b", "c", "d", "e" };
        QTest::newRow("the one before it is gone") << "c" << QByteArrayList { "a", "d", "e" }
                                                   << QStringList { "a", "d", "e", "c" };
        QTest::newRow("it was the first") << "a" << QByteArrayList { "b", "c", "e" }
                                          << QStringList { "a", "b", "c", "e" };
        QTest::newRow("it is back already") << "c" << QByteArrayList { "a", "c", "e" }
                                            << QStringList { "a", "c", "e" };
    }
    void undoneDeleteAfterAnotherProgramChangedTheStore()
    {
        QFETCH(QString, deleted);
        QFETCH(QByteArrayList, there);
        QFETCH(QStringList, order);
        const auto entry = [](const QByteArray &title) { return note(title, "45000." + QByteArray::number(title[0] - 'a' + 1)); };
        TEditorWindow window(entries(entry("a") + entry("b") + entry("c") + entry("d")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString storeFile = window.home.storeFile();
        // The entry with a field of the other kind's and one of its own, as
        // another version may have written it.
        TEntry *target = w.Entries->at(int(deleted[0].unicode() - 'a'));
        TXmlDocument::WriteChildValue(target->element, "Extra", QStringLiteral("kept <as> it was"));
        QVERIFY(w.Entries->Store());
        const QByteArray original = TXmlDocument::NodeBytes(target->element);

        QVERIFY(w.Entries->Delete(target));
        w.WaitForSaveInFlight();
        QByteArray replacement;
        for (const QByteArray &title : there)
            replacement += entry(title);
        replaceStore(storeFile, replacement);
        MessageDlgSeam::setNextAnswers({ mrOk });
        QSignalSpy reloads(w.Entries, &TEntryTable::reloaded);
        const TEntryWrite write = w.Entries->UndoDelete();
        QVERIFY(write.stored);
        QVERIFY(write.entry);
        QCOMPARE(write.entry->title(), deleted);
        const std::optional<TEntryKey> restoredKey = TEntryTable::KeyOf(write.entry);
        QVERIFY(!w.Entries->CanUndoDelete());
        // The writer found the store changed: it was read again and the
        // entry brought back on it.
        QTRY_VERIFY(!MessageDlgSeam::hasPendingAnswers());
        w.WaitForSaveInFlight();
        QCOMPARE(reloads.count(), 1);
        MessageDlgSeam::takeAskedMessages();

        const TStoreReader store(storeFile);
        QStringList titles;
        for (int i = 0; i < store.table.count(); ++i)
            titles << store.table.at(i)->title();
        QCOMPARE(titles, order);
        if (there.contains(deleted.toUtf8()))
            return;
        const TEntry *restored = store.table.Find(restoredKey);
        QVERIFY(restored);
        QCOMPARE(TXmlDocument::NodeBytes(restored->element), original);
    }
    // The writer finds the store changed by another program and writes
    // nothing; the window reads it again, makes the change on it and writes
    // that, and a change made during that write is written right after it.
    // Every entry is kept, once.
    void writerFindsTheStoreChangedAndTheWindowMerges()
    {
        THeldWrites held;
        TEditorWindow window(entries(note("alpha", "45000.5")));
        const auto letGo = held.letAllGoAtEnd();
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString storeFile = window.home.storeFile();
        replaceStore(storeFile, note("alpha", "45000.5") + note("from outside", "45000.6"));
        TReloadNotices notices;
        QSignalSpy reloads(w.Entries, &TEntryTable::reloaded);

        TEntryTable &table = *w.Entries;
        QVERIFY(table.SaveNote(table.at(0), { QStringLiteral("alpha"), QStringLiteral("edited here"), {} }, 46000)
                    .stored);
        // The first write looked and went back; the second holds the merge.
        QVERIFY(held.reachedOne());
        QCOMPARE(reloads.count(), 1);
        QCOMPARE(held.writes.load(), 1);
        QVERIFY(table.SaveNote(nullptr, { QStringLiteral("during the write"), QStringLiteral("new"), {} }, 46000)
                    .stored);
        held.letOneGo();
        QVERIFY(held.reachedOne());
        held.letOneGo();
        QTRY_VERIFY_WITH_TIMEOUT(!w.SaveInFlight(), 10000);
        QCOMPARE(held.writes.load(), 2);
        QCOMPARE(reloads.count(), 1);
        QVERIFY(!table.Unstored());

        QStringList duplicates;
        const TContents expected { { QStringLiteral("alpha"), QStringLiteral("edited here") },
            { QStringLiteral("from outside"), QStringLiteral("body of from outside") },
            { QStringLiteral("during the write"), QStringLiteral("new") } };
        QCOMPARE(storeContents(storeFile, &duplicates), expected);
        QVERIFY(duplicates.isEmpty());
        QCOMPARE(tableContents(table), expected);
        QTRY_COMPARE(notices.count(), 1);
    }
    // The folder watcher's pause ending while a write is under way looks at
    // the store once the write is done: the document stays as the writer
    // reads it, and the report is not dropped.
    void watcherWaitsForTheWriteUnderWay()
    {
        THeldWrites held;
        TEditorWindow window(entries(note("alpha", "45000.5")));
        const auto letGo = held.letAllGoAtEnd();
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        w.WatchStore();
        QSignalSpy reloads(w.Entries, &TEntryTable::reloaded);
        QVERIFY(w.Entries->SaveNote(nullptr, { QStringLiteral("ours"), QString(), {} }, 46000).stored);
        QVERIFY(held.reachedOne());
        w.StoreWatchTimer->stop();
        w.StoreWatchTimerTimer();
        QVERIFY(w.StoreWatchTimer->isActive());
        held.letOneGo();
        QTRY_VERIFY_WITH_TIMEOUT(!w.SaveInFlight(), 10000);

        // Another copy adds an entry; the pause that follows reads it.
        replaceStore(window.home.storeFile(), note("alpha", "45000.5") + note("ours", "46000") + note("outside", "45000.7"));
        QTRY_COMPARE_WITH_TIMEOUT(reloads.count(), 1, 5000);
        QCOMPARE(w.NotesModel->rowCount(), 3);
    }
};

QTEST_MAIN(TestStoreChanges)
#include "tst_storechanges.moc"
