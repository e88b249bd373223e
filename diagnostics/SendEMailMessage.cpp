#include "diagnostics/SendEMailMessage.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/MessageDlg.h"
#include "platform/MailHandoff.h"

void SendEMailMessage(const QString &address, const QString &subject, const QString &body)
{
    try {
        // No blank after "mailto:": on this platform the request must be a
        // valid address, and a blank would become part of the recipient.
        const QString request = QStringLiteral("mailto:") + address + QStringLiteral("?subject=") + subject
                                + QStringLiteral("&body=") + body;
        const int failure = TMailHandoff::current().openMailTo(request);
        if (failure != 0)
            MessageDlg(QString::number(failure), TMsgDlgType::Custom, mbOK);
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("SendEMailMessage"), error.message()});
    }
}
