// The main window's frame: actions with their captions, shortcuts, hints and
// pictures, the tool bar and the menus, the regions and how they resize, the
// find bar, the editor pane's layout and the standard edit actions.
#include "mainwindow/Main.h"
#include "controls/EntryListModel.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/MessageDlg.h"
#include "mainwindow/EditActions.h"
#include "controls/ImageList.h"
#include "mainwindow/PasswordDlg.h"
#include "output/SaveAsDialog.h"
#include "tests/FakeMailHandoff.h"
#include "tests/TestHome.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {
// A started main window in a private home, shown and active so that focus
// and clicks behave as for the user.
struct TFrame
{
    TestHome home;
    std::unique_ptr<TfrmMain> window;

    TFrame()
    {
        PasswordDlgSeam::answerOk(QStringLiteral("frame test phrase"));
        window = std::make_unique<TfrmMain>();
        window->FormCreate();
        window->show();
        QApplication::setActiveWindow(window.get());
        (void)QTest::qWaitForWindowActive(window.get());
    }

    TfrmMain &w() const { return *window; }

    QAction *action(const QString &name) const { return w().findChild<QAction *>(name); }

    QRect inWindow(QWidget *widget) const { return QRect(widget->mapTo(window.get(), QPoint()), widget->size()); }

    // Distance from a widget's right edge to the editor pane's inner right edge.
    int rightGap(QWidget *widget) const
    {
        const QRect pane = inWindow(w().pnlContents);
        return pane.right() - inWindow(widget).right();
    }

    void resizeWindow(int width, int height) const
    {
        w().resize(width, height);
        QCoreApplication::processEvents();
        QTRY_COMPARE(w().size(), QSize(qMax(width, w().minimumSizeHint().width()), height));
    }

    // Drags the splitter between the panes by dy pixels, as the user does.
    void dragSplitter(int dy) const
    {
        QWidget *handle = w().Splitter1->handle(1);
        // Screen positions, taken before the handle starts moving with the mouse.
        const QPoint grip = handle->mapToGlobal(QPoint(handle->width() / 2, handle->height() / 2));
        const auto send = [handle](QEvent::Type type, const QPoint &global, Qt::MouseButtons buttons) {
            QMouseEvent event(type, QPointF(handle->mapFromGlobal(global)), QPointF(global), Qt::LeftButton,
                              buttons, Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, grip, Qt::LeftButton);
        send(QEvent::MouseMove, grip + QPoint(0, dy / 2), Qt::LeftButton);
        send(QEvent::MouseMove, grip + QPoint(0, dy), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, grip + QPoint(0, dy), Qt::NoButton);
        QCoreApplication::processEvents();
    }

    void focus(QWidget *field) const
    {
        field->setFocus(Qt::OtherFocusReason);
        // A picker passes its focus on to its own line edit.
        QTRY_VERIFY(QApplication::focusWidget() == field || field->isAncestorOf(QApplication::focusWidget()));
    }
};

// What the standard edit actions allow at the moment, as "UXCPA" with "-"
// for a disabled one: Undo, Cut (X), Copy, Paste, Select All.
QString editState(const TfrmMain &w)
{
    QString state;
    const std::pair<QAction *, QChar> actions[] = {{w.actEditUndo, QLatin1Char('U')},
                                                   {w.actEditCut, QLatin1Char('X')},
                                                   {w.actEditCopy, QLatin1Char('C')},
                                                   {w.actEditPaste, QLatin1Char('P')},
                                                   {w.actEditSelectAll, QLatin1Char('A')}};
    for (const auto &[action, letter] : actions)
        state += action->isEnabled() ? letter : QLatin1Char('-');
    return state;
}

// The items of a menu: their captions (without the shown shortcut) and "-"
// for separators.
QStringList menuItems(QMenu *menu)
{
    QStringList items;
    for (QAction *item : menu->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text().section(QLatin1Char('\t'), 0, 0));
    return items;
}

QMenu *menuNamed(const TfrmMain &w, const QString &title)
{
    for (QAction *item : w.menuBar()->actions()) {
        if (item->text() == title)
            return item->menu();
    }
    return nullptr;
}

bool isGrey(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 0 && (c.red() != c.green() || c.green() != c.blue()))
                return false;
        }
    }
    return true;
}
} // namespace

class tst_MainFrame : public QObject
{
    Q_OBJECT

private slots:
    void actions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<int>("image");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("statusTip");
        const auto row = [](const char *name, const char *caption, const char *shortcut, int image,
                            const char *toolTip, const char *statusTip = nullptr) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                                << QString::fromLatin1(shortcut) << image << QString::fromLatin1(toolTip)
                                << QString::fromLatin1(statusTip ? statusTip : toolTip);
        };
        row("actNewNote", "&New", "Ctrl+N", 0, "Add new entry.");
        row("actSaveNote", "&Save", "Ctrl+S", 1, "Save changes to current entry.");
        row("actDeleteNote", "&Delete", "Del", 3, "Delete current entry.");
        row("actPrint", "&Print", "Ctrl+P", 5, "Print the selected entries.");
        row("actEditUndo", "&Undo", "Ctrl+Z", 7, "Undo", "Reverts the last action");
        row("actEditCopy", "&Copy", "Ctrl+C", 8, "Copy", "Copies the selection and puts it on the Clipboard");
        row("actEditCut", "Cu&t", "Ctrl+X", 9, "Cut", "Cuts the selection and puts it on the Clipboard");
        row("actEditPaste", "&Paste", "Ctrl+V", 10, "Paste", "Inserts Clipboard contents");
        row("actEditSelectAll", "Select &All", "Ctrl+A", -1, "Select All", "Selects the entire document");
        row("actFont", "&Font...", "Ctrl+O", 11, "Manage the font.");
        row("actSendMail", "Send Note as E-&Mail", "Ctrl+M", 12, "Send selected entry as e-mail.");
        row("actSaveNotesAs", "Save Note(s) &to File", "Ctrl+T", 14, "Save selected entries to File.");
        row("actFind", "", "F3", 20, "Search entries.");
        row("actSpellCheck", "&Check Spelling", "Ctrl+L", 24, "Check the spelling of the current entry.");
        row("actHelp", "&Help", "F1", 25, "Help", "");
        row("actAddFile", "Add F&ile", "Ctrl+I", 27, "Add a file to the current entry.");
        row("actDeleteFile", "", "Ctrl+R", 28, "Remove file.");
        row("actViewFile", "", "Ctrl+K", 30, "View the file.");
        row("actStartFind", "F&ind", "Ctrl+F", 32, "Find", "");
    }
    void actions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(int, image);
        QFETCH(QString, toolTip);
        QFETCH(QString, statusTip);
        TFrame f;
        QAction *action = f.action(name);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), QKeySequence(shortcut));
        QCOMPARE(action->toolTip(), toolTip);
        QCOMPARE(action->statusTip(), statusTip);
        QCOMPARE(action->icon().isNull(), image < 0);
        // A shortcut works only if the window answers it, on a menu, a tool
        // bar or the window itself.
        if (!shortcut.isEmpty())
            QVERIFY(!action->associatedObjects().isEmpty());
    }

    void imageListHasEveryPictureItNames()
    {
        for (const int index : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 20, 22, 23, 24, 25, 27, 28, 30, 32}) {
            const QIcon icon = ImageList::icon(index);
            QVERIFY2(!icon.isNull(), qPrintable(QString::number(index)));
            QCOMPARE(icon.availableSizes().value(0), QSize(16, 16));
        }
        // The greyed pictures are grey copies, shown as they are while disabled.
        for (const auto &[enabled, disabled] : {std::pair{1, 2}, {3, 4}, {5, 6}, {12, 13}, {14, 15}}) {
            const QImage normal = ImageList::icon(enabled).pixmap(16).toImage();
            const QImage grey = ImageList::icon(disabled).pixmap(16).toImage();
            QVERIFY(!isGrey(normal));
            QVERIFY(isGrey(grey));
            QCOMPARE(ImageList::icon(disabled).pixmap(QSize(16, 16), QIcon::Disabled).toImage(),
                     ImageList::icon(disabled).pixmap(QSize(16, 16), QIcon::Normal).toImage());
        }
        // Ascending and descending header marks tell each other apart.
        QVERIFY(ImageList::icon(ImageList::SortAscending).pixmap(16).toImage()
                != ImageList::icon(ImageList::SortDescending).pixmap(16).toImage());
        QVERIFY(ImageList::icon(17).isNull());
        QVERIFY(ImageList::icon(ImageList::Count).isNull());
    }

    void toolBarButtonsInOrder()
    {
        TFrame f;
        QStringList buttons;
        for (QAction *action : f.w().ToolBar1->actions())
            buttons << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
        QCOMPARE(buttons.join(QLatin1Char(' ')),
                 QStringLiteral("actNewNote actSaveNote actDeleteNote | actEditUndo | actEditCut actEditCopy "
                                "actEditPaste actAddFile | actSaveNotesAs actSendMail | actSpellCheck actPrint | "
                                "actFont actHelp"));
        QCOMPARE(f.w().ToolBar1->height(), 29);
        for (QAction *action : f.w().ToolBar1->actions()) {
            if (auto *button = qobject_cast<QToolButton *>(f.w().ToolBar1->widgetForAction(action))) {
                QCOMPARE(button->height(), 24);
                QVERIFY(button->autoRaise());
            }
        }
    }

    void menus_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << QStringLiteral("&File")
                              << QStringList{QStringLiteral("&New"), QStringLiteral("&Save"),
                                             QStringLiteral("Save &to File"), QStringLiteral("Send as E-Mail"),
                                             QStringLiteral("-"), QStringLiteral("Quick &Add Note..."),
                                             QStringLiteral("Quick Add Tas&k..."),
                                             QStringLiteral("-"), QStringLiteral("&Print"), QStringLiteral("-"),
                                             QStringLiteral("&Delete"), QStringLiteral("-"), QStringLiteral("Set Pass&word..."), QStringLiteral("C&hange Passphrase..."),
                                             QStringLiteral("&Restore from Backup..."), QStringLiteral("-"),
                                             QStringLiteral("E&xit")};
        QTest::newRow("Edit") << QStringLiteral("&Edit")
                              << QStringList{QStringLiteral("&Undo"),  QStringLiteral("-"),
                                             QStringLiteral("Cu&t"),   QStringLiteral("&Copy"),
                                             QStringLiteral("&Paste"), QStringLiteral("-"),
                                             QStringLiteral("Select &All"), QStringLiteral("-"),
                                             QStringLiteral("Add F&ile")};
        QTest::newRow("Tools") << QStringLiteral("&Tools")
                               << QStringList{QStringLiteral("&Check Spelling"), QStringLiteral("&Font..."),
                                              QStringLiteral("F&ind"), QStringLiteral("-"),
                                              QStringLiteral("&Options"), QStringLiteral("-"),
                                              QStringLiteral("Check for Updates &Now")};
        QTest::newRow("Help") << QStringLiteral("&Help")
                              << QStringList{QStringLiteral("&Help"), QStringLiteral("&About Tamsel..."),
                                             QStringLiteral("Send &Feedback...")};
    }
    void menus()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        TFrame f;
        QStringList titles;
        for (QAction *item : f.w().menuBar()->actions())
            titles << item->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Tools"),
                                      QStringLiteral("&Help")}));
        QMenu *menu = menuNamed(f.w(), title);
        QVERIFY(menu);
        QCOMPARE(menuItems(menu), items);
    }

    void fileMenuItemsWithTheirOwnCaptionsRunTheirActions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("actionName");
        QTest::newRow("save to file") << QStringLiteral("Save &to File") << QStringLiteral("actSaveNotesAs");
        QTest::newRow("send as e-mail") << QStringLiteral("Send as E-Mail") << QStringLiteral("actSendMail");
    }
    void fileMenuItemsWithTheirOwnCaptionsRunTheirActions()
    {
        QFETCH(QString, caption);
        QFETCH(QString, actionName);
        TFrame f;
        QAction *action = f.action(actionName);
        QAction *item = nullptr;
        for (QAction *candidate : menuNamed(f.w(), QStringLiteral("&File"))->actions()) {
            if (candidate->text().startsWith(caption + QLatin1Char('\t')))
                item = candidate;
        }
        QVERIFY(item);
        // The item shows the action's shortcut but leaves the key to the action.
        QCOMPARE(item->text().section(QLatin1Char('\t'), 1), action->shortcut().toString(QKeySequence::NativeText));
        QVERIFY(item->shortcut().isEmpty());
        QSignalSpy ran(action, &QAction::triggered);
        action->setEnabled(true);
        // The command runs: its save dialog is cancelled, its mail goes nowhere.
        SaveAsDialogSeam::setNextAnswers({std::nullopt});
        TFakeMailHandoff mail;
        item->trigger();
        SaveAsDialogSeam::setNextAnswers({});
        QCOMPARE(ran.count(), 1);
        action->setEnabled(false);
        QVERIFY(!item->isEnabled());
        action->setEnabled(true);
        QVERIFY(item->isEnabled());
        QCOMPARE(item->icon().cacheKey(), action->icon().cacheKey());
    }

    void regionsAtTheDesignedSize()
    {
        TFrame f;
        TfrmMain &w = f.w();
        QCOMPARE(w.windowTitle(), QStringLiteral("Tamsel"));
        QCOMPARE(w.pos(), QPoint(547, 89));
        QCOMPARE(w.size(), QSize(815, 654));
        QCOMPARE(w.pnlContents->height(), 196);
        QCOMPARE(w.pnlContents->minimumSize(), QSize(600, 100));
        QCOMPARE(w.pnlNoteList->minimumHeight(), 100);
        QCOMPARE(w.Splitter1->orientation(), Qt::Vertical);
        QCOMPARE(w.Splitter1->handleWidth(), 3);
        QCOMPARE(w.Splitter1->handle(1)->cursor().shape(), Qt::SplitVCursor);
        // Top to bottom: tool bar, editor pane, splitter, list pane.
        QVERIFY(f.inWindow(w.ToolBar1).bottom() < f.inWindow(w.pnlContents).top());
        QVERIFY(f.inWindow(w.pnlContents).bottom() < f.inWindow(w.pnlNoteList).top());
        QCOMPARE(f.inWindow(w.pnlNoteList).bottom(), w.height() - 1);
        // The list pane: the page control above the status bar with the find bar.
        QCOMPARE(w.pgcData->count(), 2);
        QCOMPARE(w.pgcData->tabText(0), QStringLiteral("N&otes"));
        QCOMPARE(w.pgcData->tabText(1), QStringLiteral("Ta&sks"));
        QVERIFY(f.inWindow(w.pgcData).bottom() < f.inWindow(w.barStatus).top());
        QVERIFY(w.barStatus->isAncestorOf(w.edtFind));
        // The one-line title field is one text line high.
        QVERIFY2(w.edtTitle->height() < 2 * w.edtTitle->fontMetrics().lineSpacing(),
                 qPrintable(QString::number(w.edtTitle->height())));
    }

    void windowHeightGoesToTheLists()
    {
        TFrame f;
        const int listHeight = f.w().pnlNoteList->height();
        f.resizeWindow(815, 754);
        QCOMPARE(f.w().pnlContents->height(), 196);
        QCOMPARE(f.w().pnlNoteList->height(), listHeight + 100);
    }

    void splitterKeepsBothPanesAtLeast100High_data()
    {
        QTest::addColumn<int>("drag");
        QTest::addColumn<int>("editorHeight");
        QTest::newRow("up, far") << -400 << 100;
        QTest::newRow("up, a little") << -50 << 146;
        QTest::newRow("down") << 80 << 276;
    }
    void splitterKeepsBothPanesAtLeast100High()
    {
        QFETCH(int, drag);
        QFETCH(int, editorHeight);
        TFrame f;
        f.dragSplitter(drag);
        // Where in its three pixels the handle is grabbed may shift it by one.
        QVERIFY2(qAbs(f.w().pnlContents->height() - editorHeight) <= 1,
                 qPrintable(QString::number(f.w().pnlContents->height())));
        f.dragSplitter(2000);
        QCOMPARE(f.w().pnlNoteList->height(), 100);
        f.dragSplitter(-2000);
        QCOMPARE(f.w().pnlContents->height(), 100);
    }

    void editorPaneAtItsSmallestHeightHoldsEveryControl_data()
    {
        QTest::addColumn<bool>("task");
        QTest::newRow("note") << false;
        QTest::newRow("task") << true;
    }
    void editorPaneAtItsSmallestHeightHoldsEveryControl()
    {
        QFETCH(bool, task);
        TFrame f;
        (task ? f.w().radTask : f.w().radNote)->click();
        f.dragSplitter(-2000);
        QCOMPARE(f.w().pnlContents->height(), 100);
        QVERIFY(f.w().pnlContents->layout()->minimumSize().height() <= 100);
        QVERIFY(f.inWindow(f.w().edtTitle).bottom() < f.inWindow(f.w().pnlNote).top());
        QVERIFY(f.w().redNote->height() > 0);
        QVERIFY(f.inWindow(f.w().pnlNote).bottom() <= f.inWindow(f.w().pnlContents).bottom());
    }

    void narrowWindowKeepsTheRightHandControlsAtTheRightEdge()
    {
        TFrame f;
        TfrmMain &w = f.w();
        w.radTask->click();
        QCoreApplication::processEvents();
        const int titleWidth = w.edtTitle->width();
        const int radTaskGap = f.rightGap(w.radTask);
        const int completeGap = f.rightGap(w.chkComplete);
        const int reminderGap = f.rightGap(w.cboReminder);

        f.resizeWindow(600, 654);
        QCOMPARE(w.width(), 600);
        QCOMPARE(f.rightGap(w.radTask), radTaskGap);
        QCOMPARE(f.rightGap(w.chkComplete), completeGap);
        QCOMPARE(f.rightGap(w.cboReminder), reminderGap);
        QCOMPARE(w.edtTitle->width(), titleWidth - 215);
        QVERIFY(f.inWindow(w.edtTitle).right() < f.inWindow(w.radNote).left());
        QVERIFY(f.inWindow(w.dtpTime).right() < f.inWindow(w.lblReminder).left());
        // Nothing narrower than the editor pane's smallest width.
        f.resizeWindow(300, 654);
        QCOMPARE(w.pnlContents->width(), 600);
    }

    void resetFormLayoutShowsTheTaskPanelForTasksOnly()
    {
        TFrame f;
        TfrmMain &w = f.w();
        w.radNote->setChecked(true);
        w.ResetFormLayout();
        QVERIFY(!w.pnlTask->isVisible());
        QVERIFY(!w.pnlTask->isEnabled());
        QCOMPARE(f.inWindow(w.pnlNote).bottom(), f.inWindow(w.pnlContents).bottom() - w.pnlContents->frameWidth() - 3);
        const int noteBodyHeight = w.pnlNote->height();

        w.radTask->setChecked(true);
        w.ResetFormLayout();
        QVERIFY(w.pnlTask->isVisible());
        QVERIFY(w.pnlTask->isEnabled());
        // The task panel has the body's left edge and width, and sits between
        // the title and the body.
        QCOMPARE(f.inWindow(w.pnlTask).left(), f.inWindow(w.redNote).left());
        QCOMPARE(w.pnlTask->width(), w.redNote->width());
        QVERIFY(f.inWindow(w.edtTitle).bottom() < f.inWindow(w.pnlTask).top());
        QVERIFY(f.inWindow(w.pnlTask).bottom() < f.inWindow(w.pnlNote).top());
        QCOMPARE(w.pnlNote->height(), noteBodyHeight - w.pnlTask->height() - 3);
        // Tab goes from the title through the task fields.
        QVERIFY(w.dtpDate->isVisibleTo(&w) && w.dtpDate->isEnabled());
    }

    void findBarSitsThreePixelsBelowTheStatusBarTop()
    {
        TFrame f;
        TfrmMain &w = f.w();
        for (const QSize size : {QSize(815, 654), QSize(600, 500), QSize(1000, 800)}) {
            f.resizeWindow(size.width(), size.height());
            QCOMPARE(w.edtFind->mapTo(w.barStatus, QPoint()).y(), 3);
            QCOMPARE(w.btnFind->mapTo(w.barStatus, QPoint()).y(), 3);
        }
        QVERIFY(w.edtFind->x() < w.btnFind->x() && w.btnFind->x() < w.radAllNotes->x()
                && w.radAllNotes->x() < w.radCurrentTab->x() && w.radCurrentTab->x() < w.radCurrentNote->x());
        QCOMPARE(w.radAllNotes->text(), QStringLiteral("&All Entries"));
        QCOMPARE(w.radCurrentTab->text(), QStringLiteral("Current Ta&b"));
        QCOMPARE(w.radCurrentNote->text(), QStringLiteral("&Current Entry"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblFind"))->text(), QStringLiteral("   Find:"));
    }

    void findButtonRunsTheFindAction()
    {
        TFrame f;
        TfrmMain &w = f.w();
        QVERIFY(!w.btnFind->isEnabled());
        QCOMPARE(w.btnFind->toolTip(), QStringLiteral("Search entries."));
        QSignalSpy ran(w.actFind, &QAction::triggered);
        w.edtFind->setText(QStringLiteral("nowhere"));
        QVERIFY(w.btnFind->isEnabled());
        // No entry holds the text: the search says so.
        MessageDlgSeam::setNextAnswers({mrOk});
        QTest::mouseClick(w.btnFind, Qt::LeftButton);
        QCOMPARE(ran.count(), 1);
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList{QStringLiteral("No matches were found.")});
    }

    void fileButtonsStandForTheirActions_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("actionName");
        // View with no file at the path tells the user so.
        QTest::addColumn<QList<int>>("answers");
        QTest::newRow("view") << QStringLiteral("btnViewFile") << QStringLiteral("actViewFile") << QList<int>{mrOk};
        QTest::newRow("remove") << QStringLiteral("btnRemoveFile") << QStringLiteral("actDeleteFile") << QList<int>{};
    }
    void fileButtonsStandForTheirActions()
    {
        QFETCH(QString, button);
        QFETCH(QString, actionName);
        QFETCH(QList<int>, answers);
        TFrame f;
        auto *pushButton = f.w().findChild<QPushButton *>(button);
        QAction *action = f.action(actionName);
        action->setEnabled(false);
        QVERIFY(!pushButton->isEnabled());
        action->setEnabled(true);
        QVERIFY(pushButton->isEnabled());
        QCOMPARE(pushButton->toolTip(), action->toolTip());
        QSignalSpy ran(action, &QAction::triggered);
        MessageDlgSeam::setNextAnswers(answers);
        QTest::mouseClick(pushButton, Qt::LeftButton);
        QCOMPARE(ran.count(), 1);
        QVERIFY(!MessageDlgSeam::hasPendingAnswers());
        QCOMPARE(pushButton->height(), f.w().redFileName->height());
    }

    void columnsHaveTheirWidthsAndLimits_data()
    {
        QTest::addColumn<bool>("tasks");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<QList<int>>("minimums"); // 0: the header's own
        QTest::addColumn<QList<int>>("maximums"); // 0: none
        QTest::newRow("notes") << false
                               << QStringList{QStringLiteral("Created"), QStringLiteral("Modified"),
                                              QStringLiteral("Title"), QStringLiteral("Note")}
                               << QList<int>{100, 100, 255, 512} << QList<int>{50, 0, 75, 100}
                               << QList<int>{0, 0, 0, 0};
        QTest::newRow("tasks") << true
                               << QStringList{QStringLiteral("Created"), QStringLiteral("Modified"),
                                              QStringLiteral("Due"), QStringLiteral("Done"),
                                              QStringLiteral("Task"), QStringLiteral("Instructions"),
                                              QStringLiteral("Completed")}
                               << QList<int>{100, 100, 100, 43, 255, 512, 100}
                               << QList<int>{50, 50, 50, 40, 75, 100, 50} << QList<int>{0, 0, 0, 50, 0, 0, 0};
    }
    // In the designed window every column shows, without a horizontal scroll
    // bar: the long text columns give way. A width chosen by the user stays.
    void columnsFitTheDesignedWindow_data()
    {
        QTest::addColumn<bool>("tasks");
        QTest::addColumn<int>("chosenWidth"); // of the long text column; 0: none
        QTest::newRow("notes") << false << 0;
        QTest::newRow("tasks") << true << 0;
        QTest::newRow("notes, a width chosen") << false << 700;
    }
    void columnsFitTheDesignedWindow()
    {
        QFETCH(bool, tasks);
        QFETCH(int, chosenWidth);
        TestHome home;
        TfrmMain w;
        QTreeView *list = tasks ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
        const int text = tasks ? TaskColumn::Instructions : NoteColumn::Note;
        if (chosenWidth > 0)
            list->setColumnWidth(text, chosenWidth);
        QCOMPARE(w.size(), QSize(815, 654));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.pgcData->setCurrentWidget(tasks ? w.tabTasks : w.tabNotes);
        QTRY_VERIFY(list->isVisible());
        if (chosenWidth > 0) {
            QCOMPARE(list->columnWidth(text), chosenWidth);
            return;
        }
        // The columns fill the list, no more.
        QTRY_COMPARE(list->header()->length(), list->viewport()->width());
        QTRY_VERIFY(!list->horizontalScrollBar()->isVisible());
        // The dates keep their full width.
        QCOMPARE(list->columnWidth(0), 100);
        // A wider window gives the text columns their designed widths back, and no more.
        w.resize(1800, 654);
        QTRY_COMPARE(list->columnWidth(text), 512);
        QCOMPARE(list->columnWidth(tasks ? TaskColumn::Task : NoteColumn::Title), 255);
        // A width the user gives the column stays as the window narrows.
        list->setColumnWidth(text, 600);
        w.resize(815, 654);
        QTRY_VERIFY(list->viewport()->width() < 900);
        QCOMPARE(list->columnWidth(text), 600);
    }

    // A radio button's caption is bold while it has the focus, and neither
    // it nor its neighbours move for that.
    void boldFocusMovesNoButton()
    {
        TestHome home;
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QList<QRadioButton *> buttons{w.radNote, w.radTask, w.radAllNotes, w.radCurrentTab, w.radCurrentNote};
        QList<QRect> places;
        for (QRadioButton *button : buttons)
            places << button->geometry();
        for (QRadioButton *button : buttons) {
            button->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(button->font().bold());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->objectName()));
            QList<QRect> now;
            for (QRadioButton *other : buttons)
                now << other->geometry();
            QCOMPARE(now, places);
        }
        w.lsvNotes->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!w.radCurrentNote->font().bold());
    }

    void columnsHaveTheirWidthsAndLimits()
    {
        QFETCH(bool, tasks);
        QFETCH(QStringList, captions);
        QFETCH(QList<int>, widths);
        QFETCH(QList<int>, minimums);
        QFETCH(QList<int>, maximums);
        TestHome home;
        TfrmMain w;
        QTreeView *list = tasks ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
        for (int column = 0; column < captions.size(); ++column) {
            QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), captions.at(column));
            QVERIFY(!list->isColumnHidden(column));
            QCOMPARE(list->columnWidth(column), widths.at(column));
            list->setColumnWidth(column, 1);
            if (minimums.at(column) > 0)
                QCOMPARE(list->columnWidth(column), minimums.at(column));
            list->setColumnWidth(column, 2000);
            QCOMPARE(list->columnWidth(column), maximums.at(column) > 0 ? maximums.at(column) : 2000);
        }
        QCOMPARE(list->model()->columnCount(), captions.size());
        if (tasks)
            QCOMPARE(list->model()->headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    }

    // The standard edit actions follow the focused field.
    void copyAndCutNeedASelection()
    {
        TFrame f;
        TfrmMain &w = f.w();
        QGuiApplication::clipboard()->setText(QStringLiteral("on the clipboard"));
        w.redNote->setPlainText(QStringLiteral("body text"));
        f.focus(w.redNote);
        QTextCursor cursor = w.redNote->textCursor();
        cursor.clearSelection();
        w.redNote->setTextCursor(cursor);
        QCOMPARE(editState(w), QStringLiteral("---PA"));

        // Ctrl+C without a selection copies nothing.
        QTest::keyClick(w.redNote, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("on the clipboard"));
        w.actEditCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("on the clipboard"));

        cursor.setPosition(0);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        w.redNote->setTextCursor(cursor);
        QCOMPARE(editState(w), QStringLiteral("-XCPA"));
        QTest::keyClick(w.redNote, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("body"));

        QGuiApplication::clipboard()->clear();
        w.actEditCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("body"));
        w.actEditCut->trigger();
        QCOMPARE(w.redNote->toPlainText(), QStringLiteral(" text"));
        QCOMPARE(editState(w), QStringLiteral("U--PA"));
    }

    void pasteNeedsTextOnTheClipboard()
    {
        TFrame f;
        TfrmMain &w = f.w();
        f.focus(w.edtTitle);
        QGuiApplication::clipboard()->clear();
        QVERIFY(!w.actEditPaste->isEnabled());
        QGuiApplication::clipboard()->setText(QString());
        QVERIFY(!w.actEditPaste->isEnabled());
        auto *picture = new QMimeData;
        picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
        QGuiApplication::clipboard()->setMimeData(picture);
        QVERIFY(!w.actEditPaste->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        QVERIFY(w.actEditPaste->isEnabled());
        w.edtTitle->clear();
        w.actEditPaste->trigger();
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("pasted"));
    }

    void undoAndSelectAllFollowTheField()
    {
        TFrame f;
        TfrmMain &w = f.w();
        w.edtTitle->clear();
        f.focus(w.edtTitle);
        QVERIFY(!w.actEditUndo->isEnabled());
        QVERIFY(!w.actEditSelectAll->isEnabled());
        QTest::keyClicks(w.edtTitle, QStringLiteral("typed"));
        QVERIFY(w.actEditUndo->isEnabled());
        QVERIFY(w.actEditSelectAll->isEnabled());
        w.actEditSelectAll->trigger();
        QCOMPARE(w.edtTitle->textCursor().selectedText(), QStringLiteral("typed"));
        QVERIFY(w.actEditCopy->isEnabled());
        w.actEditUndo->trigger();
        QCOMPARE(w.edtTitle->toPlainText(), QString());
        QVERIFY(!w.actEditUndo->isEnabled());
        QVERIFY(!w.actEditSelectAll->isEnabled());
    }

    void editActionsWorkOnLineEditsAndPickers()
    {
        TFrame f;
        TfrmMain &w = f.w();
        QGuiApplication::clipboard()->setText(QStringLiteral("x"));
        w.edtFind->setText(QStringLiteral("needle"));
        f.focus(w.edtFind);
        w.edtFind->setSelection(0, 3);
        QCOMPARE(editState(w), QStringLiteral("-XCPA"));
        w.actEditCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("nee"));

        // The date picker's text is a text field too.
        w.radTask->click();
        f.focus(w.dtpDate);
        w.actEditSelectAll->trigger();
        QVERIFY(w.actEditCopy->isEnabled());
        w.actEditCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), w.dtpDate->text());
    }

    void readOnlyFieldIsOnlyCopiedFrom()
    {
        TFrame f;
        TfrmMain &w = f.w();
        QGuiApplication::clipboard()->setText(QStringLiteral("x"));
        w.redFileName->setPlainText(QStringLiteral("/tmp/attached.txt"));
        f.focus(w.redFileName);
        w.actEditSelectAll->trigger();
        QCOMPARE(editState(w), QStringLiteral("--C-A"));
        w.actEditCut->trigger();
        w.actEditPaste->trigger();
        QCOMPARE(w.redFileName->toPlainText(), QStringLiteral("/tmp/attached.txt"));
    }

    void editActionsAreOffWithoutAFocusedTextField()
    {
        TFrame f;
        TfrmMain &w = f.w();
        QGuiApplication::clipboard()->setText(QStringLiteral("x"));
        w.redNote->setPlainText(QStringLiteral("body"));
        f.focus(w.redNote);
        w.redNote->selectAll();
        QCOMPARE(editState(w), QStringLiteral("-XCPA"));
        f.focus(w.lsvNotes);
        QCOMPARE(editState(w), QStringLiteral("-----"));
        // A shortcut then reaches no field.
        w.actEditSelectAll->trigger();
        w.actEditCut->trigger();
        QCOMPARE(w.redNote->toPlainText(), QStringLiteral("body"));
    }
};

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
