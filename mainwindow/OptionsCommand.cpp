// Tools > Options and the start-up entry behind "Auto-Start with Windows".
#include "mainwindow/Main.h"
#include "diagnostics/ErrorReport.h"
#include "platform/StartupShortcut.h"
#include "settings/Options.h"

#include <QCoreApplication>

namespace {
void reportMain(const char *method, const std::exception &error)
{
    ReportError({ QStringLiteral("Main"), QLatin1String(method), QString::fromStdString(error.what()) });
}
} // namespace

void TfrmMain::mnuOptionsClick()
{
    DisableTimer();
    try {
        TfrmOptions options(*this, this);
        if (options.Execute() == QDialog::Accepted)
            options.TakeOverSettings();
    } catch (const std::exception &error) {
        reportMain("mnuOptionsClick", error);
    }
    ResetTimerState();
}

bool TfrmMain::CreateStartupShortcut()
{
    try {
        StartupShortcut::create(QCoreApplication::applicationFilePath());
        return true;
    } catch (const std::exception &error) {
        reportMain("CreateStartupShortcut", error);
        return false;
    }
}

void TfrmMain::DeleteStartupShortcut()
{
    try {
        StartupShortcut::remove();
    } catch (const std::exception &error) {
        reportMain("DeleteStartupShortcut", error);
    }
}

bool TfrmMain::IsAdmin()
{
    try {
        return StartupShortcut::mayChange();
    } catch (const std::exception &error) {
        reportMain("IsAdmin", error);
        return false;
    }
}
