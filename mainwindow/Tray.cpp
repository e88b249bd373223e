// The tray icon and its menu, putting the main window into the tray and
// bringing it back, and the quick-add commands.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "mainwindow/EditorEvents.h"
#include "controls/EntryListModel.h"
#include "mainwindow/TrayZoom.h"
#include "platform/TrayHost.h"
#include "quickadd/AddNote.h"
#include "store/EntryTable.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace {
void reportMain(const char *method, const std::exception &error)
{
    ReportError({QStringLiteral("Main"), QLatin1String(method), QString::fromStdString(error.what())});
}

// A yellow note with a folded corner and a "T": the program's icon.
QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 32, 48}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal fold = size * 0.3;
        const QPointF outline[] = {{0.5, 0.5}, {size - 0.5, 0.5}, {size - 0.5, size - 0.5 - fold},
                                   {size - 0.5 - fold, size - 0.5}, {0.5, size - 0.5}};
        painter.setPen(QPen(QColor(120, 96, 0), 1));
        painter.setBrush(QColor(255, 214, 64));
        painter.drawPolygon(outline, 5);
        painter.setBrush(QColor(214, 170, 20));
        const QPointF corner[] = {{size - 0.5, size - 0.5 - fold}, {size - 0.5 - fold, size - 0.5},
                                  {size - 0.5 - fold, size - 0.5 - fold}};
        painter.drawPolygon(corner, 3);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(int(size * 0.7));
        painter.setFont(font);
        painter.setPen(QColor(60, 48, 0));
        painter.drawText(QRectF(0, 0, size - fold * 0.5, size - fold * 0.5), Qt::AlignCenter, QStringLiteral("T"));
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

// Keeps Show1 and Hide1 in step with the window, and sends a window the user
// minimized (minimize button, window menu) into the tray where there is one.
class TTrayEvents : public QObject
{
public:
    explicit TTrayEvents(TfrmMain *main) : QObject(main), m_main(main) { setObjectName(WindowEventFilterName); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_main)
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            m_main->UpdateTrayItems();
            break;
        case QEvent::WindowStateChange: {
            const Qt::WindowStates before = static_cast<QWindowStateChangeEvent *>(event)->oldState();
            if (m_main->isVisible() && m_main->isMinimized() && !(before & Qt::WindowMinimized)) {
                // The state before the minimize is the one to come back in.
                m_main->SavedWindowState = before & Qt::WindowMaximized;
                // After the event: showMinimized() shows the window once its
                // state is set.
                if (m_main->TrayIcon && TrayHost::available())
                    QMetaObject::invokeMethod(m_main, &TfrmMain::MinimizeToTray, Qt::QueuedConnection);
            }
            m_main->UpdateTrayItems();
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    TfrmMain *m_main;
};

// How often the desktop's tray is looked for, in milliseconds.
constexpr int trayCheckInterval = 3000;
} // namespace

void TfrmMain::CreateTrayMenu()
{
    setWindowIcon(programIcon());
    popMenu = new QMenu(this);
    popMenu->setObjectName(QStringLiteral("popMenu"));
    const auto item = [this](const char *name, const QString &caption, void (TfrmMain::*click)()) {
        QAction *action = popMenu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, click);
        return action;
    };
    popAddNote = item("popAddNote", QStringLiteral("&Add Note"), &TfrmMain::popAddNoteClick);
    popAddTask = item("popAddTask", QStringLiteral("Add &Task"), &TfrmMain::popAddTaskClick);
    popMenu->addSeparator();
    Show1 = item("Show1", QStringLiteral("&Show"), &TfrmMain::Show1Click);
    Hide1 = item("Hide1", QStringLiteral("&Hide"), &TfrmMain::Hide1Click);
    popMenu->addSeparator();
    Exit2 = item("Exit2", QStringLiteral("E&xit"), &TfrmMain::Exit2Click);
    UpdateTrayItems();

    mnuAddNote = new QAction(QStringLiteral("Quick &Add Note..."), this);
    mnuAddNote->setObjectName(QStringLiteral("mnuAddNote"));
    connect(mnuAddNote, &QAction::triggered, this, &TfrmMain::popAddNoteClick);
    mnuAddTask = new QAction(QStringLiteral("Quick Add Tas&k..."), this);
    mnuAddTask->setObjectName(QStringLiteral("mnuAddTask"));
    connect(mnuAddTask, &QAction::triggered, this, &TfrmMain::popAddTaskClick);
    // A quick add needs what a new entry in the editor needs: the entries opened.
    const auto followNew = [this] {
        for (QAction *add : {popAddNote, popAddTask, mnuAddNote, mnuAddTask})
            add->setEnabled(actNewNote->isEnabled());
    };
    followNew();
    connect(actNewNote, &QAction::changed, this, followNew);

    installEventFilter(new TTrayEvents(this));
    timTray = new QTimer(this);
    timTray->setObjectName(QStringLiteral("timTray"));
    timTray->setInterval(trayCheckInterval);
    connect(timTray, &QTimer::timeout, this, &TfrmMain::TrayCheck);
}

void TfrmMain::UpdateTrayItems()
{
    const bool shown = isVisible() && !isMinimized();
    Show1->setEnabled(!shown);
    Hide1->setEnabled(shown);
}

void TfrmMain::AddTrayIcon()
{
    TrayIcon = new QSystemTrayIcon(windowIcon(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Tamsel"));
    TrayIcon->setContextMenu(popMenu);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, &TfrmMain::TrayMessage);
    // Shown also while the desktop has no tray: the icon then appears as soon
    // as a tray does.
    TrayIcon->show();
    timTray->start();
}

void TfrmMain::TrayCheck()
{
    try {
        if (!TrayIcon || TrayHost::available())
            return;
        // The tray holding the window has gone: the taskbar has to hold it.
        if (!isVisible() && !Exiting)
            showMinimized();
    } catch (const std::exception &error) {
        reportMain("TrayCheck", error);
    }
}

void TfrmMain::TrayMessage(QSystemTrayIcon::ActivationReason reason)
{
    try {
        // Every left click brings the window up, also when it is shown; the
        // right button opens popMenu, and double clicks add nothing.
        if (reason == QSystemTrayIcon::Trigger)
            MaximizeFromTray();
    } catch (const std::exception &error) {
        reportMain("TrayMessage", error);
    }
}

void TfrmMain::MinimizeToTray()
{
    try {
        if (!isMinimized())
            SavedWindowState = windowState() & Qt::WindowMaximized;
        if (TrayIcon && TrayHost::available()) {
            TrayZoom::Play(frameGeometry(), TrayIcon->geometry());
            // A window the window manager minimized stays minimized while it
            // is hidden: on X11, taking that state from a hidden window maps
            // it at once, and the window manager would show an empty frame.
            // MaximizeFromTray restores SavedWindowState right before it
            // shows the window.
            hide();
        } else {
            showMinimized();
        }
    } catch (const std::exception &error) {
        reportMain("MinimizeToTray", error);
    }
}

void TfrmMain::MaximizeFromTray()
{
    try {
        // A window in the tray or on the taskbar comes back in its saved
        // state; one already shown keeps the state the user gave it.
        if (!isVisible() || isMinimized()) {
            if (TrayIcon && !isVisible())
                TrayZoom::Play(TrayIcon->geometry(), frameGeometry());
            setWindowState(SavedWindowState);
        }
        show();
        raise();
        activateWindow();
    } catch (const std::exception &error) {
        reportMain("MaximizeFromTray", error);
    }
}

void TfrmMain::Show1Click()
{
    try {
        MaximizeFromTray();
    } catch (const std::exception &error) {
        reportMain("Show1Click", error);
    }
}

void TfrmMain::Hide1Click()
{
    try {
        MinimizeToTray();
    } catch (const std::exception &error) {
        reportMain("Hide1Click", error);
    }
}

void TfrmMain::popAddNoteClick() { QuickAdd(false, "popAddNoteClick"); }

void TfrmMain::popAddTaskClick() { QuickAdd(true, "popAddTaskClick"); }

QWidget &TfrmMain::QuickAddOwner() { return *this; }

TEntryTable &TfrmMain::QuickAddEntries() { return *Entries; }

void TfrmMain::QuickAdd(bool task, const char *method)
{
    DisableTimer();
    try {
        TfrmAddNote window(*this, task);
        window.exec();
        // The new row is selected and the list sorted again in its direction.
        if (TEntry *entry = window.AddedEntry(); entry && Entries->contains(entry)) {
            QTreeView *list = entry->task ? static_cast<QTreeView *>(lsvTasks) : lsvNotes;
            const QModelIndex row = ModelOf(list)->indexOf(entry);
            list->setCurrentIndex(row);
            list->scrollTo(row);
            ResortList(list);
        }
    } catch (const std::exception &error) {
        reportMain(method, error);
    }
    ResetTimerState();
}
