#include "app/SingleInstance.h"
#include "tests/TestHome.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

    TestHome m_home; // private runtime folder for the locks and sockets

private slots:
    void secondStartOfSamePathIsRefusedAndWakesTheFirst()
    {
        TadpInstanceControl first(QStringLiteral("/opt/tamsel/bin/tamsel"));
        QVERIFY(first.Claim());
        QSignalSpy activation(&first, &TadpInstanceControl::ActivationRequested);

        // The refused start talks to the first over a local socket; serve it
        // from this thread's event loop while the second runs elsewhere.
        QFuture<bool> second = QtConcurrent::run([] {
            TadpInstanceControl control(QStringLiteral("/opt/tamsel/bin/tamsel"));
            return control.Claim();
        });
        QTRY_VERIFY(second.isFinished());
        QCOMPARE(second.result(), false);
        QTRY_COMPARE(activation.count(), 1);
    }

    void otherPathRunsBeside()
    {
        TadpInstanceControl first(QStringLiteral("/opt/tamsel/bin/tamsel"));
        TadpInstanceControl other(QStringLiteral("/home/me/tamsel/tamsel"));
        QVERIFY(first.Claim());
        QVERIFY(other.Claim());
    }

    void pathFreedWhenTheFirstEnds()
    {
        {
            TadpInstanceControl first(QStringLiteral("/opt/tamsel/bin/tamsel"));
            QVERIFY(first.Claim());
        }
        TadpInstanceControl next(QStringLiteral("/opt/tamsel/bin/tamsel"));
        QVERIFY(next.Claim());
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
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            process->setProcessEnvironment(environment);
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
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
