// The log file and the two reporters: what each writes, what the user is
// asked, and what goes to the mail program.
#include "diagnostics/ErrorReport.h"
#include "diagnostics/LogFile.h"
#include "diagnostics/MessageDlg.h"
#include "diagnostics/SendEMailMessage.h"
#include "platform/Clock.h"
#include "store/LocaleFormat.h"
#include "tests/FakeMailHandoff.h"
#include "tests/TestHome.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <optional>
#include <unistd.h>

namespace {
const QByteArray banner = QByteArrayLiteral("******************** LOG INFO **********************\r\n");
const QByteArray closing = QByteArrayLiteral("****************************************************\r\n");
const QByteArray closingWithEmptyLine = closing + QByteArrayLiteral("\r\n");
const QString version = QStringLiteral(TAMSEL_VERSION);

const TExceptionInfoStructure formCreateFailure{QStringLiteral("Main"), QStringLiteral("FormCreate"),
                                                QStringLiteral("Access denied")};

// Accepts a number of bytes, then fails every write, as a full disk does.
class TFailDevice : public QIODevice
{
public:
    explicit TFailDevice(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 room = m_capacity - written.size();
        if (room <= 0)
            return -1;
        const qint64 taken = qMin(room, size);
        written.append(data, taken);
        return taken;
    }

private:
    qint64 m_capacity;
};
} // namespace

class tst_ErrorLog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void entryIsElevenLines_data();
    void entryIsElevenLines();
    void severalReportsAppendSeveralEntries();
    void logIsCreatedForTheUserOnly();
    void failingWriteReportsFailure();

    void logErrorShowsNoDialog();
    void unwritableLogShowsFallback_data();
    void unwritableLogShowsFallback();
    void logThatCannotTakeDataShowsFallback();

    void reportErrorAnsweredNoSendsNothing();
    void reportErrorAnsweredYesSendsReport();
    void mailFailureNumberIsShown();
    void failureWhileMailingIsShownAfterLogging();
    void failingAskIsShownAfterLogging();
    void reportsEndWhenNoDialogCanBeShown();

private:
    QByteArray readLog() const;
    void useEnglishUs();

    std::optional<TestHome> m_home;
    std::optional<TFakeMailHandoff> m_mail;
};

void tst_ErrorLog::init()
{
    m_home.emplace();
    m_mail.emplace();
    useEnglishUs();
    Clock::setFixed(QDateTime(QDate(2025, 12, 9), QTime(14, 5, 7)));
}

void tst_ErrorLog::cleanup()
{
    QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
    MessageDlgSeam::setNextAnswers({});
    MessageDlgSeam::takeAskedDialogs();
    Clock::clearFixed();
    SetLocaleFormat(TLocaleFormat::fromLocale(QLocale::system()));
    m_mail.reset();
    m_home.reset();
}

QByteArray tst_ErrorLog::readLog() const
{
    QFile file(m_home->dataFolder() + QStringLiteral("/Tamsel.log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_ErrorLog::useEnglishUs()
{
    SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
}

void tst_ErrorLog::entryIsElevenLines_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("moment");
    QTest::addColumn<QByteArray>("messageBytes");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("US afternoon") << us << QTime(14, 5, 7) << QStringLiteral("Access denied")
                                  << QByteArray("12/9/25 2:05:07 PM") << QByteArray("Access denied");
    QTest::newRow("German") << german << QTime(14, 5, 7) << QStringLiteral("Access denied")
                            << QByteArray("09.12.25 14:05:07") << QByteArray("Access denied");
    QTest::newRow("midnight leaves the time out")
        << us << QTime(0, 0) << QStringLiteral("Access denied") << QByteArray("12/9/25")
        << QByteArray("Access denied");
    QTest::newRow("one second past midnight keeps it")
        << us << QTime(0, 0, 1) << QStringLiteral("Access denied") << QByteArray("12/9/25 12:00:01 AM")
        << QByteArray("Access denied");
    QTest::newRow("message beyond ASCII") << us << QTime(14, 5, 7) << QStringLiteral("Datei \u00bbM\u00e4rz\u00ab fehlt")
                                          << QByteArray("12/9/25 2:05:07 PM")
                                          << QByteArray("Datei \xC2\xBBM\xC3\xA4rz\xC2\xAB fehlt");
}

void tst_ErrorLog::entryIsElevenLines()
{
    QFETCH(QLocale, locale);
    QFETCH(QTime, time);
    QFETCH(QString, message);
    QFETCH(QByteArray, moment);
    QFETCH(QByteArray, messageBytes);

    SetLocaleFormat(TLocaleFormat::fromLocale(locale));
    Clock::setFixed(QDateTime(QDate(2025, 12, 9), time));
    LogError({QStringLiteral("Main"), QStringLiteral("FormCreate"), message});

    const QByteArray expected = "******************** LOG INFO **********************\r\n"
                                "\r\n"
                                + moment + "\r\n"
                                "\r\n"
                                "The following error occured in Tamsel v. " + version.toLatin1() + ":\r\n"
                                "\r\n"
                                "Unit Name:\tMain\r\n"
                                "Method Name:\tFormCreate\r\n"
                                "Error Message:\t" + messageBytes + "\r\n"
                                "****************************************************\r\n"
                                "\r\n";
    QCOMPARE(readLog(), expected);
}

void tst_ErrorLog::severalReportsAppendSeveralEntries()
{
    const QByteArray earlier = QByteArrayLiteral("an earlier run's entry\r\n");
    {
        QFile file(m_home->dataFolder() + QStringLiteral("/Tamsel.log"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    const TExceptionInfoStructure first{QStringLiteral("Main"), QStringLiteral("FormResize"), QStringLiteral("one")};
    const TExceptionInfoStructure second{QStringLiteral("Reminder"), QStringLiteral("btnSaveClick"),
                                         QStringLiteral("two")};
    const TExceptionInfoStructure third{QStringLiteral("AddNote"), QStringLiteral("edtTitleChange"),
                                        QStringLiteral("three")};
    const QDateTime firstMoment = Clock::now();
    LogError(first);
    MessageDlgSeam::setNextAnswers({mrNo});
    ReportError(second);
    const QDateTime thirdMoment = firstMoment.addSecs(61);
    Clock::setFixed(thirdMoment);
    LogError(third);

    const QByteArray log = readLog();
    QCOMPARE(log, earlier + LogFile::entry(first, firstMoment) + LogFile::entry(second, firstMoment)
                      + LogFile::entry(third, thirdMoment));
    QCOMPARE(log.count(banner), 3);
    QCOMPARE(log.count(closingWithEmptyLine), 3);
    QVERIFY(log.endsWith(closingWithEmptyLine));
    QVERIFY(log.contains("\r\n12/9/25 2:06:08 PM\r\n"));
}

void tst_ErrorLog::logIsCreatedForTheUserOnly()
{
    const QString path = m_home->dataFolder() + QStringLiteral("/Tamsel.log");
    QCOMPARE(LogFile::path(), path);
    QVERIFY(!QFile::exists(path));
    LogError(formCreateFailure);
    QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
}

void tst_ErrorLog::failingWriteReportsFailure()
{
    const QByteArray whole = LogFile::entry(formCreateFailure, Clock::now());
    TFailDevice full(whole.size() - 1);
    QVERIFY(!LogFile::appendEntry(full, formCreateFailure, Clock::now()));
    TFailDevice roomy(whole.size());
    QVERIFY(LogFile::appendEntry(roomy, formCreateFailure, Clock::now()));
    QCOMPARE(roomy.written, whole);
}

void tst_ErrorLog::logErrorShowsNoDialog()
{
    LogError({QStringLiteral("Main"), QStringLiteral("FormResize"), QStringLiteral("bad geometry")});
    QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
    QVERIFY(m_mail->requests().isEmpty());
    QCOMPARE(readLog().count(banner), 1);
    QVERIFY(readLog().contains("Method Name:\tFormResize\r\n"));
}

void tst_ErrorLog::unwritableLogShowsFallback_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("ReportError, folder under a file") << false << false;
    QTest::newRow("LogError, folder under a file") << true << false;
    QTest::newRow("ReportError, read-only folder") << false << true;
    QTest::newRow("LogError, read-only folder") << true << true;
}

void tst_ErrorLog::unwritableLogShowsFallback()
{
    QFETCH(bool, quiet);
    QFETCH(bool, readOnlyFolder);

    const QString dataHome = m_home->path() + QStringLiteral("/blocked");
    if (readOnlyFolder) {
        if (geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QVERIFY(QDir().mkpath(dataHome));
        QVERIFY(QFile::setPermissions(dataHome, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        // A data folder whose parent is a file cannot be created by anyone.
        QFile blocker(dataHome);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    qputenv("XDG_DATA_HOME", dataHome.toUtf8());

    MessageDlgSeam::setNextAnswers({mrOk});
    if (quiet)
        LogError(formCreateFailure);
    else
        ReportError(formCreateFailure);

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].message,
             QStringLiteral("The following error occurred in Tamsel and was unable to be written to the log file:"
                            "\r\n\r\nUnit:\tMain\r\nMethod:\tFormCreate\r\nError:\r\nAccess denied"));
    QCOMPARE(asked[0].caption, QStringLiteral("Tamsel"));
    QCOMPARE(asked[0].type, TMsgDlgType::Error);
    QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbOK));
    QVERIFY(!QFile::exists(dataHome + QStringLiteral("/Tamsel/Tamsel.log")));
    QVERIFY(m_mail->requests().isEmpty());
    if (readOnlyFolder)
        QFile::setPermissions(dataHome, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void tst_ErrorLog::logThatCannotTakeDataShowsFallback()
{
    // Opens like any file, then fails every write with "no space left".
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), m_home->dataFolder() + QStringLiteral("/Tamsel.log")));
    MessageDlgSeam::setNextAnswers({mrOk});
    LogError(formCreateFailure);
    const QStringList asked = MessageDlgSeam::takeAskedMessages();
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].startsWith(
        QStringLiteral("The following error occurred in Tamsel and was unable to be written to the log file:")));
}

void tst_ErrorLog::reportErrorAnsweredNoSendsNothing()
{
    MessageDlgSeam::setNextAnswers({mrNo});
    ReportError(formCreateFailure);

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].message, QStringLiteral("An error has occurred in Tamsel and has been logged.\r\n\r\n"
                                              "Would you like to report this error via e-mail?"));
    QCOMPARE(asked[0].caption, QStringLiteral("Tamsel"));
    QCOMPARE(asked[0].type, TMsgDlgType::Error);
    QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbYes | mbNo));
    QVERIFY(m_mail->requests().isEmpty());
    QCOMPARE(readLog(), LogFile::entry(formCreateFailure, Clock::now()));
}

void tst_ErrorLog::reportErrorAnsweredYesSendsReport()
{
    MessageDlgSeam::setNextAnswers({mrYes});
    ReportError({QStringLiteral("Main"), QStringLiteral("FormCreate"), QStringLiteral("Can't read a&b?.dat")});

    QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
    QCOMPARE(m_mail->requests().size(), 1);
    const QString expected =
        QStringLiteral("mailto:") + FeedbackAddress + QStringLiteral("?subject=Error Report from Tamsel v.") + version
        + QStringLiteral("&body=The following error was encountered in Tamsel:\r\n"
                         "%0D%0A%0D%0ADate:%09%0912/9/25 2:05:07 PM"
                         "%0D%0AUnit:%09%09Main"
                         "%0D%0AMethod:%09%09FormCreate"
                         "%0D%0AError:%09%09Can't read a&b?.dat"
                         "%0D%0A%0D%0APlease add a brief description of what you were doing, as well as "
                         "which operating system and desktop you're using.");
    QCOMPARE(m_mail->requests().first(), expected);
    QCOMPARE(readLog().count(banner), 1);
}

void tst_ErrorLog::mailFailureNumberIsShown()
{
    m_mail->setFailureNumber(TMailHandoff::noMailProgram);
    MessageDlgSeam::setNextAnswers({mrYes, mrOk});
    ReportError(formCreateFailure);

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].message, QStringLiteral("31"));
    QCOMPARE(asked[1].caption, QStringLiteral("Tamsel"));
    QCOMPARE(asked[1].type, TMsgDlgType::Custom);
    QCOMPARE(asked[1].buttons, TMsgDlgButtons(mbOK));
    QCOMPARE(readLog().count(banner), 1);
}

void tst_ErrorLog::failureWhileMailingIsShownAfterLogging()
{
    m_mail->setFailureMessage(QStringLiteral("No mail program"));
    MessageDlgSeam::setNextAnswers({mrYes, mrOk});
    ReportError(formCreateFailure);

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 2);
    // Not offered a second time: the user is told, and both failures are logged.
    QCOMPARE(asked[1].message, QStringLiteral("The following error occurred in Tamsel:\r\n\r\nUnit:\tMain\r\n"
                                              "Method:\tSendEMailMessage\r\nError:\r\nNo mail program"));
    QCOMPARE(asked[1].type, TMsgDlgType::Error);
    QCOMPARE(asked[1].buttons, TMsgDlgButtons(mbOK));
    QCOMPARE(m_mail->requests().size(), 1);
    const QByteArray log = readLog();
    QCOMPARE(log.count(banner), 2);
    QVERIFY(log.contains("Method Name:\tFormCreate\r\n"));
    QVERIFY(log.contains("Method Name:\tSendEMailMessage\r\nError Message:\tNo mail program\r\n"));
}

void tst_ErrorLog::failingAskIsShownAfterLogging()
{
    MessageDlgSeam::setNextAnswers({MessageDlgSeam::failToShow, mrOk});
    ReportError(formCreateFailure);

    const QStringList asked = MessageDlgSeam::takeAskedMessages();
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[1].startsWith(QStringLiteral("The following error occurred in Tamsel:\r\n\r\nUnit:\tMain\r\n"
                                               "Method:\tMessageDlg\r\n")));
    QVERIFY(m_mail->requests().isEmpty());
    QCOMPARE(readLog().count(banner), 2);
}

void tst_ErrorLog::reportsEndWhenNoDialogCanBeShown()
{
    // Every box fails to show, and each failure is itself reported: the
    // reporters must still come back, long before the answers run out.
    QList<int> failures(10, MessageDlgSeam::failToShow);
    MessageDlgSeam::setNextAnswers(failures);
    ReportError(formCreateFailure);
    QVERIFY(MessageDlgSeam::hasPendingAnswers());
    QVERIFY(m_mail->requests().isEmpty());
    QVERIFY(readLog().count(banner) >= 2);

    qputenv("XDG_DATA_HOME", (m_home->path() + QStringLiteral("/missing/under/a/file")).toUtf8());
    QFile blocker(m_home->path() + QStringLiteral("/missing"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    MessageDlgSeam::setNextAnswers(failures);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Tamsel error in")));
    LogError(formCreateFailure);
    QVERIFY(MessageDlgSeam::hasPendingAnswers());
    MessageDlgSeam::setNextAnswers({});
}

QTEST_MAIN(tst_ErrorLog)
#include "tst_errorlog.moc"
