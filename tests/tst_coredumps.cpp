#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <string>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString probe = QStringLiteral(CORE_DUMP_PROBE);
const QString storeTool = QStringLiteral(TAMSEL_STORE_BINARY);

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

    // The real tool, started with cores allowed: once it asks for the
    // passphrase its core limit is 0, and a SIGSEGV then dumps nothing.
    void storeToolRunsWithCoresOff()
    {
        QTemporaryDir folder;
        const QByteArray program = QFile::encodeName(storeTool);
        const QByteArray workingDirectory = QFile::encodeName(folder.path());
        // Under AddressSanitizer the signal goes to the kernel as it does in
        // a normal build, not to the sanitizer's report (which ends in abort).
        const char *inherited = ::getenv("ASAN_OPTIONS");
        const std::string sanitizerOptions = std::string(inherited ? inherited : "") + ":handle_segv=0";
        int master = -1;
        const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (child == 0) {
            rlimit limit {};
            ::getrlimit(RLIMIT_CORE, &limit);
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_CORE, &limit);
            ::unsetenv("TAMSEL_PASSPHRASE");
            ::setenv("ASAN_OPTIONS", sanitizerOptions.c_str(), 1);
            if (::chdir(workingDirectory.constData()) != 0)
                ::_exit(126);
            ::execl(program.constData(), program.constData(), "check", "brindo.dat", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        QVERIFY(child > 0);
        QByteArray shown;
        while (!shown.contains("Passphrase: ")) {
            pollfd waiting { master, POLLIN, 0 };
            char buffer[256];
            const ssize_t got = ::poll(&waiting, 1, 30000) > 0 ? ::read(master, buffer, sizeof buffer) : -1;
            if (got <= 0)
                break;
            shown.append(buffer, got);
        }
        QFile limits(QStringLiteral("/proc/%1/limits").arg(child));
        const QByteArray limitsText = limits.open(QIODevice::ReadOnly) ? limits.readAll() : QByteArray();
        ::kill(child, SIGSEGV);
        // Qt's process launcher may have a SIGCHLD handler here (on kernels
        // without pidfd), and that signal interrupts the wait.
        int status = 0;
        pid_t waited = -1;
        do
            waited = ::waitpid(child, &status, 0);
        while (waited < 0 && errno == EINTR);
        ::close(master);
        QVERIFY2(shown.contains("Passphrase: "), shown.constData());
        QVERIFY2(QRegularExpression(QStringLiteral("Max core file size +0 +0 "))
                     .match(QString::fromLatin1(limitsText))
                     .hasMatch(),
            limitsText.constData());
        QCOMPARE(waited, child);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV, qPrintable(QString::number(status, 16)));
        QVERIFY(!WCOREDUMP(status));
        QVERIFY(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCoreDumps)
#include "tst_coredumps.moc"
