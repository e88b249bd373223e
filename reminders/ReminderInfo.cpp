#include "reminders/ReminderInfo.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"

#include <QComboBox>

void AddReminderToComboBox(QComboBox *box, const QString &text, int minutes)
{
    try {
        if (!box)
            throw ETamselError(QStringLiteral("There is no list to add the reminder \"%1\" to.").arg(text));
        box->addItem(text, QVariant::fromValue(TReminderInfo { text, minutes }));
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("AddReminderToComboBox"), error.message() });
    }
}

TReminderInfo ReminderInfoAt(const QComboBox *box, int row)
{
    const QVariant data = box->itemData(row);
    if (!data.canConvert<TReminderInfo>())
        return {};
    return data.value<TReminderInfo>();
}
