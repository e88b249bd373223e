#include "app/Main.h"
#include "app/SingleInstance.h"
#include "diagnostics/MessageDlg.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>

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
    switch (instanceControl.Claim()) {
    case TClaimResult::Claimed:
        break;
    case TClaimResult::HandedOver:
        return 0;
    case TClaimResult::Failed:
        std::fprintf(stderr, "tamsel: %s\n", qPrintable(instanceControl.FailureMessage().simplified()));
        MessageDlg(instanceControl.FailureMessage(), TMsgDlgType::Error, mbOK);
        return 1;
    }

    TfrmMain frmMain;
    QObject::connect(&instanceControl, &TadpInstanceControl::ActivationRequested, &frmMain,
                     &TfrmMain::BringToFront);
    frmMain.FormCreate(application.arguments().mid(1), TfrmMain::TStoreOpening::WhileShown);
    if (frmMain.QuitAtStart)
        return 0;
    KeepOnScreen(frmMain);
    frmMain.ShowAfterStart();
    return application.exec();
}
