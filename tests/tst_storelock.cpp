// Writers of one store at the same moment: two copies of the program, a copy
// and tamsel-store, and a writer that holds the store's lock too long.
//
// Run as "tst_storelock write STORE NAME SYNC_MS [tell]", the program is one
// such copy instead, on a disk whose every flush takes SYNC_MS milliseconds:
// it opens STORE as the program does, says "ready", and for every
// line on its input saves a new note "NAME <round>" through the entry table
// (its look before the write, the reading again and the write), then says
// "saved <round>" or "failed <round>: <message>". With "tell" it says
// "flushing" as it starts to flush the new file of a save: by then it has
// looked at the store.
#include "tests/EditorFixture.h"
#include "tests/TestFiles.h"

#include "diagnostics/MessageDlg.h"
#include "platform/Clock.h"
#include "platform/FileLock.h"
#include "platform/FileSync.h"
#include "store/DayNumber.h"
#include "store/StoreFile.h"
#include "store/StoreLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <sys/stat.h>

using namespace EditorFixture;

namespace {
const QString phrase = QStringLiteral("fixture phrase");

// The titles of the store's entries as another reader sees them, sorted; a
// title held twice is there twice.
QStringList storedTitles(const QString &storeFile)
{
    TXmlDocument document;
    StoreFile::OpenStoreWithPassPhrase(storeFile, phrase, document);
    TEntryTable table(document);
    table.Load(45000, [](int) { return std::optional<int>(0); });
    QStringList titles;
    for (int i = 0; i < table.count(); ++i)
        titles << table.at(i)->title();
    titles.sort();
    return titles;
}

QStringList sorted(QStringList titles)
{
    titles.sort();
    return titles;
}

void writeStore(const QString &storeFile, const QByteArray &entryXml)
{
    TXmlDocument document;
    document.LoadFromMemory(entries(entryXml));
    StoreFile::SaveStore(storeFile, StoreFile::PassPhraseBytes(phrase), document);
}

// A small store: the test is about the moment of the write, not its size.
QByteArray startingEntries()
{
    QByteArray xml;
    for (int i = 0; i < 20; ++i)
        xml += note("start " + QByteArray::number(i), "45000." + QByteArray::number(i + 1));
    return xml;
}

QStringList startingTitles()
{
    QStringList titles;
    for (int i = 0; i < 20; ++i)
        titles << QStringLiteral("start %1").arg(i);
    return titles;
}

// A copy of the program in a process of its own, run from this test program.
class TCopy
{
public:
    TCopy(const QString &storeFile, const QString &name, int syncMilliseconds, bool tellFlushing = false)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments { QStringLiteral("write"), storeFile, name, QString::number(syncMilliseconds) };
        if (tellFlushing)
            arguments << QStringLiteral("tell");
        m_process.start(QCoreApplication::applicationFilePath(), arguments);
    }
    ~TCopy()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }

    bool waitReady() { return readLine() == "ready"; }
    // Sets the copy off at once: a process writes to its pipe only when waited on.
    bool go()
    {
        m_process.write("go\n");
        while (m_process.bytesToWrite() > 0)
            if (!m_process.waitForBytesWritten(30000))
                return false;
        return true;
    }
    // What the copy said after its save.
    QByteArray readLine()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(30000))
                return "(no answer: " + m_process.errorString().toUtf8() + ")";
        return m_process.readLine().trimmed();
    }
    bool finish()
    {
        m_process.closeWriteChannel();
        return m_process.waitForFinished(30000) && m_process.exitStatus() == QProcess::NormalExit
            && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
};

// Runs as a copy of the program (the head comment says how).
int runCopy(int argc, char **argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: tst_storelock write STORE NAME SYNC_MS [tell]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString storeFile = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    const unsigned long syncMilliseconds = std::strtoul(argv[4], nullptr, 10);
    // A slow disk: flushing takes a while, the time in which another writer
    // would slip in between the look at the store and the write.
    const bool tellFlushing = argc == 6;
    FileSync::SetSync([syncMilliseconds, tellFlushing, storeFile](int, const QByteArray &path) {
        // The new file's flush, not the folder's.
        if (tellFlushing && path != QFile::encodeName(QFileInfo(storeFile).absolutePath())) {
            std::printf("flushing\n");
            std::fflush(stdout);
        }
        QThread::msleep(syncMilliseconds);
        return 0;
    });
    // The notice that the store was read again is what taking turns looks
    // like; any other box is a failure, told with the round.
    QString unexpected;
    MessageDlgSeam::setUnansweredHandler([&unexpected](const MessageDlgSeam::TAskedDialog &dialog) {
        if (!dialog.message.startsWith(QStringLiteral("Another program changed your entries")))
            unexpected = dialog.message.simplified();
        return int(mrOk);
    });
    std::unique_ptr<TfrmMain> window = openMainWindow(storeFile);
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    for (int round = 0; std::getline(std::cin, line); ++round) {
        const QString title = QStringLiteral("%1 %2").arg(name).arg(round);
        bool stored = false;
        try {
            stored = window->Entries
                         ->SaveNote(nullptr, { title, QStringLiteral("body of ") + title, {} },
                             DayNumber::fromDateTime(Clock::now()))
                         .stored;
        } catch (const ETamselError &error) {
            unexpected = error.message();
        }
        window->WaitForSaveInFlight();
        QCoreApplication::processEvents();
        if (stored && unexpected.isEmpty())
            std::printf("saved %d\n", round);
        else
            std::printf("failed %d: %s\n", round, qPrintable(unexpected));
        std::fflush(stdout);
        unexpected.clear();
    }
    return 0;
}
} // namespace

class TestStoreLock : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const bool unasked = !MessageDlgSeam::hasPendingAnswers();
        MessageDlgSeam::setNextAnswers({});
        QVERIFY(unasked);
    }

    // Two copies save a new entry at the same moment, 50 times: each waits
    // for the other's write, finds the store changed, reads it again and adds
    // its entry to it. Every entry is kept, once.
    void twoCopiesSavingAtOnceKeepEveryEntry()
    {
        TestHome home;
        const QString storeFile = home.storeFile();
        writeStore(storeFile, startingEntries());
        TCopy first(storeFile, QStringLiteral("first"), 10);
        TCopy second(storeFile, QStringLiteral("second"), 10);
        QVERIFY(first.waitReady());
        QVERIFY(second.waitReady());

        QStringList expected = startingTitles();
        for (int round = 0; round < 50; ++round) {
            QVERIFY(first.go());
            QVERIFY(second.go());
            QCOMPARE(first.readLine(), QByteArray("saved ") + QByteArray::number(round));
            QCOMPARE(second.readLine(), QByteArray("saved ") + QByteArray::number(round));
            expected << QStringLiteral("first %1").arg(round) << QStringLiteral("second %1").arg(round);
            QCOMPARE(storedTitles(storeFile), sorted(expected));
        }
        QVERIFY(first.finish());
        QVERIFY(second.finish());
    }

    // tamsel-store replaces the store while a copy saves, 50 times. Whichever
    // writes second writes last: the copy adds its entry to what tamsel-store
    // wrote, or tamsel-store replaces the store with its document, a restore
    // being what it is for. What tamsel-store wrote is never written over by
    // a copy that had not seen it, and nothing is held twice.
    //
    // tamsel-store is held at the end of its input until the moment it is to
    // write: in even rounds once the copy has looked at the store and is
    // flushing its new file, in odd rounds just before the copy starts.
    void copyAndStoreToolSavingAtOnce()
    {
        TestHome home;
        const QString storeFile = home.storeFile();
        // More than a pipe holds (64 KiB), so that tamsel-store has read the
        // start of it, and is ready, once all of it has left for the pipe.
        QByteArray large;
        for (int i = 0; i < 600; ++i)
            large += note("filler " + QByteArray::number(i), "45000." + QByteArray::number(i + 1));
        writeStore(storeFile, large);
        TCopy copy(storeFile, QStringLiteral("copy"), 20, true);
        QVERIFY(copy.waitReady());

        for (int round = 0; round < 50; ++round) {
            const QStringList before = storedTitles(storeFile);
            TXmlDocument document;
            QByteArray replacement = StoreFile::OpenStoreWithPassPhrase(storeFile, phrase, document).body;
            const qsizetype end = replacement.lastIndexOf("</Notes>");
            QVERIFY(end > 64 * 1024);
            const QByteArray toolTitle = "tool " + QByteArray::number(round);
            replacement.insert(end, note(toolTitle, "45100." + QByteArray::number(round + 1)));

            QProcess tool;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("TAMSEL_PASSPHRASE"), phrase);
            tool.setProcessEnvironment(environment);
            tool.start(QStringLiteral(TAMSEL_STORE_BINARY), { QStringLiteral("encrypt"), storeFile });
            QVERIFY(tool.waitForStarted());
            tool.write(replacement);
            while (tool.bytesToWrite() > 0)
                QVERIFY(tool.waitForBytesWritten(30000));
            const bool toolAfterLook = round % 2 == 0;
            if (toolAfterLook) {
                QVERIFY(copy.go());
                QCOMPARE(copy.readLine(), QByteArray("flushing"));
                tool.closeWriteChannel();
            } else {
                tool.closeWriteChannel();
                QVERIFY(copy.go());
                QCOMPARE(copy.readLine(), QByteArray("flushing"));
            }
            QCOMPARE(copy.readLine(), QByteArray("saved ") + QByteArray::number(round));
            QVERIFY(tool.waitForFinished(30000));
            QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());

            const QStringList toolWrote = sorted(before + QStringList { QString::fromUtf8(toolTitle) });
            const QStringList copyAfterTool
                = sorted(toolWrote + QStringList { QStringLiteral("copy %1").arg(round) });
            const QStringList stored = storedTitles(storeFile);
            const auto seen = [&] {
                const QStringList added = QSet<QString>(stored.begin(), stored.end())
                                              .subtract(QSet<QString>(before.begin(), before.end()))
                                              .values();
                return QStringLiteral("round %1: %2 entries, new: %3")
                    .arg(round)
                    .arg(stored.size())
                    .arg(added.join(QLatin1Char(',')));
            };
            // A copy that has looked already writes first, and tamsel-store
            // after it.
            if (toolAfterLook)
                QVERIFY2(stored == toolWrote, qPrintable(seen()));
            else
                QVERIFY2(stored == copyAfterTool || stored == toolWrote, qPrintable(seen()));
        }
        QVERIFY(copy.finish());
    }

    // Another writer holds the lock (here: beside the file a link leads to,
    // as a copy reaching the store through another link would): the save
    // fails once the wait is over, saying so plainly, and the store is left
    // as it was. The change stays kept and is saved by the next try.
    void heldLockFailsTheSaveAndKeepsTheChange_data()
    {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("store") << false;
        QTest::newRow("store reached through a link") << true;
    }
    void heldLockFailsTheSaveAndKeepsTheChange()
    {
        QFETCH(bool, throughLink);
        TEditorWindow window(entries(note("alpha", "45000.5")));
        TfrmMain &w = window.w();
        const QString storeFile = window.home.storeFile();
        QString target = storeFile;
        if (throughLink) {
            target = window.home.path() + QStringLiteral("/elsewhere/brindo.dat");
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            QVERIFY(QFile::link(target, storeFile));
        }
        QVERIFY(w.EncryptXMLFile());
        const QString lockFile = target + QStringLiteral(".lock");
        QCOMPARE(TStoreLock::LockFilePath(storeFile), lockFile);
        const QByteArray before = readFile(target);

        const auto limit = TFileLock::SetWaitLimit(std::chrono::milliseconds(300));
        const auto restoreLimit = qScopeGuard([limit] { TFileLock::SetWaitLimit(limit); });
        auto held = std::make_unique<TFileLock>(lockFile);
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(lockFile).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, mode_t(0600));

        w.lsvNotes->setCurrentIndex(w.NotesModel->index(0, 0));
        w.lsvNotesDblClick(w.lsvNotes);
        window.typeTitle(QStringLiteral("alpha, edited"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        QElapsedTimer waited;
        waited.start();
        QVERIFY(w.SaveNote());
        w.WaitForSaveInFlight();
        QVERIFY(waited.elapsed() >= 300);
        QVERIFY(waited.elapsed() < 3000);
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("NOT saved")), qPrintable(told.first()));
        QVERIFY2(told.first().contains(QStringLiteral("Another copy of Tamsel or tamsel-store is saving")),
            qPrintable(told.first()));
        QVERIFY2(told.first().contains(lockFile), qPrintable(told.first()));
        QCOMPARE(readFile(target), before);
        QVERIFY(QFileInfo(storeFile).isSymLink() == throughLink);
        QCOMPARE(w.edtTitle->fieldText(), QStringLiteral("alpha, edited"));
        QVERIFY(w.actSaveNote->isEnabled());
        QVERIFY(w.Entries->Unstored());

        // The other writer is done: the change kept is saved by the next try.
        held.reset();
        QVERIFY(w.Entries->Store());
        w.WaitForSaveInFlight();
        QVERIFY(!w.Entries->Unstored());
        QCOMPARE(storedTitles(storeFile), QStringList { QStringLiteral("alpha, edited") });
        QVERIFY(QFileInfo(storeFile).isSymLink() == throughLink);
    }

    // A storage move writes the entries into the new folder holding that
    // folder's lock: while another copy saving there holds it, nothing is
    // written and the entries stay where they are.
    void storageMoveWaitsForTheNewFoldersLock()
    {
        TEditorWindow window(entries(note("alpha", "45000.5")));
        TfrmMain &w = window.w();
        QVERIFY(w.EncryptXMLFile());
        const QString folder = window.home.path() + QStringLiteral("/moved");
        QVERIFY(QDir().mkpath(folder));
        const QString targetStore = folder + QStringLiteral("/brindo.dat");
        const auto limit = TFileLock::SetWaitLimit(std::chrono::milliseconds(300));
        const auto restoreLimit = qScopeGuard([limit] { TFileLock::SetWaitLimit(limit); });
        auto held = std::make_unique<TFileLock>(TStoreLock::LockFilePath(targetStore));

        bool moved = false;
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(!w.MoveStorage(folder, [&moved] { moved = true; }));
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("NOT moved")), qPrintable(told.first()));
        QVERIFY2(told.first().contains(QStringLiteral("Another copy of Tamsel or tamsel-store is saving")),
            qPrintable(told.first()));
        QVERIFY(!moved);
        QVERIFY(!QFileInfo::exists(targetStore));
        QCOMPARE(w.StoreFilePath, window.home.storeFile());

        held.reset();
        QVERIFY(w.MoveStorage(folder, [&moved] { moved = true; }));
        QVERIFY(moved);
        QCOMPARE(storedTitles(targetStore), QStringList { QStringLiteral("alpha") });
    }

    // tamsel-store waits for a copy that is saving, and then writes.
    void storeToolWaitsForTheLock()
    {
        TestHome home;
        const QString storeFile = home.storeFile();
        writeStore(storeFile, note("alpha"));
        const QByteArray before = readFile(storeFile);
        auto held = std::make_unique<TFileLock>(TStoreLock::LockFilePath(storeFile));

        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TAMSEL_PASSPHRASE"), phrase);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(TAMSEL_STORE_BINARY), { QStringLiteral("encrypt"), storeFile });
        QVERIFY(tool.waitForStarted());
        tool.write(entries(note("beta")));
        tool.closeWriteChannel();
        QVERIFY(!tool.waitForFinished(500));
        QCOMPARE(readFile(storeFile), before);

        held.reset();
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(storedTitles(storeFile), QStringList { QStringLiteral("beta") });
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "write") == 0)
        return runCopy(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestStoreLock test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storelock.moc"
