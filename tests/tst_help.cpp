// The help: every page and link of the manual, the topics the program opens,
// and the help window.
#include "mainwindow/Main.h"
#include "tests/FakeUrlOpener.h"
#include "tests/TestHome.h"
#include "updates/HelpWindow.h"

#include <QAction>
#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>

namespace {
const QString helpFolder = QStringLiteral(":/help");

QString pageText(const QString &name)
{
    QFile page(helpFolder + QLatin1Char('/') + name);
    if (!page.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(page.readAll());
}

QStringList pageNames()
{
    QStringList names;
    QDirIterator pages(helpFolder, { QStringLiteral("*.html") });
    while (pages.hasNext())
        names.append(QFileInfo(pages.next()).fileName());
    names.sort();
    return names;
}

QStringList hrefsOf(const QString &html)
{
    QStringList hrefs;
    static const QRegularExpression href(QStringLiteral("href\\s*=\\s*\"([^\"]*)\""));
    for (auto match = href.globalMatch(html); match.hasNext();)
        hrefs.append(match.next().captured(1));
    return hrefs;
}

QSet<QString> anchorsOf(const QString &html)
{
    QSet<QString> anchors;
    static const QRegularExpression anchor(QStringLiteral("\\b(?:id|name)\\s*=\\s*\"([^\"]*)\""));
    for (auto match = anchor.globalMatch(html); match.hasNext();)
        anchors.insert(match.next().captured(1));
    return anchors;
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The manual's pages are read here before any help window exists.
        Q_INIT_RESOURCE(help);
    }

    void cleanup()
    {
        if (TfrmHelp *help = TfrmHelp::Current())
            delete help;
    }

    void everyLinkLeadsSomewhere_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString &name : pageNames())
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyLinkLeadsSomewhere()
    {
        QFETCH(QString, page);
        const QString html = pageText(page);
        QVERIFY(!html.isEmpty());
        QVERIFY2(html.contains(QStringLiteral("<title>")), "every page names itself in the window's caption");
        for (const QString &href : hrefsOf(html)) {
            const QUrl link(href);
            if (link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https")
                || link.scheme() == QLatin1String("mailto"))
                continue;
            QVERIFY2(link.scheme().isEmpty(), qPrintable(href));
            const QString target = link.path().isEmpty() ? page : link.path();
            const QString targetHtml = pageText(target);
            QVERIFY2(!targetHtml.isEmpty(), qPrintable(page + QStringLiteral(": no page ") + href));
            if (link.hasFragment())
                QVERIFY2(anchorsOf(targetHtml).contains(link.fragment()),
                    qPrintable(page + QStringLiteral(": no place ") + href));
        }
    }

    // The contents lead to every page of the manual.
    void contentsCoverEveryPage()
    {
        QSet<QString> linked;
        for (const QString &href : hrefsOf(pageText(QStringLiteral("contents.html"))))
            linked.insert(QUrl(href).path());
        for (const QString &page : pageNames()) {
            if (page != QLatin1String("contents.html"))
                QVERIFY2(linked.contains(page), qPrintable(page));
        }
    }

    // Every command of the main window's menus is described in the manual,
    // under the caption the menu shows.
    void everyMenuCommandIsDescribed()
    {
        TestHome home;
        TfrmMain window;
        QString manual;
        for (const QString &page : pageNames()) {
            QTextDocument document;
            document.setHtml(pageText(page));
            manual += document.toPlainText();
        }
        for (QAction *menu : window.menuBar()->actions()) {
            for (QAction *command : menu->menu()->actions()) {
                if (command->isSeparator())
                    continue;
                // A menu item may carry its shortcut after a tab.
                const QString caption
                    = command->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
                QVERIFY2(manual.contains(caption), qPrintable(caption));
            }
        }
    }

    void topics_data()
    {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("heading");
        QTest::newRow("10") << 10 << "mainwindow.html"
                            << "The main window";
        QTest::newRow("30") << 30 << "options.html"
                            << "Options";
        QTest::newRow("no topic of its own") << 99 << "contents.html"
                                             << "Tamsel Help";
    }
    void topics()
    {
        QFETCH(int, context);
        QFETCH(QString, page);
        QFETCH(QString, heading);
        TestHome home;
        TfrmHelp *help = TfrmHelp::ShowTopic(context);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QCOMPARE(help->txtHelp->source().fileName(), page);
        QVERIFY(help->txtHelp->toPlainText().startsWith(heading));
        // A second request uses the same window.
        QCOMPARE(TfrmHelp::ShowTopic(10), help);
    }

    void f1OpensTheMainWindowTopic()
    {
        TestHome home;
        TfrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        QVERIFY(TfrmHelp::Current());
        QCOMPARE(TfrmHelp::Current()->txtHelp->source(), TfrmHelp::TopicUrl(10));
        window.close();
    }

    // From a modal dialog the help comes up modal itself, so the user can
    // read and scroll it; from the main window it stays a window beside it.
    void usableFromAModalDialog()
    {
        TestHome home;
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&dialog] {
            TfrmHelp *help = TfrmHelp::ShowTopic(TfrmHelp::optionsTopic);
            QCOMPARE(help->windowModality(), Qt::ApplicationModal);
            QCOMPARE(QApplication::activeModalWidget(), help);
            help->close();
            dialog.reject();
        });
        dialog.exec();
        TfrmHelp *help = TfrmHelp::ShowTopic(TfrmHelp::mainWindowTopic);
        QCOMPARE(help->windowModality(), Qt::NonModal);
        help->close();
    }

    void followingLinks()
    {
        TestHome home;
        TFakeUrlOpener opener;
        TfrmHelp *help = TfrmHelp::ShowTopic(0);
        QVERIFY(QTest::qWaitForWindowActive(help));
        emit help->txtHelp->anchorClicked(QUrl(QStringLiteral("options.html")));
        QCOMPARE(help->txtHelp->source(), TfrmHelp::TopicUrl(30));
        QVERIFY(help->btnBack->isEnabled());
        help->btnBack->click();
        QCOMPARE(help->txtHelp->source(), TfrmHelp::ContentsUrl());
        QVERIFY(help->btnForward->isEnabled());
        QTest::keyClick(help, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(help->txtHelp->source(), TfrmHelp::TopicUrl(30));
        QTest::keyClick(help, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(help->txtHelp->source(), TfrmHelp::ContentsUrl());
        // Web addresses go to the browser; the page stays.
        emit help->txtHelp->anchorClicked(QUrl(QStringLiteral("https://tamsel.example.org/")));
        QCOMPARE(opener.opened, QList<QUrl> { QUrl(QStringLiteral("https://tamsel.example.org/")) });
        QCOMPARE(help->txtHelp->source(), TfrmHelp::ContentsUrl());
    }

    void remembersItsPlace()
    {
        TestHome home;
        TfrmHelp *help = TfrmHelp::ShowTopic(10);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        const QRect place(40, 50, 500, 420);
        help->setGeometry(place);
        QCOMPARE(help->geometry(), place);
        help->close();
        QTRY_VERIFY(!TfrmHelp::Current());
        help = TfrmHelp::ShowTopic(10);
        QCOMPARE(help->geometry(), place);
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
