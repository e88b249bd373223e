#pragma once

#include <QMetaType>
#include <QString>

class QComboBox;

// The lead time carried by each row of a lead-time combo box. The combo box's
// item list owns it (as the row's item data) for the life of the combo box.
struct TReminderInfo {
    QString ReminderText; // the row's text, as the combo box shows it
    qint32 Minutes = -1; // -1: no reminder ("Never")
};
Q_DECLARE_METATYPE(TReminderInfo)

// Appends one lead-time row to a combo box. A row that cannot be added is
// reported and left out; the caller goes on with the next row.
void AddReminderToComboBox(QComboBox *box, const QString &text, int minutes);
// The lead time of a row of a lead-time combo box; Minutes -1 when the row
// does not exist or carries none.
TReminderInfo ReminderInfoAt(const QComboBox *box, int row);
