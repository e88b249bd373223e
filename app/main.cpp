#include "app/Main.h"
#include "app/SingleInstance.h"

#include <QApplication>
#include <QScreen>

namespace {
// Stored or designed bounds may lie partly off the screen in use (a smaller
// or removed monitor); the window is moved, not resized, so it can be reached.
void KeepOnScreen(QWidget &window)
{
    if (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QRect available = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    if (available.contains(frame))
        return;
    const int left = qMax(available.left(), qMin(frame.left(), available.right() + 1 - frame.width()));
    const int top = qMax(available.top(), qMin(frame.top(), available.bottom() + 1 - frame.height()));
    window.move(left, top);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsel"));
    QApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    TadpInstanceControl instanceControl(QApplication::applicationFilePath());
    if (!instanceControl.Claim())
        return 0;

    TfrmMain frmMain;
    QObject::connect(&instanceControl, &TadpInstanceControl::ActivationRequested, &frmMain, [&frmMain] {
        if (frmMain.isMinimized())
            frmMain.showNormal();
        frmMain.show();
        frmMain.raise();
        frmMain.activateWindow();
    });
    frmMain.FormCreate(application.arguments().mid(1));
    KeepOnScreen(frmMain);
    frmMain.show();
    return application.exec();
}
