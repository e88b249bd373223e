#include "settings/Registry.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_Registry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file() const { return m_dir.path() + QStringLiteral("/registry.json"); }

private slots:
    void init() { QFile::remove(file()); }

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
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("registry.json")});
    }

    void fileIsPrivateAndComplete()
    {
        TRegistry registry(file());
        registry.OpenKey(QStringLiteral("Key"), true);
        registry.WriteInteger(QStringLiteral("Top"), 1);
        // User bits only: nothing for the group or others.
        QCOMPARE(QFile::permissions(file()) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        // No temporary files are left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("registry.json")});
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
};

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_registry.moc"
