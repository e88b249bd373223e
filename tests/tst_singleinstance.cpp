#include "mainwindow/Main.h"
#include "mainwindow/PasswordDlg.h"
#include "app/SingleInstance.h"
#include "diagnostics/LogFile.h"
#include "tests/TestHome.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {
// The program as built; a copy started from here claims the same path.
QString programPath()
{
    return QFileInfo(QStringLiteral(TAMSEL_BINARY)).canonicalFilePath();
}

QProcessEnvironment offscreenEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // No keyring answers: the program never reaches the keyring of whoever runs the tests.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    return environment;
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

    TestHome m_home; // private runtime folder for the locks and sockets

private slots:
    void secondStartOfSamePathIsRefusedAndWakesTheFirst()
    {
        TadpInstanceControl first(QStringLiteral("/opt/tamsel/bin/tamsel"));
        QCOMPARE(first.Claim(), TClaimResult::Claimed);
        QSignalSpy activation(&first, &TadpInstanceControl::ActivationRequested);

        // The refused start talks to the first over a local socket; serve it
        // from this thread's event loop while the second runs elsewhere.
        QFuture<TClaimResult> second = QtConcurrent::run([] {
            TadpInstanceControl control(QStringLiteral("/opt/tamsel/bin/tamsel"));
            return control.Claim();
        });
        QTRY_VERIFY(second.isFinished());
        QCOMPARE(second.result(), TClaimResult::HandedOver);
        QTRY_COMPARE(activation.count(), 1);
    }

    void otherPathRunsBeside()
    {
        TadpInstanceControl first(QStringLiteral("/opt/tamsel/bin/tamsel"));
        TadpInstanceControl other(QStringLiteral("/home/me/tamsel/tamsel"));
        QCOMPARE(first.Claim(), TClaimResult::Claimed);
        QCOMPARE(other.Claim(), TClaimResult::Claimed);
    }

    void pathFreedWhenTheFirstEnds()
    {
        {
            TadpInstanceControl first(QStringLiteral("/opt/tamsel/bin/tamsel"));
            QCOMPARE(first.Claim(), TClaimResult::Claimed);
        }
        TadpInstanceControl next(QStringLiteral("/opt/tamsel/bin/tamsel"));
        QCOMPARE(next.Claim(), TClaimResult::Claimed);
    }

    // Real program starts from one path at the same moment: one runs, the
    // others hand over and end.
    void simultaneousStartsCannotBothPass()
    {
        constexpr int starts = 4;
        QList<QProcess *> processes;
        for (int i = 0; i < starts; ++i) {
            auto *process = new QProcess(this);
            process->setProgram(QStringLiteral(TAMSEL_BINARY));
            process->setProcessEnvironment(offscreenEnvironment());
            processes << process;
        }
        for (QProcess *process : std::as_const(processes))
            process->start();
        const auto running = [&] {
            return std::count_if(processes.cbegin(), processes.cend(),
                                 [](QProcess *p) { return p->state() != QProcess::NotRunning; });
        };
        QTRY_COMPARE_WITH_TIMEOUT(running(), 1, 30000);
        for (QProcess *process : std::as_const(processes)) {
            if (process->state() == QProcess::NotRunning) {
                QCOMPARE(process->exitStatus(), QProcess::NormalExit);
                QCOMPARE(process->exitCode(), 0);
            }
            process->kill();
            process->waitForFinished();
        }
    }

    // A start that can neither run nor hand over to a running copy says why,
    // on standard error and in a message box (logged, since no display shows
    // it here), and ends with a failure.
    void startThatCannotRunSaysWhy_data()
    {
        QTest::addColumn<bool>("lockFolderUnusable");
        QTest::addColumn<QString>("told");
        // Neither the runtime folder nor the temporary folder after it can hold the lock.
        QTest::newRow("no folder for the lock")
            << true << QStringLiteral("Tamsel cannot start, because it cannot create its lock file %1/");
        // The lock is held by a process that does not listen for requests.
        QTest::newRow("running copy does not answer")
            << false << QStringLiteral("Tamsel is running already, but it does not answer the request to show its window");
    }
    void startThatCannotRunSaysWhy()
    {
        QFETCH(bool, lockFolderUnusable);
        QFETCH(QString, told);
        QProcessEnvironment environment = offscreenEnvironment();
        std::unique_ptr<QLockFile> heldLock;
        if (lockFolderUnusable) {
            const QString notAFolder = m_home.path() + QStringLiteral("/not-a-folder");
            QFile file(notAFolder);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), notAFolder);
            environment.insert(QStringLiteral("TMPDIR"), notAFolder);
            told = told.arg(notAFolder);
        } else {
            heldLock = std::make_unique<QLockFile>(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                                                   + QLatin1Char('/') + TadpInstanceControl::NameFor(programPath())
                                                   + QStringLiteral(".lock"));
            QVERIFY(heldLock->tryLock(0));
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TAMSEL_BINARY));
        QVERIFY(program.waitForFinished(60000));
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY2(errors.contains(QStringLiteral("tamsel: ") + told), qPrintable(errors));
        const QString log = readText(LogFile::path());
        QVERIFY2(log.contains(QStringLiteral("answered with OK: ") + told), qPrintable(log));
    }

    // A second start while the first still asks for the passphrase: the
    // first instance's window stays hidden behind the dialog until start-up
    // is complete, and then comes up, although this start asked for the tray.
    void secondStartDuringThePassPhraseDialogWaitsForTheEndOfStartUp()
    {
        TestHome home;
        // The passphrase dialog runs for real: this test answers it itself.
        const PasswordDlgSeam::TUnansweredHandler failing = PasswordDlgSeam::setUnansweredHandler({});
        const auto restore = qScopeGuard([&] { PasswordDlgSeam::setUnansweredHandler(failing); });
        TadpInstanceControl first(programPath());
        QCOMPARE(first.Claim(), TClaimResult::Claimed);
        QSignalSpy activation(&first, &TadpInstanceControl::ActivationRequested);
        TfrmMain w;
        connect(&first, &TadpInstanceControl::ActivationRequested, &w, &TfrmMain::BringToFront);

        bool checkedInDialog = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, &w, [&] {
            auto *dialog = qobject_cast<TPasswordDlg *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            // A failed check must not leave start-up waiting on the dialog.
            auto cancel = qScopeGuard([dialog] { dialog->reject(); });
            QProcess second;
            second.setProcessEnvironment(offscreenEnvironment());
            second.start(QStringLiteral(TAMSEL_BINARY));
            QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
            QCOMPARE(second.exitCode(), 0);
            QTRY_COMPARE(activation.count(), 1);
            QVERIFY(!w.isVisible());
            QVERIFY(dialog->isVisible());
            QCOMPARE(QApplication::activeModalWidget(), dialog);
            cancel.dismiss();
            dialog->edtPassword->setText(QStringLiteral("later start"));
            dialog->edtConfirm->setText(QStringLiteral("later start"));
            dialog->btnOK->click();
            checkedInDialog = true;
        });
        poll.start();
        w.FormCreate({QStringLiteral("-0")});
        QVERIFY(checkedInDialog);
        QVERIFY(w.HasPassPhrase);
        QVERIFY(!w.isVisible());
        w.show(); // as the program entry does once start-up is complete
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
