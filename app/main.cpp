#include "app/Main.h"
#include "app/SingleInstance.h"

#include <QApplication>

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
    frmMain.show();
    return application.exec();
}
