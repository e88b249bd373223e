// Pausing and resuming the main window's two timers around modal commands and
// writes: the reminder check must never interleave with a save or a dialog.
#include "app/Main.h"

#include <QTimer>

void TfrmMain::DisableTimer() { timReminder->stop(); }

namespace {
// Like a message timer's Enabled property: switching it on restarts the full
// interval, while a timer that already runs keeps its own.
void runExactlyWhen(QTimer *timer, bool on)
{
    if (!on)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}
} // namespace

void TfrmMain::ResetTimerState()
{
    runExactlyWhen(timReminder, DisplayReminders);
    runExactlyWhen(timAutoSave, AutoSave);
}
