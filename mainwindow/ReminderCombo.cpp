// Filling a lead-time combo box of the main, quick-add or reminder window.
#include "mainwindow/Main.h"

#include "reminders/LeadTimes.h"
#include "reminders/ReminderInfo.h"

#include <QComboBox>

void TfrmMain::FillReminderComboBox(QComboBox *box)
{
    for (int i = 0; i < LeadTimes::Count; ++i) {
        // Only the main window's list offers "0 minutes": the other windows
        // use the short list, whose rows are translated by LeadTimes.
        if (i == 1 && box != cboReminder)
            continue;
        const LeadTimes::Row &row = LeadTimes::Table[size_t(i)];
        AddReminderToComboBox(box, QString::fromLatin1(row.text), row.minutes);
    }
    if (box)
        box->setCurrentIndex(0);
}
