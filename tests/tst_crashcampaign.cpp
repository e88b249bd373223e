// The store survives its writer being killed at any moment and a device that
// fails at any step of a write: it always opens as the old or the new
// document in full, and what an interrupted write left behind is removed by
// the start-up clean-up.

#include "platform/AtomicFile.h"
#include "platform/FileSync.h"
#include "store/StoreFile.h"
#include "tests/CrashStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {
const QString storeName = QStringLiteral("brindo.dat");

// What the folder holds besides the store: new files of unfinished writes.
QStringList leftOvers(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.removeOne(storeName);
    return names;
}

QByteArray storedBody(const QString &store)
{
    TXmlDocument document;
    return StoreFile::OpenStore(store, CrashStore::PassPhrase, document);
}

// The steps of a write a failing device can refuse.
enum class TFailure { Write, SyncFile, Close, Rename, SyncFolder };
} // namespace

class tst_CrashCampaign : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedWriter();
    void failingDevice_data();
    void failingDevice();

private:
    TXmlDocument m_documents[2];
    QByteArray m_bodies[2];
    // How long one store of the campaign's document takes here.
    qint64 m_writeMicroseconds = 0;
};

void tst_CrashCampaign::initTestCase()
{
    for (int generation : {0, 1}) {
        CrashStore::Build(generation, m_documents[generation]);
        m_bodies[generation] = m_documents[generation].SaveToBytes();
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QElapsedTimer timer;
    timer.start();
    StoreFile::SaveStore(folder.filePath(storeName), CrashStore::PassPhrase, m_documents[0]);
    m_writeMicroseconds = qMax<qint64>(timer.nsecsElapsed() / 1000, 1000);
}

void tst_CrashCampaign::killedWriter()
{
    bool seeded = false;
    const quint32 seed = qEnvironmentVariable("TAMSEL_CRASH_SEED").toUInt(&seeded);
    const quint32 campaignSeed = seeded ? seed : QRandomGenerator::system()->generate();
    qInfo("Crash campaign seed %u (TAMSEL_CRASH_SEED=%u repeats this campaign)", campaignSeed, campaignSeed);
    QRandomGenerator random(campaignSeed);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString store = folder.filePath(storeName);
    StoreFile::SaveStore(store, CrashStore::PassPhrase, m_documents[0]);

    int interrupted = 0;
    int generationsSeen[2] = {0, 0};
    for (int kill = 1; kill <= 50; ++kill) {
        const QString where = QStringLiteral("kill %1 of the campaign with seed %2").arg(kill).arg(campaignSeed);
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(CRASH_WRITER_BINARY), {store});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        while (!writer.canReadLine())
            QVERIFY2(writer.waitForReadyRead(30000), qPrintable(where + QStringLiteral(": the writer did not start")));
        QCOMPARE(writer.readLine(), QByteArray("ready\n"));
        // Anywhere within the first three writes.
        QThread::usleep(random.bounded(quint64(3 * m_writeMicroseconds)));
        QCOMPARE(::kill(pid_t(writer.processId()), SIGKILL), 0);
        QVERIFY(writer.waitForFinished(30000));
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
            qPrintable(where + QStringLiteral(": the writer ended on its own")));

        // The start-up clean-up removes exactly what the killed write left.
        const QStringList left = leftOvers(folder.path());
        interrupted += left.isEmpty() ? 0 : 1;
        QStringList removed = StoreFile::RemoveStaleTemporaryFiles(store);
        for (QString &path : removed)
            path = QFileInfo(path).fileName();
        QCOMPARE(removed, left);
        QVERIFY2(leftOvers(folder.path()).isEmpty(), qPrintable(where));

        const QByteArray body = storedBody(store);
        const int generation = body == m_bodies[0] ? 0 : body == m_bodies[1] ? 1 : -1;
        QVERIFY2(generation >= 0,
            qPrintable(where + QStringLiteral(": the store holds neither document (%1 bytes)").arg(body.size())));
        ++generationsSeen[generation];
    }
    qInfo("%d kills interrupted a write; the store held the first document %d times, the second %d times",
        interrupted, generationsSeen[0], generationsSeen[1]);
    // Otherwise the campaign never caught the writer writing, and proved nothing.
    QVERIFY(interrupted > 0);
}

void tst_CrashCampaign::failingDevice_data()
{
    QTest::addColumn<TFailure>("failure");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<bool>("replaced");

    // Every write the document's store makes, counted on a sound device.
    int writes = 0;
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const AtomicFile::TFaultFunction sound = AtomicFile::SetFault([&writes](AtomicFile::TStep step) {
            writes += step == AtomicFile::TStep::Write ? 1 : 0;
            return 0;
        });
        const auto restore = qScopeGuard([&sound] { AtomicFile::SetFault(sound); });
        StoreFile::SaveStore(folder.filePath(storeName), CrashStore::PassPhrase, m_documents[1]);
    }
    QVERIFY2(writes > 2, "the document is written in one piece, so only its first write can fail");
    for (int write = 1; write <= writes; ++write)
        QTest::addRow("write %d of %d", write, writes) << TFailure::Write << write << false;
    QTest::newRow("sync of the new file") << TFailure::SyncFile << 1 << false;
    QTest::newRow("close of the new file") << TFailure::Close << 1 << false;
    QTest::newRow("rename over the store") << TFailure::Rename << 1 << false;
    // The rename has happened: the new store is complete, only not confirmed on the disk.
    QTest::newRow("sync of the folder") << TFailure::SyncFolder << 1 << true;
}

void tst_CrashCampaign::failingDevice()
{
    QFETCH(TFailure, failure);
    QFETCH(int, occurrence);
    QFETCH(bool, replaced);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString store = folder.filePath(storeName);
    StoreFile::SaveStore(store, CrashStore::PassPhrase, m_documents[0]);
    const QByteArray oldStore = StoreFile::ReadFile(store);

    int seen = 0;
    const auto failsHere = [&](bool isStep) { return isStep && ++seen == occurrence; };
    const AtomicFile::TFaultFunction oldFault = AtomicFile::SetFault([&](AtomicFile::TStep step) {
        if (failsHere((failure == TFailure::Write && step == AtomicFile::TStep::Write)
                || (failure == TFailure::Close && step == AtomicFile::TStep::Close)
                || (failure == TFailure::Rename && step == AtomicFile::TStep::Rename)))
            return failure == TFailure::Write ? ENOSPC : EIO;
        return 0;
    });
    const QByteArray folderName = QFile::encodeName(QFileInfo(store).absolutePath());
    const FileSync::TSyncFunction oldSync = FileSync::SetSync([&](int, const QByteArray &path) {
        const bool ofFolder = path == folderName;
        if (failsHere((failure == TFailure::SyncFile && !ofFolder) || (failure == TFailure::SyncFolder && ofFolder)))
            return EIO;
        return 0;
    });
    const auto restore = qScopeGuard([&] {
        AtomicFile::SetFault(oldFault);
        FileSync::SetSync(oldSync);
    });

    QString reported;
    try {
        StoreFile::SaveStore(store, CrashStore::PassPhrase, m_documents[1]);
    } catch (const ETamselError &error) {
        reported = error.message();
    }
    QCOMPARE(seen, occurrence);
    QVERIFY2(!reported.isEmpty(), "the failed write was reported as a success");
    QVERIFY2(reported.contains(store), qPrintable(reported));
    QVERIFY2(reported.contains(QString::fromLocal8Bit(std::strerror(failure == TFailure::Write ? ENOSPC : EIO))),
        qPrintable(reported));

    QCOMPARE(leftOvers(folder.path()), QStringList());
    if (replaced)
        QVERIFY(storedBody(store) == m_bodies[1]);
    else
        QVERIFY2(StoreFile::ReadFile(store) == oldStore, "the old store was changed");
}

QTEST_GUILESS_MAIN(tst_CrashCampaign)
#include "tst_crashcampaign.moc"
