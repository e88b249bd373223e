#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {
const QString probe = QStringLiteral(CORE_DUMP_PROBE);

// Whether a crash here writes a core file into the working directory at all:
// a plain pattern (not handed to a program) and a hard limit above 0.
bool coresLandInWorkingDirectory()
{
    QFile pattern(QStringLiteral("/proc/sys/kernel/core_pattern"));
    if (!pattern.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = pattern.readAll().trimmed();
    rlimit limit {};
    return !text.isEmpty() && !text.startsWith('|') && !text.contains('/') && ::getrlimit(RLIMIT_CORE, &limit) == 0
        && limit.rlim_max != 0;
}
} // namespace

class TestCoreDumps : public QObject
{
    Q_OBJECT

private slots:
    // The probe allows cores, then calls what the programs call first; a
    // SIGSEGV after that leaves no core file, and the kernel holds the
    // process as not dumpable. The control run keeps cores and shows that
    // this machine would otherwise have written one.
    void crashLeavesNoCoreFile_data()
    {
        QTest::addColumn<bool>("keepCores");
        QTest::newRow("cores turned off") << false;
        QTest::newRow("control: cores kept") << true;
    }
    void crashLeavesNoCoreFile()
    {
        QFETCH(bool, keepCores);
        if (keepCores && !coresLandInWorkingDirectory())
            QSKIP("This machine does not write core files into the working directory.");
        QTemporaryDir folder;
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.start(probe, keepCores ? QStringList { QStringLiteral("--keep-cores") } : QStringList());
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        const QByteArray report = process.readAllStandardOutput().trimmed();
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
        if (keepCores) {
            QVERIFY2(!left.isEmpty(), report.constData());
            return;
        }
        QCOMPARE(report, QByteArray("dumpable=0 core=0"));
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
    }
};

QTEST_GUILESS_MAIN(TestCoreDumps)
#include "tst_coredumps.moc"
