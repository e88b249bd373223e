// Tools > Options and the start-up entry behind "Start Tamsel when I log in".
#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "platform/StartupShortcut.h"
#include "settings/ui/Options.h"
#include "spelling/SpellLanguageList.h"

#include <QCoreApplication>
#include <QTimer>

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

QStringList TfrmMain::SpellLanguages() const
{
    QStringList languages;
    for (int row = 0; row < cboSpellCheck->count(); ++row)
        languages << cboSpellCheck->itemText(row);
    return languages;
}

int TfrmMain::SpellLanguageRow() const { return cboSpellCheck->currentIndex(); }

void TfrmMain::AutoSaveChanged()
{
    timAutoSave->setInterval(AutoSaveAfterTime * 60000);
    if (!AutoSave)
        timAutoSave->stop();
}

void TfrmMain::TaskLookChanged() { lsvTasks->viewport()->update(); }
