// Handing mail to the user's mail program: the "mailto:" request
// SendEMailMessage builds, and how the system hand-off turns requests and
// messages into what xdg-email or the desktop receive.
#include "diagnostics/MessageDlg.h"
#include "diagnostics/SendEMailMessage.h"
#include "output/SendMailMAPI.h"
#include "platform/Clock.h"
#include "tests/FakeMailHandoff.h"
#include "tests/TestHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class tst_MailHandoff : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void requestKeepsTextsAsGiven_data();
    void requestKeepsTextsAsGiven();
    void failureNumberIsShownPlain();
    void failureIsReportedAsSendEMailMessage();

    void mailtoAddressEscapesOnlyWhatAnAddressCannotHold_data();
    void mailtoAddressEscapesOnlyWhatAnAddressCannotHold();
    void reportBodyArrivesAsWritten();
    void xdgEmailGetsEachPartAsOneArgument();
    void composeAddressEscapesTheTexts();
    void composedTextsReachTheMailProgramWithoutAShell();
    void attachmentThatCannotBeSentIsNamed_data();
    void attachmentThatCannotBeSentIsNamed();
    void noMailProgramIsTold_data();
    void noMailProgramIsTold();
};

void tst_MailHandoff::cleanup()
{
    QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
    MessageDlgSeam::setNextAnswers({});
    MessageDlgSeam::takeAskedDialogs();
}

void tst_MailHandoff::requestKeepsTextsAsGiven_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::newRow("plain") << QStringLiteral("Tamsel Error Submission") << QStringLiteral("Line%0D%0ANext");
    QTest::newRow("ampersand and question mark")
        << QStringLiteral("Q&A? yes") << QStringLiteral("a=1&b=2?c");
    QTest::newRow("empty") << QString() << QString();
}

void tst_MailHandoff::requestKeepsTextsAsGiven()
{
    QFETCH(QString, subject);
    QFETCH(QString, body);

    TFakeMailHandoff mail;
    SendEMailMessage(QStringLiteral("someone@example.org"), subject, body);
    QCOMPARE(mail.requests(),
             QStringList{QStringLiteral("mailto:someone@example.org?subject=") + subject + QStringLiteral("&body=")
                         + body});
    QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
}

void tst_MailHandoff::failureNumberIsShownPlain()
{
    TFakeMailHandoff mail;
    mail.setFailureNumber(TMailHandoff::noMailProgram);
    MessageDlgSeam::setNextAnswers({mrOk});
    SendEMailMessage(FeedbackAddress, QStringLiteral("s"), QStringLiteral("b"));

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].message, QString::number(TMailHandoff::noMailProgram));
    QCOMPARE(asked[0].caption, QStringLiteral("Tamsel"));
    QCOMPARE(asked[0].type, TMsgDlgType::Custom);
    QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbOK));
}

void tst_MailHandoff::failureIsReportedAsSendEMailMessage()
{
    TestHome home;
    TFakeMailHandoff mail;
    mail.setFailureMessage(QStringLiteral("xdg-email crashed"));
    MessageDlgSeam::setNextAnswers({mrNo});
    SendEMailMessage(FeedbackAddress, QStringLiteral("s"), QStringLiteral("b"));

    QVERIFY(MessageDlgSeam::takeAskedMessages().first().contains(QStringLiteral("has been logged")));
    QFile log(home.dataFolder() + QStringLiteral("/Tamsel.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(
        "Unit Name:\tMain\r\nMethod Name:\tSendEMailMessage\r\nError Message:\txdg-email crashed\r\n"));
}

void tst_MailHandoff::mailtoAddressEscapesOnlyWhatAnAddressCannotHold_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QByteArray>("address");

    QTest::newRow("blanks") << QStringLiteral("mailto:a@b?subject=Error Report from Tamsel v.1.2.3.4")
                            << QByteArray("mailto:a@b?subject=Error%20Report%20from%20Tamsel%20v.1.2.3.4");
    QTest::newRow("escapes written by the caller stay")
        << QStringLiteral("mailto:a@b?body=x%0D%0ADate:%09%09y") << QByteArray("mailto:a@b?body=x%0D%0ADate:%09%09y");
    QTest::newRow("raw line break") << QStringLiteral("mailto:a@b?body=first\r\nsecond")
                                    << QByteArray("mailto:a@b?body=first%0D%0Asecond");
    QTest::newRow("separators stay") << QStringLiteral("mailto:a@b?subject=Q&A?&body=x=1;y")
                                     << QByteArray("mailto:a@b?subject=Q&A?&body=x=1;y");
    QTest::newRow("percent that starts no escape")
        << QStringLiteral("mailto:a@b?body=100% done, %4") << QByteArray("mailto:a@b?body=100%25%20done,%20%254");
    QTest::newRow("hash would end the body") << QStringLiteral("mailto:a@b?body=entry #3 failed")
                                             << QByteArray("mailto:a@b?body=entry%20%233%20failed");
    QTest::newRow("beyond ASCII") << QStringLiteral("mailto:a@b?body=M\u00e4rz \u20ac")
                                  << QByteArray("mailto:a@b?body=M%C3%A4rz%20%E2%82%AC");
    QTest::newRow("quotes and angle brackets")
        << QStringLiteral("mailto:a@b?body=\"<x>\"") << QByteArray("mailto:a@b?body=%22%3Cx%3E%22");
}

void tst_MailHandoff::mailtoAddressEscapesOnlyWhatAnAddressCannotHold()
{
    QFETCH(QString, request);
    QFETCH(QByteArray, address);
    const QByteArray result = TSystemMailHandoff::mailtoAddress(request);
    QCOMPARE(result, address);
    QVERIFY(QUrl::fromEncoded(result, QUrl::StrictMode).isValid());
}

void tst_MailHandoff::reportBodyArrivesAsWritten()
{
    // The mail program decodes the address; what it finds in the body must be
    // the report with real line breaks and tabs.
    const QByteArray address = TSystemMailHandoff::mailtoAddress(
        QStringLiteral("mailto:a@b?subject=Error Report&body=Head:\r\n%0D%0ADate:%09%0912/9/25%0D%0AError:%09%09"
                       "100% sure #1"));
    const QUrl url = QUrl::fromEncoded(address, QUrl::StrictMode);
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(), QStringLiteral("a@b"));
    QVERIFY(!url.hasFragment());
    const QString query = url.query(QUrl::FullyDecoded);
    QCOMPARE(query, QStringLiteral("subject=Error Report&body=Head:\r\n\r\nDate:\t\t12/9/25\r\nError:\t\t100% sure #1"));
}

void tst_MailHandoff::xdgEmailGetsEachPartAsOneArgument()
{
    // xdg-email turns each line feed into CR LF itself, so a CR LF is handed
    // over as a line feed alone.
    TMailMessage message;
    message.subject = QStringLiteral("Task:  Pay \"rent\"; $(date) & more");
    message.text = QStringLiteral("Instructions:  \tline one\r\nline two\nline three");
    const QString text = QStringLiteral("Instructions:  \tline one\nline two\nline three");
    QCOMPARE(TSystemMailHandoff::xdgEmailArguments(message),
             (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                          QStringLiteral("--body"), text}));

    message.recipientAddress = QStringLiteral("feedback@example.org");
    message.attachmentPath = QStringLiteral("/home/u/My Files/plan.pdf");
    QCOMPARE(TSystemMailHandoff::xdgEmailArguments(message),
             (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                          QStringLiteral("--body"), text, QStringLiteral("--attach"),
                          message.attachmentPath, message.recipientAddress}));
}

void tst_MailHandoff::composeAddressEscapesTheTexts()
{
    // Unlike a "mailto:" request, a composed message holds plain texts, so
    // every separator in them is escaped.
    TMailMessage message;
    message.subject = QStringLiteral("Q&A?");
    message.text = QStringLiteral("a=1&b\r\n100%");
    message.recipientAddress = QStringLiteral("feedback@example.org");
    const QByteArray address = TSystemMailHandoff::composeAddress(message);
    QCOMPARE(address, QByteArray("mailto:feedback@example.org?subject=Q%26A%3F&body=a%3D1%26b%0D%0A100%25"));
    const QUrl url = QUrl::fromEncoded(address, QUrl::StrictMode);
    QVERIFY(url.isValid());
}

void tst_MailHandoff::composedTextsReachTheMailProgramWithoutAShell()
{
    // A stand-in for xdg-email on the PATH records the arguments it gets. A
    // shell between the program and it would expand or split them, and run
    // the commands they hold.
    QTemporaryDir folder;
    const QString recorded = folder.filePath(QStringLiteral("arguments"));
    const QString tool = folder.filePath(QStringLiteral("xdg-email"));
    QFile script(tool);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.part\" && mv \"$0.part\" \"" + recorded.toUtf8() + "\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QString marker = folder.filePath(QStringLiteral("ran"));

    TMailMessage message;
    message.subject = QStringLiteral("Task:  $(touch %1); `touch %1` | touch %1 & \"quoted\" 'single'").arg(marker);
    message.text = QStringLiteral("Instructions:  \t$HOME * ?\n\nCreated:  \t3/10/26 > %1\nM\u00e4rz").arg(marker);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", folder.path().toUtf8() + ':' + path);
    const int result = TSystemMailHandoff().compose(message);
    qputenv("PATH", path);

    QCOMPARE(result, TMailHandoff::composeOk);
    QTRY_VERIFY(QFile::exists(recorded));
    QFile arguments(recorded);
    QVERIFY(arguments.open(QIODevice::ReadOnly));
    QStringList received = QString::fromUtf8(arguments.readAll()).split(QChar(0));
    received.removeLast(); // after the last terminator
    QCOMPARE(received, (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                                    QStringLiteral("--body"), message.text}));
    QVERIFY(!QFile::exists(marker));
}

void tst_MailHandoff::attachmentThatCannotBeSentIsNamed_data()
{
    QTest::addColumn<QString>("attachment");
    QTest::addColumn<int>("result");
    QTest::newRow("missing") << QStringLiteral("missing.pdf") << TMailHandoff::attachmentNotFound;
    QTest::newRow("a folder") << QStringLiteral("folder") << TMailHandoff::attachmentOpenFailure;
}

void tst_MailHandoff::attachmentThatCannotBeSentIsNamed()
{
    QFETCH(QString, attachment);
    QFETCH(int, result);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    TMailMessage message;
    message.subject = QStringLiteral("s");
    message.attachmentPath = folder.filePath(attachment);
    QCOMPARE(TSystemMailHandoff().compose(message), result);
}

namespace {
// Programs xdg-email and xdg-open would hand a "mailto:" address to.
const QStringList mailPrograms{
    QStringLiteral("x-www-browser"), QStringLiteral("www-browser"), QStringLiteral("firefox"),
    QStringLiteral("firefox-esr"), QStringLiteral("iceweasel"), QStringLiteral("seamonkey"),
    QStringLiteral("mozilla"), QStringLiteral("epiphany"), QStringLiteral("konqueror"), QStringLiteral("chromium"),
    QStringLiteral("chromium-browser"), QStringLiteral("google-chrome"), QStringLiteral("links2"),
    QStringLiteral("elinks"), QStringLiteral("links"), QStringLiteral("lynx"), QStringLiteral("w3m"),
    QStringLiteral("thunderbird"), QStringLiteral("icedove"), QStringLiteral("evolution"), QStringLiteral("kmail"),
    QStringLiteral("claws-mail"), QStringLiteral("sylpheed"), QStringLiteral("geary"), QStringLiteral("balsa"),
    QStringLiteral("mutt"), QStringLiteral("neomutt"), QStringLiteral("kde-open"), QStringLiteral("kde-open5"),
    QStringLiteral("kfmclient"), QStringLiteral("gio"), QStringLiteral("gvfs-open"), QStringLiteral("gnome-open"),
    QStringLiteral("exo-open"), QStringLiteral("flatpak")};

// A session in which no mail program is set up: a home and desktop folders
// of its own without a handler for "mailto:", no desktop detected, no
// MAILER or BROWSER, and a PATH of the system's programs without any mail
// program or browser. The environment returns as it was when it ends.
class TNoMailSession
{
public:
    TNoMailSession()
    {
        const QDir root(m_folder.path());
        for (const char *name : {"home", "data", "config", "bin"})
            root.mkpath(QLatin1String(name));
        const QString bin = root.filePath(QStringLiteral("bin"));
        for (const char *folder : {"/usr/local/bin", "/usr/bin", "/bin"}) {
            QDirIterator programs(QLatin1String(folder), QDir::Files | QDir::Executable);
            while (programs.hasNext()) {
                const QFileInfo program(programs.next());
                if (!mailPrograms.contains(program.fileName()))
                    QFile::link(program.absoluteFilePath(), bin + QLatin1Char('/') + program.fileName());
            }
        }
        set("PATH", bin);
        set("HOME", root.filePath(QStringLiteral("home")));
        set("XDG_DATA_HOME", root.filePath(QStringLiteral("data")));
        set("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")));
        set("XDG_DATA_DIRS", root.filePath(QStringLiteral("data")));
        set("XDG_CONFIG_DIRS", root.filePath(QStringLiteral("config")));
        for (const char *name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "XDG_SESSION_DESKTOP",
                                 "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "MAILER", "BROWSER"})
            set(name, std::nullopt);
    }

    ~TNoMailSession()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }

    TNoMailSession(const TNoMailSession &) = delete;
    TNoMailSession &operator=(const TNoMailSession &) = delete;

private:
    void set(const char *name, const std::optional<QString> &value)
    {
        m_saved.emplace_back(QByteArray(name),
                             qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt);
        if (value)
            qputenv(name, value->toLocal8Bit());
        else
            qunsetenv(name);
    }

    QTemporaryDir m_folder;
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};
} // namespace

// The real xdg-email finds no mail program (and says so with exit status 3):
// the user is told, by Send as E-Mail and Send Feedback with the warning, by
// an error report's mail with the failure number. Counted as started, the
// failure was not told at all.
void tst_MailHandoff::noMailProgramIsTold_data()
{
    QTest::addColumn<bool>("compose");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");
    const QString warning = QStringLiteral("Tamsel was unable to launch the default e-mail application.");
    QTest::newRow("Send as E-Mail") << true << QString() << warning << int(TMsgDlgType::Warning);
    QTest::newRow("Send Feedback") << true << FeedbackAddress << warning << int(TMsgDlgType::Warning);
    QTest::newRow("an error report's mail")
        << false << FeedbackAddress << QString::number(TMailHandoff::noMailProgram) << int(TMsgDlgType::Custom);
}

void tst_MailHandoff::noMailProgramIsTold()
{
    QFETCH(bool, compose);
    QFETCH(QString, recipient);
    QFETCH(QString, message);
    QFETCH(int, type);
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
        QSKIP("xdg-email is not installed (Debian package xdg-utils)");
    TNoMailSession session;
    MessageDlgSeam::setNextAnswers({mrOk});
    if (compose)
        SendMailMAPI(QStringLiteral("Task:  errand"), QStringLiteral("Instructions:  \tbuy bread"), recipient);
    else
        SendEMailMessage(recipient, QStringLiteral("Tamsel Error Submission"), QStringLiteral("Line%0D%0A"));

    const auto asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].message, message);
    QCOMPARE(asked[0].caption, QStringLiteral("Tamsel"));
    QCOMPARE(int(asked[0].type), type);
    QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbOK));
}

QTEST_MAIN(tst_MailHandoff)
#include "tst_mailhandoff.moc"
