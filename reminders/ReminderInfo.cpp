#include "reminders/ReminderInfo.h"

#include <QComboBox>

void AddReminderToComboBox(QComboBox *box, const QString &text, int minutes)
{
    box->addItem(text, QVariant::fromValue(TReminderInfo{text, minutes}));
}

TReminderInfo ReminderInfoAt(const QComboBox *box, int row)
{
    return box->itemData(row).value<TReminderInfo>();
}
