#include "mainwindow/Main.h"
#include "app/SingleInstance.h"
#include "controls/WindowBounds.h"
#include "diagnostics/MessageDlg.h"
#include "platform/CoreDumps.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (!DisableCoreDumps())
        std::fputs("tamsel: core dumps could not be turned off\n", stderr);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsel"));
    QApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    // The menu entry the package installs: the desktop finds the program's
    // name and icon there for its windows.
    QApplication::setDesktopFileName(QStringLiteral("io.github.tamsel.Tamsel"));
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
    // Stored or designed bounds may be larger than the screen in use or lie
    // partly off it (a smaller or removed monitor).
    KeepOnScreen(frmMain);
    KeepOnScreenOnceFramed(frmMain);
    frmMain.ShowAfterStart();
    return application.exec();
}
