// MessageDlg: the real message box it builds (icon, buttons, caption, place,
// result) and the seam tests answer it through.
#include "diagnostics/LogFile.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Clock.h"
#include "tests/FakeMailHandoff.h"
#include "tests/TestHome.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

Q_DECLARE_METATYPE(TMsgDlgType)

namespace {
// What the test saw of the box before pressing its button.
struct TSeenBox
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QRect frame;
};

// Waits, inside the box's own event loop, for the message box to come up,
// notes what it shows and presses the given button, which ends the loop.
// Nothing sleeps: a zero timer looks again each time the loop turns.
class TBoxAnswerer : public QObject
{
public:
    explicit TBoxAnswerer(QMessageBox::StandardButton press) : m_press(press)
    {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_timer.stop();
            m_seen = TSeenBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                              box->frameGeometry()};
            if (QAbstractButton *button = box->button(m_press))
                button->click();
            else
                box->reject();
        });
        m_timer.start();
    }
    const std::optional<TSeenBox> &seen() const { return m_seen; }

private:
    QMessageBox::StandardButton m_press;
    QTimer m_timer;
    std::optional<TSeenBox> m_seen;
};

bool nearlyEqual(const QPoint &a, const QPoint &b)
{
    return (a - b).manhattanLength() <= 2;
}
} // namespace

class tst_MessageDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void unansweredBoxFailsTheTest();
    void boxNobodyCanSeeIsLoggedAndDeclined_data();
    void boxNobodyCanSeeIsLoggedAndDeclined();

    void realBoxShowsTypeAndButtons_data();
    void realBoxShowsTypeAndButtons();
    void realBoxReturnsPressedButton_data();
    void realBoxReturnsPressedButton();
    void firstFormCentresOverOwner();
    void firstFormFallsBackToShownMainWindow();
    void firstFormWithoutOwnerCentresOnScreen();
    void captionFormCentresOnScreen();

    void seamAnswersInOrderAndRecords();
    void seamFailureIsReportedAndReadsAsCancel();

private:
    std::optional<TestHome> m_home;
};

void tst_MessageDlg::initTestCase()
{
    MessageDlgSeam::setRealBoxesDriven(true);
}

void tst_MessageDlg::init()
{
    m_home.emplace();
}

void tst_MessageDlg::cleanup()
{
    QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
    MessageDlgSeam::setNextAnswers({});
    MessageDlgSeam::takeAskedDialogs();
    Clock::clearFixed();
    m_home.reset();
}

void tst_MessageDlg::realBoxShowsTypeAndButtons_data()
{
    QTest::addColumn<TMsgDlgType>("type");
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("standardButtons");

    QTest::newRow("warning, OK") << TMsgDlgType::Warning << unsigned(mbOK) << int(QMessageBox::Warning)
                                 << int(QMessageBox::Ok);
    QTest::newRow("error, Yes No") << TMsgDlgType::Error << unsigned(mbYes | mbNo) << int(QMessageBox::Critical)
                                   << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("information, OK") << TMsgDlgType::Information << unsigned(mbOK)
                                     << int(QMessageBox::Information) << int(QMessageBox::Ok);
    QTest::newRow("confirmation, Yes No Cancel")
        << TMsgDlgType::Confirmation << unsigned(mbYes | mbNo | mbCancel) << int(QMessageBox::Question)
        << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QTest::newRow("plain, OK Cancel") << TMsgDlgType::Custom << unsigned(mbOK | mbCancel)
                                      << int(QMessageBox::NoIcon) << int(QMessageBox::Ok | QMessageBox::Cancel);
}

void tst_MessageDlg::realBoxShowsTypeAndButtons()
{
    QFETCH(TMsgDlgType, type);
    QFETCH(unsigned, buttons);
    QFETCH(int, icon);
    QFETCH(int, standardButtons);

    TBoxAnswerer answerer(QMessageBox::Cancel);
    MessageDlg(QStringLiteral("First line\r\nSecond line"), type, buttons);
    QVERIFY(answerer.seen());
    QCOMPARE(answerer.seen()->caption, QStringLiteral("Tamsel"));
    QCOMPARE(int(answerer.seen()->icon), icon);
    QCOMPARE(int(answerer.seen()->buttons), standardButtons);
    // Shown as two lines, without the carriage return a label would draw.
    QCOMPARE(answerer.seen()->text, QStringLiteral("First line\nSecond line"));
}

void tst_MessageDlg::realBoxReturnsPressedButton_data()
{
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << int(QMessageBox::Ok) << 1;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << 2;
    QTest::newRow("Yes") << int(QMessageBox::Yes) << 6;
    QTest::newRow("No") << int(QMessageBox::No) << 7;
}

void tst_MessageDlg::realBoxReturnsPressedButton()
{
    QFETCH(int, press);
    QFETCH(int, result);

    TBoxAnswerer answerer{QMessageBox::StandardButton(press)};
    QCOMPARE(MessageDlg(QStringLiteral("Save changes to the current entry?"), TMsgDlgType::Confirmation,
                        mbYes | mbNo | mbOK | mbCancel),
             result);
    QVERIFY(answerer.seen());
}

void tst_MessageDlg::firstFormCentresOverOwner()
{
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("owner"));
    owner.setGeometry(40, 30, 520, 380);
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));

    TBoxAnswerer answerer(QMessageBox::Ok);
    MessageDlg(QStringLiteral("The specified file cannot be found."), TMsgDlgType::Warning, mbOK);
    QVERIFY(answerer.seen());
    QVERIFY2(nearlyEqual(answerer.seen()->frame.center(), owner.frameGeometry().center()),
             qPrintable(QStringLiteral("box centre (%1,%2), owner centre (%3,%4)")
                            .arg(answerer.seen()->frame.center().x())
                            .arg(answerer.seen()->frame.center().y())
                            .arg(owner.frameGeometry().center().x())
                            .arg(owner.frameGeometry().center().y())));
    // Not merely the screen centre by chance.
    QVERIFY(!nearlyEqual(owner.frameGeometry().center(),
                         QGuiApplication::primaryScreen()->availableGeometry().center()));
}

void tst_MessageDlg::firstFormFallsBackToShownMainWindow()
{
    // Without a window manager nothing may be active; the box still belongs
    // over the main window the user sees.
    QMainWindow main;
    main.setGeometry(30, 40, 600, 420);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QApplication::setActiveWindow(nullptr);
    QVERIFY(!QApplication::activeWindow());

    TBoxAnswerer answerer(QMessageBox::Ok);
    MessageDlg(QStringLiteral("The specified file cannot be found."), TMsgDlgType::Warning, mbOK);
    QVERIFY(answerer.seen());
    QVERIFY(nearlyEqual(answerer.seen()->frame.center(), main.frameGeometry().center()));

    // Minimized into the tray it is no place for a box: the screen is.
    main.hide();
    TBoxAnswerer second(QMessageBox::Ok);
    MessageDlg(QStringLiteral("The specified file cannot be found."), TMsgDlgType::Warning, mbOK);
    QVERIFY(second.seen());
    QVERIFY(nearlyEqual(second.seen()->frame.center(),
                        QGuiApplication::primaryScreen()->availableGeometry().center()));
}

void tst_MessageDlg::firstFormWithoutOwnerCentresOnScreen()
{
    QVERIFY(!QApplication::activeWindow());
    TBoxAnswerer answerer(QMessageBox::Ok);
    MessageDlg(QStringLiteral("Reminder"), TMsgDlgType::Information, mbOK);
    QVERIFY(answerer.seen());
    QVERIFY(nearlyEqual(answerer.seen()->frame.center(),
                        QGuiApplication::primaryScreen()->availableGeometry().center()));
}

void tst_MessageDlg::captionFormCentresOnScreen()
{
    // Even with a window active the captioned form ignores it.
    QWidget owner;
    owner.setGeometry(10, 10, 300, 200);
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));

    TBoxAnswerer answerer(QMessageBox::Ok);
    QCOMPARE(MessageDlg(QStringLiteral("Task Instructions"), QStringLiteral("Call the bank."),
                        TMsgDlgType::Information, mbOK),
             mrOk);
    QVERIFY(answerer.seen());
    QCOMPARE(answerer.seen()->caption, QStringLiteral("Task Instructions"));
    QCOMPARE(int(answerer.seen()->icon), int(QMessageBox::Information));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2(nearlyEqual(answerer.seen()->frame.center(), screenCentre),
             qPrintable(QStringLiteral("box centre (%1,%2), screen centre (%3,%4)")
                            .arg(answerer.seen()->frame.center().x())
                            .arg(answerer.seen()->frame.center().y())
                            .arg(screenCentre.x())
                            .arg(screenCentre.y())));
}

void tst_MessageDlg::seamAnswersInOrderAndRecords()
{
    MessageDlgSeam::setNextAnswers({mrYes, mrOk});
    QVERIFY(MessageDlgSeam::hasPendingAnswers());
    QCOMPARE(MessageDlg(QStringLiteral("Delete?"), TMsgDlgType::Confirmation, mbYes | mbNo), mrYes);
    QCOMPARE(MessageDlg(QStringLiteral("Task Instructions"), QStringLiteral("Call."), TMsgDlgType::Information,
                        mbOK),
             mrOk);
    QVERIFY(!MessageDlgSeam::hasPendingAnswers());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].caption, QStringLiteral("Tamsel"));
    QCOMPARE(asked[0].message, QStringLiteral("Delete?"));
    QCOMPARE(asked[0].type, TMsgDlgType::Confirmation);
    QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbYes | mbNo));
    QCOMPARE(asked[1].caption, QStringLiteral("Task Instructions"));
    QCOMPARE(asked[1].message, QStringLiteral("Call."));
    QVERIFY(MessageDlgSeam::takeAskedMessages().isEmpty());

    MessageDlgSeam::setNextAnswers({mrNo});
    MessageDlg(QStringLiteral("Again?"), TMsgDlgType::Confirmation, mbYes | mbNo);
    QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList{QStringLiteral("Again?")});
    QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
}

void tst_MessageDlg::seamFailureIsReportedAndReadsAsCancel()
{
    TFakeMailHandoff mail;
    Clock::setFixed(QDateTime(QDate(2025, 12, 9), QTime(9, 0)));
    MessageDlgSeam::setNextAnswers({MessageDlgSeam::failToShow, mrNo});
    QCOMPARE(MessageDlg(QStringLiteral("Save changes to the current entry?"), TMsgDlgType::Confirmation,
                        mbYes | mbNo | mbCancel),
             mrCancel);

    // The failure went to ReportError, which asked about e-mail.
    const QStringList asked = MessageDlgSeam::takeAskedMessages();
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[1].endsWith(QStringLiteral("Would you like to report this error via e-mail?")));
    QFile log(LogFile::path());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("Unit Name:\tMain\r\nMethod Name:\tMessageDlg\r\n"));
    QVERIFY(mail.requests().isEmpty());
}

void tst_MessageDlg::unansweredBoxFailsTheTest()
{
    // Run in a child process, which is meant to fail.
    if (qEnvironmentVariableIsSet("TAMSEL_ASK_UNANSWERED")) {
        MessageDlgSeam::setRealBoxesDriven(false);
        MessageDlg(QStringLiteral("Nobody answers this"), TMsgDlgType::Confirmation, mbYes | mbNo);
        return;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAMSEL_ASK_UNANSWERED"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("unansweredBoxFailsTheTest")});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() != 0, output.constData());
    QVERIFY2(output.contains("FAIL!  : tst_MessageDlg::unansweredBoxFailsTheTest() MessageDlg was asked without "
                             "a queued answer: Nobody answers this"),
             output.constData());
}

void tst_MessageDlg::boxNobodyCanSeeIsLoggedAndDeclined_data()
{
    QTest::addColumn<TMsgDlgButtons>("buttons");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("logged");
    QTest::newRow("Yes, No, Cancel") << TMsgDlgButtons(mbYes | mbNo | mbCancel) << mrCancel << "Cancel";
    QTest::newRow("OK, Cancel") << TMsgDlgButtons(mbOK | mbCancel) << mrCancel << "Cancel";
    QTest::newRow("Yes, No") << TMsgDlgButtons(mbYes | mbNo) << mrNo << "No";
    QTest::newRow("OK") << TMsgDlgButtons(mbOK) << mrOk << "OK";
}

// The program itself, run without a display, goes on at its first message.
void tst_MessageDlg::boxNobodyCanSeeIsLoggedAndDeclined()
{
    QFETCH(TMsgDlgButtons, buttons);
    QFETCH(int, answer);
    QFETCH(QString, logged);
    MessageDlgSeam::setRealBoxesDriven(false);
    const MessageDlgSeam::TUnansweredHandler harness = MessageDlgSeam::setUnansweredHandler({});
    const int result = MessageDlg(QStringLiteral("Work in the default folder?"), TMsgDlgType::Confirmation, buttons);
    MessageDlgSeam::setUnansweredHandler(harness);
    MessageDlgSeam::setRealBoxesDriven(true);

    QCOMPARE(result, answer);
    QVERIFY(!QApplication::activeModalWidget());
    QFile log(LogFile::path());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(QStringLiteral("Method Name:\tMessageDlg\r\nError Message:\tNo display can show this "
                                          "message; it was answered with %1: Work in the default folder?")
                               .arg(logged)),
             qPrintable(text));
}

QTEST_MAIN(tst_MessageDlg)
#include "tst_messagedlg.moc"
