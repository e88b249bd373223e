#include "settings/Registry.h"

#include "platform/FileLock.h"
#include "platform/FileSync.h"

#include <QDir>
#include <cerrno>
#include <csignal>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace {
// Counts the rewrites of one file that reach the disk (its new files being
// synced), and can make them fail, while it lives.
class TRewriteCounter
{
public:
    explicit TRewriteCounter(const QString &file, int failure = 0)
        : m_saved(FileSync::SetSync([this, prefix = QFile::encodeName(file), failure](int fd, const QByteArray &path) {
              if (!path.startsWith(prefix))
                  return ::fsync(fd) == 0 ? 0 : errno;
              ++m_rewrites;
              return failure != 0 ? failure : (::fsync(fd) == 0 ? 0 : errno);
          }))
    {
    }
    ~TRewriteCounter() { FileSync::SetSync(std::move(m_saved)); }
    int rewrites() const { return m_rewrites; }

private:
    int m_rewrites = 0;
    FileSync::TSyncFunction m_saved;
};

const QString settingsKey = QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings");

// How long a held lock is waited for, while it lives.
class TLockWait
{
public:
    explicit TLockWait(std::chrono::milliseconds limit) : m_saved(TFileLock::SetWaitLimit(limit)) {}
    ~TLockWait() { TFileLock::SetWaitLimit(m_saved); }
    TLockWait(const TLockWait &) = delete;
    TLockWait &operator=(const TLockWait &) = delete;

private:
    std::chrono::milliseconds m_saved;
};
} // namespace

class tst_Registry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file() const { return m_dir.path() + QStringLiteral("/registry.json"); }
    // The file and the lock file its rewrites take, nothing else.
    static QStringList writtenFiles() { return {QStringLiteral("registry.json"), QStringLiteral("registry.json.lock")}; }

private slots:
    void init()
    {
        QFile::remove(file());
        QFile::remove(file() + QStringLiteral(".lock"));
        QDir(file()).removeRecursively();
    }

    void roundTripOfEveryType()
    {
        {
            TRegistry registry(file());
            QVERIFY(registry.OpenKey(QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings"), true));
            registry.WriteInteger(QStringLiteral("Top"), -89);
            registry.WriteInteger(QStringLiteral("Colour"), qint32(0xFFFFFFFFu));
            registry.WriteBool(QStringLiteral("AutoSave"), true);
            registry.WriteString(QStringLiteral("Font"), QStringLiteral("DejaVu Sans \u00e9"));
            registry.WriteBinaryData(QStringLiteral("PassKey"), QByteArray("\0\1\xff", 3));
            registry.CloseKey();
        }
        TRegistry registry(file());
        QVERIFY(registry.OpenKey(QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings"), false));
        QCOMPARE(registry.ReadInteger(QStringLiteral("Top")), -89);
        QCOMPARE(registry.ReadInteger(QStringLiteral("Colour")), -1);
        QCOMPARE(registry.ReadBool(QStringLiteral("AutoSave")), true);
        QCOMPARE(registry.ReadString(QStringLiteral("Font")), QStringLiteral("DejaVu Sans \u00e9"));
        QCOMPARE(registry.ReadBinaryData(QStringLiteral("PassKey")), QByteArray("\0\1\xff", 3));
        QVERIFY(registry.ValueExists(QStringLiteral("Top")));
        QVERIFY(!registry.ValueExists(QStringLiteral("Left")));
    }

    void keysAreSeparate()
    {
        TRegistry registry(file());
        registry.OpenKey(QStringLiteral("\\Software\\Kestrine\\Tamsel"), true);
        registry.WriteString(QStringLiteral("PassKey"), QStringLiteral("x"));
        registry.OpenKey(QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings"), true);
        QVERIFY(!registry.ValueExists(QStringLiteral("PassKey")));
        QVERIFY(!registry.OpenKey(QStringLiteral("\\Software\\Other"), false));
    }

    void failedReads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("reader"); // 0 integer, 1 bool, 2 string, 3 binary
        QTest::newRow("missing integer") << "Nothing" << 0;
        QTest::newRow("missing bool") << "Nothing" << 1;
        QTest::newRow("missing binary") << "Nothing" << 3;
        QTest::newRow("string read as integer") << "Text" << 0;
        QTest::newRow("string read as bool") << "Text" << 1;
        QTest::newRow("integer read as string") << "Number" << 2;
        QTest::newRow("integer read as binary") << "Number" << 3;
    }
    void failedReads()
    {
        QFETCH(QString, name);
        QFETCH(int, reader);
        TRegistry registry(file());
        registry.OpenKey(QStringLiteral("Key"), true);
        registry.WriteString(QStringLiteral("Text"), QStringLiteral("12"));
        registry.WriteInteger(QStringLiteral("Number"), 12);
        switch (reader) {
        case 0: QVERIFY_THROWS_EXCEPTION(ERegistryError, registry.ReadInteger(name)); break;
        case 1: QVERIFY_THROWS_EXCEPTION(ERegistryError, registry.ReadBool(name)); break;
        case 2: QVERIFY_THROWS_EXCEPTION(ERegistryError, registry.ReadString(name)); break;
        case 3: QVERIFY_THROWS_EXCEPTION(ERegistryError, registry.ReadBinaryData(name)); break;
        }
    }

    void missingStringReadsEmpty()
    {
        TRegistry registry(file());
        registry.OpenKey(QStringLiteral("Key"), true);
        QCOMPARE(registry.ReadString(QStringLiteral("Nothing")), QString());
    }

    void stringStopsAtZero()
    {
        TRegistry registry(file());
        registry.OpenKey(QStringLiteral("Key"), true);
        registry.WriteString(QStringLiteral("Font"), QStringLiteral("Verdana") + QChar(0) + QStringLiteral("junk"));
        QCOMPARE(registry.ReadString(QStringLiteral("Font")), QStringLiteral("Verdana"));
    }

    // A write that fails (a full disk) raises and leaves the settings as they
    // were: never an empty file, never the passphrase lost.
    void failedWriteKeepsTheSettings()
    {
        TRegistry registry(file());
        QVERIFY(registry.OpenKey(QStringLiteral("\\Software\\Kestrine\\Tamsel"), true));
        registry.WriteBinaryData(QStringLiteral("PassKey"), QByteArray("secret"));
        const auto before = [this] {
            QFile stored(file());
            return stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray();
        }();

        struct rlimit limit;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const struct rlimit saved = limit;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 0;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        bool raised = false;
        try {
            registry.WriteInteger(QStringLiteral("Top"), 1);
        } catch (const ERegistryError &) {
            raised = true;
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QVERIFY(raised);
        QFile stored(file());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), writtenFiles());
    }

    void fileIsPrivateAndComplete()
    {
        TRegistry registry(file());
        registry.OpenKey(QStringLiteral("Key"), true);
        registry.WriteInteger(QStringLiteral("Top"), 1);
        // User bits only: nothing for the group or others.
        QCOMPARE(QFile::permissions(file()) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(QFile::permissions(registry.LockFilePath()) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        // No temporary files are left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), writtenFiles());
    }

    // While another program holds the lock, every kind of rewrite fails with
    // an error naming the lock, and the file stays as it was; once the lock
    // is let go, the same rewrite goes through.
    void heldLockFailsTheWrite_data()
    {
        QTest::addColumn<int>("rewrite"); // 0 write, 1 delete, 2 new key, 3 batch
        QTest::newRow("write") << 0;
        QTest::newRow("delete") << 1;
        QTest::newRow("new key") << 2;
        QTest::newRow("batch") << 3;
    }
    void heldLockFailsTheWrite()
    {
        QFETCH(int, rewrite);
        TRegistry registry(file());
        QVERIFY(registry.OpenKey(settingsKey, true));
        registry.WriteInteger(QStringLiteral("Top"), 1);
        QFile stored(file());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray before = stored.readAll();
        stored.close();

        const auto run = [&registry, rewrite] {
            switch (rewrite) {
            case 0: registry.WriteInteger(QStringLiteral("Left"), 2); break;
            case 1: registry.DeleteValue(QStringLiteral("Top")); break;
            case 2: registry.OpenKey(QStringLiteral("\\Software\\Other"), true); break;
            case 3:
                registry.BeginBatch();
                registry.WriteInteger(QStringLiteral("Left"), 2);
                registry.CommitBatch();
                break;
            }
        };
        {
            const TLockWait noWait(std::chrono::milliseconds(0));
            // A lock of its own open file conflicts as another program's does.
            TFileLock held(registry.LockFilePath());
            try {
                run();
                QFAIL("the file was written under another's lock");
            } catch (const ERegistryError &error) {
                QVERIFY2(error.message().contains(registry.LockFilePath()) && error.message().contains(file()),
                         qPrintable(error.message()));
            }
        }
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), before);
        stored.close();

        run();
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QVERIFY(stored.readAll() != before);
    }

    // Two programs writing values into the file at the same time, each value
    // a rewrite of its own: every value of both is there at the end.
    void concurrentWritersKeepEveryValue_data()
    {
        QTest::addColumn<QString>("secondMode");
        QTest::newRow("single writes in both") << QStringLiteral("single");
        QTest::newRow("single writes and batches") << QStringLiteral("batch");
    }
    void concurrentWritersKeepEveryValue()
    {
        QFETCH(QString, secondMode);
        constexpr int count = 150;
        const QList<std::pair<QString, QString>> writers{{QStringLiteral("First"), QStringLiteral("single")},
                                                         {QStringLiteral("Second"), secondMode}};
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const auto &[name, mode] : writers) {
            auto &process = processes.emplace_back(std::make_unique<QProcess>());
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->start(QStringLiteral(REGISTRY_WRITER_BINARY),
                           {file(), name, QString::number(count), mode});
            QVERIFY2(process->waitForStarted(), qPrintable(process->errorString()));
        }
        for (const auto &process : processes) {
            while (!process->canReadLine())
                QVERIFY2(process->waitForReadyRead(60000), "the writer did not get ready");
            QCOMPARE(process->readLine(), QByteArray("ready\n"));
        }
        // Both are set off before either is waited for.
        for (const auto &process : processes)
            process->write("go\n");
        for (const auto &process : processes)
            QVERIFY(process->waitForBytesWritten(60000));
        for (const auto &process : processes) {
            QVERIFY(process->waitForFinished(120000));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(process->exitCode(), 0);
        }

        TRegistry registry(file());
        QVERIFY(registry.OpenKey(settingsKey, false));
        QStringList missing;
        for (const auto &[name, mode] : writers) {
            for (int i = 0; i < count; ++i) {
                const QString value = name + QString::number(i);
                if (!registry.ValueExists(value) || registry.ReadInteger(value) != i)
                    missing.append(value);
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void damagedFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cut short") << QByteArray("{\"keys\": {\"\\\\Key\": {\"Top\": ");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no keys") << QByteArray("{\"values\": {}}");
    }
    void damagedFileIsSetAside()
    {
        QFETCH(QByteArray, bytes);
        // Twice within the same second: the second file must not replace the first.
        QStringList asides;
        for (int round = 0; round < 2; ++round) {
            QFile damaged(file());
            QVERIFY(damaged.open(QIODevice::WriteOnly));
            damaged.write(bytes);
            damaged.close();

            TRegistry registry(file());
            try {
                registry.OpenKey(QStringLiteral("Key"), true);
                QFAIL("a damaged file was read");
            } catch (const ERegistryDamaged &error) {
                asides.append(error.AsidePath());
            }
            QFile kept(asides.last());
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), bytes);

            // The registry starts afresh beside the kept file.
            QVERIFY(registry.OpenKey(QStringLiteral("Key"), true));
            registry.WriteInteger(QStringLiteral("Top"), 5);
            QCOMPARE(registry.ReadInteger(QStringLiteral("Top")), 5);
        }
        QVERIFY(asides[0] != asides[1]);
        for (const QString &aside : std::as_const(asides)) {
            QVERIFY2(aside.startsWith(file() + QStringLiteral(".damaged-")), qPrintable(aside));
            QFile::remove(aside);
        }
    }
    // Only a regular file of a sane size is read: a pipe never holds the
    // program, a device or a huge file is never read into memory, and none
    // of them is taken for a damaged file and moved.
    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "pipe" << "not a regular file";
        QTest::newRow("device") << "device" << "not a regular file";
        QTest::newRow("folder") << "folder" << "it is a folder";
        QTest::newRow("huge") << "huge" << "larger than 16 MiB";
    }
    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QByteArray path = QFile::encodeName(file());
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file()));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file()));
        else {
            QFile huge(file());
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(17) << 20));
        }
        TRegistry registry(file());
        try {
            registry.OpenKey(QStringLiteral("Key"), true);
            QFAIL("the settings were read");
        } catch (const ERegistryDamaged &error) {
            QFAIL(qPrintable(error.message()));
        } catch (const ERegistryError &error) {
            QVERIFY2(error.message().contains(reason) && error.message().contains(file()), qPrintable(error.message()));
        }
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            QStringList{QStringLiteral("registry.json")});
    }

    // The values written in a batch reach the file together, in one rewrite,
    // over what others wrote meanwhile; until then only the batch sees them.
    void batchRewritesTheFileOnce()
    {
        TRegistry batch(file());
        QVERIFY(batch.OpenKey(settingsKey, true));
        TRewriteCounter counter(file());
        batch.BeginBatch();
        batch.WriteInteger(QStringLiteral("Top"), 89);
        batch.WriteString(QStringLiteral("Font"), QStringLiteral("Verdana"));
        batch.WriteBool(QStringLiteral("AutoSave"), true);
        batch.WriteInteger(QStringLiteral("Top"), 90);
        QCOMPARE(batch.ReadInteger(QStringLiteral("Top")), 90);
        QCOMPARE(batch.ReadString(QStringLiteral("Font")), QStringLiteral("Verdana"));
        QCOMPARE(counter.rewrites(), 0);

        // A value set outside a batch is written at once.
        TRegistry other(file());
        QVERIFY(other.OpenKey(settingsKey, false));
        QVERIFY(!other.ValueExists(QStringLiteral("Top")));
        other.WriteInteger(QStringLiteral("ReminderTop"), 7);
        QCOMPARE(counter.rewrites(), 1);
        QCOMPARE(batch.ReadInteger(QStringLiteral("ReminderTop")), 7);

        batch.CommitBatch();
        QCOMPARE(counter.rewrites(), 2);
        TRegistry reader(file());
        QVERIFY(reader.OpenKey(settingsKey, false));
        QCOMPARE(reader.ReadInteger(QStringLiteral("Top")), 90);
        QCOMPARE(reader.ReadString(QStringLiteral("Font")), QStringLiteral("Verdana"));
        QCOMPARE(reader.ReadBool(QStringLiteral("AutoSave")), true);
        QCOMPARE(reader.ReadInteger(QStringLiteral("ReminderTop")), 7);

        // After the batch, writes go to the file at once again.
        batch.WriteInteger(QStringLiteral("Left"), 547);
        QCOMPARE(counter.rewrites(), 3);
        QCOMPARE(reader.ReadInteger(QStringLiteral("Left")), 547);
    }

    // A value deleted in a batch stays deleted at the commit, whether the
    // batch set it before or the file held it; other keys keep theirs.
    void valueDeletedInABatchStaysDeleted()
    {
        const QString otherKey = settingsKey + QStringLiteral("\\Other");
        {
            TRegistry registry(file());
            QVERIFY(registry.OpenKey(otherKey, true));
            registry.WriteInteger(QStringLiteral("Top"), 5);
            QVERIFY(registry.OpenKey(settingsKey, true));
            registry.WriteInteger(QStringLiteral("Left"), 1);
        }
        TRegistry batch(file());
        QVERIFY(batch.OpenKey(otherKey, false));
        batch.BeginBatch();
        batch.WriteInteger(QStringLiteral("Top"), 6);
        QVERIFY(batch.OpenKey(settingsKey, false));
        batch.WriteInteger(QStringLiteral("Top"), 2);
        batch.DeleteValue(QStringLiteral("Top"));
        batch.WriteInteger(QStringLiteral("Left"), 3);
        batch.DeleteValue(QStringLiteral("Left"));
        QVERIFY(!batch.ValueExists(QStringLiteral("Top")));
        QVERIFY(!batch.ValueExists(QStringLiteral("Left")));
        batch.CommitBatch();

        TRegistry reader(file());
        QVERIFY(reader.OpenKey(settingsKey, false));
        QVERIFY(!reader.ValueExists(QStringLiteral("Top")));
        QVERIFY(!reader.ValueExists(QStringLiteral("Left")));
        QVERIFY(reader.OpenKey(otherKey, false));
        QCOMPARE(reader.ReadInteger(QStringLiteral("Top")), 6);
    }

    void uncommittedBatchIsDropped()
    {
        {
            TRegistry registry(file());
            QVERIFY(registry.OpenKey(settingsKey, true));
            registry.WriteInteger(QStringLiteral("Top"), 1);
            TRewriteCounter counter(file());
            registry.BeginBatch();
            registry.WriteInteger(QStringLiteral("Top"), 2);
            QCOMPARE(counter.rewrites(), 0);
        }
        TRegistry registry(file());
        QVERIFY(registry.OpenKey(settingsKey, false));
        QCOMPARE(registry.ReadInteger(QStringLiteral("Top")), 1);
    }

    // A batch that cannot be written raises and leaves the file as it was.
    void failedCommitKeepsTheFile()
    {
        TRegistry registry(file());
        QVERIFY(registry.OpenKey(settingsKey, true));
        registry.WriteInteger(QStringLiteral("Top"), 1);
        TRewriteCounter failing(file(), EIO);
        registry.BeginBatch();
        registry.WriteInteger(QStringLiteral("Top"), 2);
        QVERIFY_THROWS_EXCEPTION(ERegistryError, registry.CommitBatch());
        QCOMPARE(failing.rewrites(), 1);
        TRegistry reader(file());
        QVERIFY(reader.OpenKey(settingsKey, false));
        QCOMPARE(reader.ReadInteger(QStringLiteral("Top")), 1);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), writtenFiles());
    }
};

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_registry.moc"
