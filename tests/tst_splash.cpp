// The about box and the start-up splash.
#include "mainwindow/Main.h"
#include "tests/FakeUrlOpener.h"
#include "tests/TestHome.h"
#include "updates/Splash.h"
#include "updates/VersionCheck.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void scale_data()
    {
        QTest::addColumn<double>("pixelsPerInch");
        QTest::addColumn<double>("scale");
        QTest::newRow("96") << 96.0 << 1.0;
        QTest::newRow("120") << 120.0 << 1.35;
        QTest::newRow("144") << 144.0 << 1.6;
        QTest::newRow("72: below 1, nothing added") << 72.0 << 0.75;
        QTest::newRow("unreadable") << 0.0 << 1.0;
    }
    void scale()
    {
        QFETCH(double, pixelsPerInch);
        QFETCH(double, scale);
        QCOMPARE(TfrmSplash::GetFontSize(pixelsPerInch), scale);
    }

    void splashSize_data()
    {
        QTest::addColumn<double>("pixelsPerInch");
        QTest::addColumn<QSize>("size");
        QTest::newRow("96") << 96.0 << QSize(428, 288);
        QTest::newRow("120") << 120.0 << QSize(577, 388);
        QTest::newRow("144") << 144.0 << QSize(684, 460);
    }
    void splashSize()
    {
        QFETCH(double, pixelsPerInch);
        QFETCH(QSize, size);
        const double scale = TfrmSplash::GetFontSize(pixelsPerInch);
        TfrmSplash splash(TfrmSplash::TUse::Splash, scale);
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QCOMPARE(splash.size(), size);
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!splash.pnlOk->isVisible());
        // The picture is drawn at the size shown, not stretched from a smaller one.
        const QPixmap picture = splash.Image1->pixmap();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(int(429 * scale), int(288 * scale)));
        QCOMPARE(splash.lblVersionNum->text(), QStringLiteral("version ") + VersionCheck::ProgramVersion());
        // The labels stay on the picture at every scale.
        QVERIFY(splash.rect().contains(splash.lblWebSite->geometry()));
    }

    void aboutBox()
    {
        TFakeUrlOpener opener;
        TfrmSplash about(TfrmSplash::TUse::AboutBox, 1.35);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.size(), QSize(429, 329));
        QCOMPARE(about.windowTitle(), QStringLiteral("About..."));
        QVERIFY(about.cmdClose->isVisible());
        QCOMPARE(about.cmdClose->text(), QStringLiteral("&Close"));
        QCOMPARE(about.lblVersionNum->text(), about.lblVersionNumBack->text());
        QCOMPARE(about.lblWebSite->text(), about.Label2->text());

        QTest::mouseClick(about.lblWebSite, Qt::LeftButton);
        QCOMPARE(opener.opened, QList<QUrl> { QUrl(about.lblWebSite->text()) });
        QTest::mouseClick(about.Label2, Qt::LeftButton);
        QCOMPARE(opener.opened.size(), 2);
    }

    void enterClosesTheAboutBox()
    {
        TfrmSplash about(TfrmSplash::TUse::AboutBox, 1.0);
        QTimer::singleShot(0, &about, [&about] { QTest::keyClick(&about, Qt::Key_Return); });
        QCOMPARE(about.exec(), int(QDialog::Accepted));
    }

    // Help > About Tamsel: the box is modal, the reminder check pauses while
    // it is open and runs again afterwards.
    void aboutFromTheMenu()
    {
        TestHome home;
        TfrmMain window;
        window.DisplayReminders = true;
        window.ResetTimerState();
        bool checked = false;
        QTimer::singleShot(0, &window, [&] {
            auto *about = qobject_cast<TfrmSplash *>(QApplication::activeModalWidget());
            QVERIFY(about);
            QVERIFY(about->isModal());
            QVERIFY(!window.timReminder->isActive());
            checked = true;
            about->cmdClose->click();
        });
        window.mnuAbout->trigger();
        QVERIFY(checked);
        QVERIFY(window.timReminder->isActive());
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
