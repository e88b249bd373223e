// The main window's update check, about box, splash and help commands.
#include "updates/UpdateCommands.h"

#include "mainwindow/Main.h"
#include "diagnostics/ErrorReport.h"
#include "updates/HelpWindow.h"
#include "updates/Splash.h"
#include "updates/UpdateCheck.h"
#include "updates/UpdateServer.h"

#include <QAction>
#include <QApplication>

namespace {
void reportMain(const char *method, const std::exception &error)
{
    ReportError({ QStringLiteral("Main"), QLatin1String(method), QString::fromLocal8Bit(error.what()) });
}
} // namespace

void ConnectUpdateCommands(TfrmMain &window)
{
    QObject::connect(window.CheckforUpdatesNow1, &QAction::triggered, &window,
        [&window] { window.CheckforUpdatesNow1Click(); });
    QObject::connect(window.mnuAbout, &QAction::triggered, &window, [&window] { window.mnuAboutClick(); });
    QObject::connect(window.actHelp, &QAction::triggered, &window, [&window] { window.actHelpExecute(); });
}

void TfrmMain::CheckforUpdatesNow1Click()
{
    // The check lets events through while it waits for the host: the command
    // is off meanwhile, so it is not started twice.
    if (!CheckforUpdatesNow1->isEnabled())
        return;
    CheckforUpdatesNow1->setEnabled(false);
    // The timers start only when start-up ends.
    if (!Starting)
        DisableTimer();
    if (!UpdateCheck::Run(TUpdateServer(), Starting, this))
        CheckForUpdatesOnStartup = false;
    if (!Starting)
        ResetTimerState();
    CheckforUpdatesNow1->setEnabled(true);
}

void TfrmMain::mnuAboutClick()
{
    DisableTimer();
    try {
        TfrmSplash about(TfrmSplash::TUse::AboutBox, TfrmSplash::GetFontSize(this), this);
        about.exec();
    } catch (const std::exception &error) {
        reportMain("mnuAboutClick", error);
    }
    ResetTimerState();
}

void TfrmMain::actHelpExecute()
{
    try {
        TfrmHelp::ShowTopic(TfrmHelp::mainWindowTopic);
    } catch (const std::exception &error) {
        reportMain("actHelpExecute", error);
    }
}

void TfrmMain::ShowSplash()
{
    try {
        frmSplash = new TfrmSplash(TfrmSplash::TUse::Splash, TfrmSplash::GetFontSize(this));
        // The questions of start-up (the passphrase above all) keep the focus.
        frmSplash->setAttribute(Qt::WA_ShowWithoutActivating);
        frmSplash->show();
        frmSplash->repaint();
    } catch (const std::exception &error) {
        reportMain("FormCreate", error);
    }
}

void TfrmMain::CloseSplash()
{
    delete frmSplash;
    frmSplash = nullptr;
}
