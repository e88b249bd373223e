#include "mainwindow/PasswordDlg.h"
#include "diagnostics/MessageDlg.h"
#include "platform/TrayHost.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "tests/EditorFixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {
// How the window is sent away, and how it is brought back.
enum class TAway { HideItem, MinimizeButton, CloseBox };
enum class TBack { LeftClick, ShowItem };

void sendAway(TfrmMain &w, TAway way)
{
    switch (way) {
    case TAway::HideItem:
        w.Hide1->trigger();
        break;
    case TAway::MinimizeButton:
        // The window leaves for the tray once the minimize is through.
        w.showMinimized();
        QTRY_VERIFY(TrayHost::available() ? !w.isVisible() : w.isMinimized());
        break;
    case TAway::CloseBox:
        w.CloseOnMenuOnly = true;
        QVERIFY(!w.close());
        break;
    }
}

void bringBack(TfrmMain &w, TBack way)
{
    if (way == TBack::LeftClick)
        w.TrayMessage(QSystemTrayIcon::Trigger);
    else
        w.Show1->trigger();
}

int storedInteger(const char *name)
{
    TRegistry registry;
    registry.OpenKey(RegistryKeys::settings(), true);
    return registry.ReadInteger(QLatin1String(name));
}

// The tray menu says what the window's state allows.
void verifyItemsFollow(const TfrmMain &w)
{
    const bool shown = w.isVisible() && !w.isMinimized();
    QCOMPARE(w.Show1->isEnabled(), !shown);
    QCOMPARE(w.Hide1->isEnabled(), shown);
}

struct TTrayWindow : TEditorWindow {
    explicit TTrayWindow(bool tray) : TEditorWindow(EditorFixture::entries(EditorFixture::note("alpha")))
    {
        TrayHost::fake(tray);
        w().AddTrayIcon();
    }
    ~TTrayWindow() { TrayHost::reset(); }
};
} // namespace

Q_DECLARE_METATYPE(TAway)
Q_DECLARE_METATYPE(TBack)

class tst_Tray : public QObject
{
    Q_OBJECT

private slots:
    void windowGoesIntoTheTrayAndComesBackInItsState_data()
    {
        QTest::addColumn<TAway>("away");
        QTest::addColumn<TBack>("back");
        QTest::addColumn<bool>("maximized");
        const std::pair<const char *, TAway> aways[] = {{"Hide item", TAway::HideItem},
                                                        {"minimize button", TAway::MinimizeButton},
                                                        {"close box", TAway::CloseBox}};
        const std::pair<const char *, TBack> backs[] = {{"left click", TBack::LeftClick},
                                                        {"Show item", TBack::ShowItem}};
        for (const auto &[awayName, away] : aways)
            for (const auto &[backName, back] : backs)
                for (const bool maximized : {false, true})
                    QTest::addRow("%s, %s, %s", awayName, backName, maximized ? "maximized" : "normal")
                        << away << back << maximized;
    }
    void windowGoesIntoTheTrayAndComesBackInItsState()
    {
        QFETCH(TAway, away);
        QFETCH(TBack, back);
        QFETCH(bool, maximized);
        TTrayWindow f(true);
        TfrmMain &w = f.w();
        if (maximized)
            w.showMaximized();
        verifyItemsFollow(w);
        QVERIFY(w.Hide1->isEnabled());

        sendAway(w, away);
        QVERIFY(!w.isVisible());
        verifyItemsFollow(w);
        QVERIFY(w.Show1->isEnabled());
        // An exit from the tray stores the state the window comes back in,
        // so the next start is no minimized start.
        w.SetPositions();
        QCOMPARE(storedInteger("FormState"), maximized ? 2 : 0);

        bringBack(w, back);
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QCOMPARE(w.isMaximized(), maximized);
        verifyItemsFollow(w);
        QVERIFY(w.Hide1->isEnabled());
    }

    // Only a left click brings the window up; a click on a window already
    // shown keeps the state the user gave it.
    void onlyALeftClickBringsTheWindowUp_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("shows");
        QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << true;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << false;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
        QTest::newRow("right click") << int(QSystemTrayIcon::Context) << false;
    }
    void onlyALeftClickBringsTheWindowUp()
    {
        QFETCH(int, reason);
        QFETCH(bool, shows);
        TTrayWindow f(true);
        TfrmMain &w = f.w();
        w.Hide1->trigger();
        w.TrayMessage(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(w.isVisible(), shows);
        verifyItemsFollow(w);
    }

    void leftClickOnAShownWindowKeepsItsState()
    {
        TTrayWindow f(true);
        TfrmMain &w = f.w();
        w.showMaximized();
        w.Hide1->trigger();
        w.TrayMessage(QSystemTrayIcon::Trigger);
        QVERIFY(w.isMaximized());
        w.showNormal();
        w.TrayMessage(QSystemTrayIcon::Trigger);
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMaximized());
    }

    // Where the desktop has no tray nothing could bring a hidden window back:
    // every way into the tray minimizes it onto the taskbar instead.
    void withoutATrayTheWindowIsNeverHidden_data()
    {
        QTest::addColumn<TAway>("away");
        QTest::newRow("Hide item") << TAway::HideItem;
        QTest::newRow("minimize button") << TAway::MinimizeButton;
        QTest::newRow("close box") << TAway::CloseBox;
    }
    void withoutATrayTheWindowIsNeverHidden()
    {
        QFETCH(TAway, away);
        TTrayWindow f(false);
        TfrmMain &w = f.w();
        w.showMaximized();
        sendAway(w, away);
        QVERIFY(w.isVisible());
        QVERIFY(w.isMinimized());
        verifyItemsFollow(w);
        w.Show1->trigger();
        QVERIFY(w.isMaximized());
        QVERIFY(!w.isMinimized());
    }

    void aTrayThatGoesAwayGivesTheWindowBack()
    {
        TTrayWindow f(true);
        TfrmMain &w = f.w();
        w.Hide1->trigger();
        QVERIFY(!w.isVisible());
        w.TrayCheck();
        QVERIFY(!w.isVisible());
        TrayHost::fake(false);
        w.TrayCheck();
        QVERIFY(w.isVisible());
        QVERIFY(w.isMinimized());
        verifyItemsFollow(w);
    }

    // Any argument, or StartMinimized, starts the program minimized: into the
    // tray, never shown, where there is one; onto the taskbar where not.
    void minimizedStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("startMinimized");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("minimized");
        for (const bool tray : {true, false}) {
            const char *desktop = tray ? "tray" : "no tray";
            QTest::addRow("no argument, %s", desktop) << QStringList() << false << tray << true << false;
            QTest::addRow("-0, %s", desktop) << QStringList{QStringLiteral("-0")} << false << tray << !tray << true;
            QTest::addRow("a word, %s", desktop) << QStringList{QStringLiteral("word")} << false << tray << !tray
                                                 << true;
            QTest::addRow("StartMinimized, %s", desktop) << QStringList() << true << tray << !tray << true;
        }
    }
    void minimizedStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, startMinimized);
        QFETCH(bool, tray);
        QFETCH(bool, shown);
        QFETCH(bool, minimized);
        TestHome home;
        TrayHost::fake(tray);
        if (startMinimized) {
            TRegistry registry;
            registry.OpenKey(RegistryKeys::settings(), true);
            registry.WriteBool(QStringLiteral("StartMinimized"), true);
            registry.WriteInteger(QStringLiteral("FormState"), 2);
        }
        PasswordDlgSeam::answerOk(QStringLiteral("minimized start"));
        TfrmMain w;
        w.FormCreate(arguments);
        w.ShowAfterStart();
        QCOMPARE(w.isVisible(), shown);
        QCOMPARE(w.isMinimized(), minimized);
        verifyItemsFollow(w);

        w.TrayMessage(QSystemTrayIcon::Trigger);
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QCOMPARE(w.isMaximized(), startMinimized);
        TrayHost::reset();
    }

    // A later start of the program asks for the window while the store is
    // still being opened behind a start into the tray: it comes up once the
    // entries are read.
    void laterStartBringsTheWindowOutOfTheTray()
    {
        TestHome home;
        TrayHost::fake(true);
        PasswordDlgSeam::answerOk(QStringLiteral("later start"));
        TfrmMain w;
        w.FormCreate({QStringLiteral("-0")}, TfrmMain::TStoreOpening::WhileShown);
        w.ShowAfterStart();
        QVERIFY(!w.isVisible());
        w.BringToFront();
        QVERIFY(!w.isVisible());
        w.FinishStartUpNow();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        verifyItemsFollow(w);
        TrayHost::reset();
    }

    // The quick-add commands are in the File menu too, where a desktop without
    // a tray can reach them, and only while entries can be added.
    void quickAddIsReachableFromTheFileMenu()
    {
        TTrayWindow f(false);
        TfrmMain &w = f.w();
        QMenu *file = w.menuBar()->actions().first()->menu();
        QVERIFY(file->actions().contains(w.mnuAddNote));
        QVERIFY(file->actions().contains(w.mnuAddTask));
        for (QAction *add : {w.mnuAddNote, w.mnuAddTask, w.popAddNote, w.popAddTask})
            QVERIFY(add->isEnabled());
        w.StoreAvailable = false;
        w.EnableUserControls();
        for (QAction *add : {w.mnuAddNote, w.mnuAddTask, w.popAddNote, w.popAddTask})
            QVERIFY(!add->isEnabled());
    }

    void trayMenuHoldsItsItemsInOrder()
    {
        TTrayWindow f(true);
        QStringList captions;
        for (QAction *item : f.w().popMenu->actions())
            captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(captions, (QStringList{"&Add Note", "Add &Task", "-", "&Show", "&Hide", "-", "E&xit"}));
        QCOMPARE(f.w().TrayIcon->contextMenu(), f.w().popMenu);
        QCOMPARE(f.w().TrayIcon->toolTip(), QStringLiteral("Tamsel"));
        QVERIFY(!f.w().TrayIcon->icon().isNull());
    }
};

QTEST_MAIN(tst_Tray)
#include "tst_tray.moc"
