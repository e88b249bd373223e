#pragma once

#include <QMetaType>
#include <QString>

class QComboBox;

// The lead time carried by each row of a lead-time combo box.
struct TReminderInfo
{
    QString ReminderText;
    int Minutes = -1;
};
Q_DECLARE_METATYPE(TReminderInfo)

// Appends one lead-time row to a combo box.
void AddReminderToComboBox(QComboBox *box, const QString &text, int minutes);
// The lead time of a row of a lead-time combo box; -1 when the row has none.
TReminderInfo ReminderInfoAt(const QComboBox *box, int row);
