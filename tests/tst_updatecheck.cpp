// The update check against a web server on 127.0.0.1 that the test runs: the
// messages of every outcome, the start-up check's quiet behaviour and its
// error path, and the installer download.
#include "mainwindow/Main.h"
#include "mainwindow/PasswordDlg.h"
#include "diagnostics/LogFile.h"
#include "diagnostics/MessageDlg.h"
#include "platform/UrlOpener.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "tests/FakeMailHandoff.h"
#include "tests/FakeUrlOpener.h"
#include "tests/HttpTestServer.h"
#include "tests/TestHome.h"
#include "updates/Splash.h"
#include "updates/UpdateCheck.h"
#include "updates/UpdateServer.h"
#include "updates/VersionCheck.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString mostRecent = QStringLiteral("This is the most recent version of Tamsel.");
const QString unavailable
    = QStringLiteral("The update information for Tamsel is currently unavailable.  Make\r\n"
                     "sure you have an active Internet connection before checking for updates.");
const QString reportedError = QStringLiteral("An error has occurred in Tamsel and has been logged.\r\n\r\n"
                                             "Would you like to report this error via e-mail?");
const QString checkFailed
    = QStringLiteral("An error occurred when attempting to check for a more recent version.");

QByteArray verInfo(const QByteArray &version, const QByteArray &fileName = "tamsel-setup.exe")
{
    return "<?xml version=\"1.0\"?><VerInfo><Brindle><CurrVersion>99.0.0.0</CurrVersion></Brindle><Tamsel>"
           "<CurrVersion> "
        + version + " </CurrVersion><Date>45000</Date><FileName>" + fileName
        + "</FileName><Size>2.4 MB</Size></Tamsel></VerInfo>";
}

const QByteArray package = "tamsel_2.0.0.0_amd64.deb";

// A version newer than the program's own, whatever that is.
QByteArray newerVersion()
{
    const int major = VersionCheck::ProgramVersion().section(QLatin1Char('.'), 0, 0).toInt();
    return QByteArray::number(major + 1) + ".0.0.0";
}

// The log's entries so far, as one text.
QString logText()
{
    QFile log(LogFile::path());
    return log.open(QIODevice::ReadOnly) ? QString::fromLatin1(log.readAll()) : QString();
}

// File names in a folder, for finding half files left beside a download.
QStringList filesIn(const QString &folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }
} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<THttpTestServer> m_server;

    void serveVersion(const QByteArray &document)
    {
        m_server->setAnswer(QStringLiteral("/products/verinfo.xml"), { document });
    }
    bool run(bool starting) { return UpdateCheck::Run(TUpdateServer(m_server->host()), starting, nullptr); }
    bool versionInfoLeft() const { return QFile::exists(UpdateCheck::VersionInfoPath()); }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_server = std::make_unique<THttpTestServer>();
        QVERIFY(m_server->port() != 0);
        MessageDlgSeam::takeAskedDialogs();
        InstallerPathSeam::takeProposals();
    }
    void cleanup()
    {
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "an expected message was not shown");
        MessageDlgSeam::setNextAnswers({});
        InstallerPathSeam::setNextChoices({});
        m_server.reset();
        m_home.reset();
    }

    // Versions that are not newer: the check started from the menu says so,
    // the one at start-up says nothing; the document never stays behind.
    void notNewer_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("starting");
        QTest::addColumn<QStringList>("messages");
        const QByteArray own = VersionCheck::ProgramVersion().toLatin1();
        QTest::newRow("same version, menu") << verInfo(own) << false << QStringList { mostRecent };
        QTest::newRow("same version, start-up") << verInfo(own) << true << QStringList {};
        QTest::newRow("older version, menu") << verInfo("0.0.0.1") << false << QStringList { mostRecent };
        // An unreadable version is reported and counts as not newer.
        QTest::newRow("three parts, menu")
            << verInfo("3.5.0") << false << QStringList { reportedError, mostRecent };
        QTest::newRow("three parts, start-up") << verInfo("3.5.0") << true << QStringList { reportedError };
        QTest::newRow("no Tamsel element, menu") << QByteArray(
            "<VerInfo><Brindle><CurrVersion>99.0.0.0</CurrVersion><FileName>b.exe</FileName>"
            "</Brindle></VerInfo>") << false << QStringList { reportedError, mostRecent };
    }
    void notNewer()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, starting);
        QFETCH(QStringList, messages);
        serveVersion(document);
        QList<int> answers(messages.size(), mrOk);
        if (!messages.isEmpty() && messages.first() == reportedError)
            answers.first() = mrNo;
        MessageDlgSeam::setNextAnswers(answers);
        QVERIFY(run(starting));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), messages);
        QCOMPARE(m_server->requests(), QStringList { QStringLiteral("/products/verinfo.xml") });
        QCOMPARE(logText().contains(QStringLiteral("Unit Name:\tMain\r\nMethod Name:\tNewerVersionExists")),
            messages.contains(reportedError));
        QVERIFY(!versionInfoLeft());
    }

    // A newer release is offered as a download only when it comes as a
    // Debian package; one listed with a Windows installer, or any other file,
    // is offered as the web site.
    void newerVersionDeclined_data()
    {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QString>("offer");
        const QString size = QStringLiteral("     File Size: \t2.4 MB\r\n");
        const QString download = QStringLiteral("Would you like to download it now?");
        const QString webSite = QStringLiteral("Would you like to go to the Tamsel web site to get it?");
        QTest::newRow("Debian package") << package << size + QStringLiteral("%1\r\n\r\n") + download;
        QTest::newRow("Debian package, capitals") << QByteArray("TAMSEL.DEB") << size + QStringLiteral("%1\r\n\r\n") + download;
        QTest::newRow("Windows installer") << QByteArray("tamsel-setup.exe") << QStringLiteral("%1\r\n\r\n") + webSite;
        QTest::newRow("archive") << QByteArray("tamsel.zip") << QStringLiteral("%1\r\n\r\n") + webSite;
    }
    void newerVersionDeclined()
    {
        QFETCH(QByteArray, fileName);
        QFETCH(QString, offer);
        TFakeUrlOpener opener;
        serveVersion(verInfo(newerVersion(), fileName));
        MessageDlgSeam::setNextAnswers({ mrNo });
        QVERIFY(run(true));
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().message,
            QStringLiteral("A newer version of Tamsel is available.\r\n\r\n     Version: \t") + newerVersion()
                + QStringLiteral("\r\n")
                + offer.arg(QStringLiteral("     File Date: \t")
                    + QLocale::system().toString(QDate(2023, 3, 15), QLocale::ShortFormat)));
        QCOMPARE(asked.first().buttons, TMsgDlgButtons(mbYes | mbNo));
        QVERIFY(InstallerPathSeam::takeProposals().isEmpty());
        QVERIFY(opener.opened.isEmpty());
        QVERIFY(!versionInfoLeft());
    }

    // Yes to a release without a package opens the product page; nothing is
    // downloaded, not even the file the update information names.
    void windowsInstallerOffersTheWebSite()
    {
        TFakeUrlOpener opener;
        serveVersion(verInfo(newerVersion(), "tamsel-setup.exe"));
        m_server->setAnswer(QStringLiteral("/downloads/tamsel-setup.exe"), { "MZ installer" });
        // Should the save dialog come all the same, it is cancelled.
        InstallerPathSeam::setNextChoices({ std::nullopt });
        MessageDlgSeam::setNextAnswers({ mrYes });
        QVERIFY(run(false));
        QCOMPARE(MessageDlgSeam::takeAskedMessages().size(), 1);
        QCOMPARE(opener.opened, QList<QUrl> { TUpdateServer(m_server->host()).ProductPageUrl() });
        QVERIFY(InstallerPathSeam::takeProposals().isEmpty());
        QCOMPARE(m_server->requests(), QStringList { QStringLiteral("/products/verinfo.xml") });
        QVERIFY(!versionInfoLeft());
    }

    void installerReplacesExistingFile()
    {
        const QByteArray installer(300000, 'i');
        serveVersion(verInfo(newerVersion(), package));
        m_server->setAnswer(QStringLiteral("/downloads/") + package, { installer });
        QTemporaryDir folder;
        const QString path = folder.filePath(package);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older installer");
        old.close();

        InstallerPathSeam::setNextChoices({ path });
        MessageDlgSeam::setNextAnswers({ mrYes, mrOk });
        QVERIFY(run(false));

        QVERIFY(InstallerPathSeam::takeProposals().first().endsWith(QLatin1Char('/') + QString::fromLatin1(package)));
        QCOMPARE(MessageDlgSeam::takeAskedMessages().last(),
            QStringLiteral("Please exit Tamsel and install the package with your package manager.  The file \r\n"
                           "can be found in the following location:\r\n\r\n")
                + path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), installer);
        QCOMPARE(filesIn(folder.path()), QStringList { package });
        QVERIFY(!versionInfoLeft());
    }

    void newInstallerIsTheUsersAlone()
    {
        serveVersion(verInfo(newerVersion(), package));
        m_server->setAnswer(QStringLiteral("/downloads/") + package, { "installer" });
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("tamsel.deb"));
        InstallerPathSeam::setNextChoices({ path });
        MessageDlgSeam::setNextAnswers({ mrYes, mrOk });
        QVERIFY(run(false));
        MessageDlgSeam::takeAskedMessages();
        QCOMPARE(QFile::permissions(path) & 0x0777, QFile::ReadUser | QFile::WriteUser);
    }

    // A download that breaks off or is refused leaves the chosen place as it
    // was, reports the failure and offers the product page instead.
    void brokenInstallerDownload_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("cutAfter");
        QTest::addColumn<bool>("existing");
        QTest::newRow("connection ends early, over a file") << 200 << 1000 << true;
        QTest::newRow("connection ends early, new file") << 200 << 1000 << false;
        QTest::newRow("not on the server") << 404 << -1 << true;
    }
    void brokenInstallerDownload()
    {
        QFETCH(int, status);
        QFETCH(int, cutAfter);
        QFETCH(bool, existing);
        TFakeUrlOpener opener;
        serveVersion(verInfo(newerVersion(), package));
        m_server->setAnswer(
            QStringLiteral("/downloads/") + package, { QByteArray(200000, 'x'), status, cutAfter });
        QTemporaryDir folder;
        const QString path = folder.filePath(package);
        if (existing) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("kept");
        }

        InstallerPathSeam::setNextChoices({ path });
        MessageDlgSeam::setNextAnswers({ mrYes, mrNo, mrYes });
        QVERIFY(run(false));

        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked.at(1), reportedError);
        QVERIFY(logText().contains(QStringLiteral("Unit Name:\tOptions\r\nMethod Name:\tDownload_HTM")));
        QCOMPARE(asked.at(2),
            QStringLiteral("The file was unable to be downloaded.  Would you like to go to the\r\n"
                           "Kestrine site and download it yourself?"));
        QCOMPARE(opener.opened, QList<QUrl> { TUpdateServer(m_server->host()).ProductPageUrl() });
        if (existing) {
            QFile kept(path);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("kept"));
            QCOMPARE(filesIn(folder.path()), QStringList { package });
        } else {
            QCOMPARE(filesIn(folder.path()), QStringList {});
        }
    }

    // The installer download shows its progress; Cancel stops it and leaves
    // nothing behind.
    void installerDownloadStopped()
    {
        m_server->setAnswer(
            QStringLiteral("/downloads/big.exe"), { QByteArray(100 * 1024, 'b'), 200, 40 * 1024, true });
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("big.exe"));
        QWidget owner;
        owner.show();
        int shownValue = -1;
        int shownMaximum = -1;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &owner, [&] {
            auto *progress = owner.findChild<QProgressDialog *>();
            if (!progress || !progress->isVisible() || progress->value() <= 0)
                return;
            shownValue = progress->value();
            shownMaximum = progress->maximum();
            progress->findChild<QPushButton *>()->click();
        });
        watch.start(10);
        const TUpdateServer server(m_server->host());
        QCOMPARE(
            UpdateCheck::Download_HTM(server, server.InstallerUrl(QStringLiteral("big.exe")), path, &owner),
            UpdateCheck::TDownloadResult::Stopped);
        QCOMPARE(shownValue, 40);
        QCOMPARE(shownMaximum, 101);
        QCOMPARE(filesIn(folder.path()), QStringList {});
    }

    void websiteThatCannotBeOpened()
    {
        class TRefusingOpener : public TUrlOpener {
        public:
            TRefusingOpener() { setCurrent(this); }
            ~TRefusingOpener() override { setCurrent(nullptr); }
            bool open(const QUrl &) override { return false; }
        } refusing;
        MessageDlgSeam::setNextAnswers({ mrOk });
        UpdateCheck::LaunchWebsite(QStringLiteral("http://tamsel.example.org/products/tamsel.htm"));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(),
            QStringList { QStringLiteral("No web browser could be started to open "
                                         "http://tamsel.example.org/products/tamsel.htm.") });
    }

    void installerNameLeavingItsFolderIsRefused()
    {
        serveVersion(verInfo(newerVersion(), "../../outside.deb"));
        MessageDlgSeam::setNextAnswers({ mrYes, mrOk });
        QVERIFY(run(false));
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QVERIFY(asked.last().startsWith(checkFailed));
        QVERIFY(InstallerPathSeam::takeProposals().isEmpty());
        QCOMPARE(m_server->requests().size(), 1);
    }

    // Without the host: "currently unavailable", also at start-up, and nothing
    // downloaded.
    void hostDoesNotAnswer_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("starting");
        QTest::newRow("no answer within five seconds, start-up") << true << true;
        QTest::newRow("connection refused, menu") << false << false;
    }
    void hostDoesNotAnswer()
    {
        QFETCH(bool, silent);
        QFETCH(bool, starting);
        std::unique_ptr<TSilentHost> silentHost;
        QString host;
        if (silent) {
            silentHost = std::make_unique<TSilentHost>();
            host = silentHost->host();
        } else {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            host = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
        }
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(UpdateCheck::Run(TUpdateServer(host), starting, nullptr));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList { unavailable });
        QVERIFY(!versionInfoLeft());
    }

    void versionInfoNotOnServer()
    {
        // The failed download is reported and the check ends quietly.
        MessageDlgSeam::setNextAnswers({ mrNo });
        QVERIFY(run(false));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList { reportedError });
        QVERIFY(!versionInfoLeft());
    }

    // The version information breaks off before the length the server
    // announced: the failed download is reported, and what arrived is not
    // read, although it holds a whole document that names a newer version.
    void versionInfoCutShort_data()
    {
        QTest::addColumn<int>("missing"); // bytes of the answer not sent
        QTest::newRow("all but the blanks after the document") << 2000;
        QTest::newRow("one byte short") << 1;
    }
    void versionInfoCutShort()
    {
        QFETCH(int, missing);
        const QByteArray document = verInfo(newerVersion()) + QByteArray(1999, ' ') + '\n';
        m_server->setAnswer(QStringLiteral("/products/verinfo.xml"), { document, 200, int(document.size()) - missing });
        MessageDlgSeam::setNextAnswers({ mrNo });
        QVERIFY(run(false));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList { reportedError });
        QVERIFY(logText().contains(QStringLiteral("Unit Name:\tOptions\r\nMethod Name:\tDownload_HTM")));
        QVERIFY2(logText().contains(TUpdateServer(m_server->host()).VersionInfoUrl().toString()
                                    + QStringLiteral(" could not be downloaded: ")),
                 qPrintable(logText()));
        QVERIFY(!versionInfoLeft());
    }

    void unreadableDocumentFromTheMenu()
    {
        serveVersion("<VerInfo><Tamsel>");
        MessageDlgSeam::setNextAnswers({ mrOk });
        QVERIFY(run(false));
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().message.startsWith(checkFailed + QStringLiteral("\r\n\r\n")));
        QCOMPARE(asked.first().buttons, TMsgDlgButtons(mbOK));
        QVERIFY(!versionInfoLeft());
    }

    // The start-up check's error path: stop checking at start-up, or go on
    // and perhaps send a report.
    void unreadableDocumentAtStartUp_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("keepChecking");
        QTest::addColumn<bool>("mailed");
        QTest::newRow("stop checking") << QList<int> { mrNo } << false << false;
        QTest::newRow("go on, no report") << QList<int> { mrYes, mrNo } << true << false;
        QTest::newRow("go on, report") << QList<int> { mrYes, mrYes } << true << true;
    }
    void unreadableDocumentAtStartUp()
    {
        QFETCH(QList<int>, answers);
        QFETCH(bool, keepChecking);
        QFETCH(bool, mailed);
        TFakeMailHandoff mail;
        serveVersion("not a document");
        MessageDlgSeam::setNextAnswers(answers);
        QCOMPARE(run(true), keepChecking);

        const QString first
            = checkFailed + QStringLiteral("\r\nDo you want to continue to check on startup?");
        QStringList expected { first };
        if (answers.size() > 1)
            expected.append(first + QStringLiteral("\r\nWould you like to report the error via e-mail?"));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), expected);
        QCOMPARE(mail.requests().size(), mailed ? 1 : 0);
        if (mailed) {
            const QString request = mail.requests().first();
            QVERIFY(request.contains(QStringLiteral("Tamsel Error Submission")));
            QVERIFY(request.contains(QStringLiteral("Procedure:%09mnuCheckforUpdatesClick%0D%0A")));
            QVERIFY(request.contains(QStringLiteral("Version No.:%09") + VersionCheck::ProgramVersion()));
        }
        QVERIFY(!versionInfoLeft());
    }

    // Start-up with the check switched on: it runs while the splash shows and
    // speaks only when there is something to tell.
    void startUpCheck_data()
    {
        QTest::addColumn<bool>("hostAnswers");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("up to date") << true << QStringList {};
        QTest::newRow("host refuses") << false << QStringList { unavailable };
    }
    void startUpCheck()
    {
        QFETCH(bool, hostAnswers);
        QFETCH(QStringList, messages);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refusing = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        registry.WriteString(QStringLiteral("UpdateHost"), hostAnswers ? m_server->host() : refusing);
        registry.WriteBool(QStringLiteral("CheckForUpdatesOnStartup"), true);
        serveVersion(verInfo(VersionCheck::ProgramVersion().toLatin1()));

        TfrmMain window;
        bool splashShown = false;
        QStringList asked;
        const auto previous
            = MessageDlgSeam::setUnansweredHandler([&](const MessageDlgSeam::TAskedDialog &dialog) {
                  asked.append(dialog.message);
                  splashShown = window.frmSplash && window.frmSplash->isVisible();
                  return mrOk;
              });
        PasswordDlgSeam::answerOk(QStringLiteral("start-up check"));
        window.FormCreate();
        MessageDlgSeam::setUnansweredHandler(previous);

        QCOMPARE(asked, messages);
        QCOMPARE(splashShown, !messages.isEmpty());
        QCOMPARE(m_server->requests().size(), hostAnswers ? 1 : 0);
        QVERIFY(window.CheckForUpdatesOnStartup);
        QVERIFY(!window.Starting);
        QVERIFY(!window.frmSplash);
        QVERIFY(!versionInfoLeft());
    }

    // The main window's command and its start-up run, on the host the
    // settings name.
    void mainWindowCheck()
    {
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        registry.WriteString(QStringLiteral("UpdateHost"), m_server->host());
        serveVersion("garbage");
        TfrmMain window;
        window.CheckForUpdatesOnStartup = true;
        window.DisplayReminders = true;

        window.Starting = true;
        MessageDlgSeam::setNextAnswers({ mrNo });
        window.CheckforUpdatesNow1Click();
        QVERIFY(!window.CheckForUpdatesOnStartup);
        // No timer runs before start-up has ended.
        QVERIFY(!window.timReminder->isActive());
        MessageDlgSeam::takeAskedMessages();

        window.Starting = false;
        serveVersion(verInfo(VersionCheck::ProgramVersion().toLatin1()));
        // While the check runs, the command is off and the reminder check pauses.
        QStringList asked;
        bool commandOff = false;
        bool paused = false;
        const auto previous
            = MessageDlgSeam::setUnansweredHandler([&](const MessageDlgSeam::TAskedDialog &dialog) {
                  asked.append(dialog.message);
                  commandOff = !window.CheckforUpdatesNow1->isEnabled();
                  paused = !window.timReminder->isActive();
                  window.CheckforUpdatesNow1->trigger();
                  return mrOk;
              });
        window.CheckforUpdatesNow1->trigger();
        MessageDlgSeam::setUnansweredHandler(previous);
        QCOMPARE(asked, QStringList { mostRecent });
        QVERIFY(commandOff);
        QVERIFY(paused);
        QVERIFY(window.CheckforUpdatesNow1->isEnabled());
        QVERIFY(window.timReminder->isActive());
        QCOMPARE(m_server->requests().size(), 2);
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
