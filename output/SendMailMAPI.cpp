#include "output/SendMailMAPI.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/MessageDlg.h"
#include "platform/MailHandoff.h"

#include <array>

namespace {
const QString crlf = QStringLiteral("\r\n");

// Simple MAPI's results 1 to 26; 7 has no text of its own.
constexpr std::array<const char *, 26> mapiTexts = {
    "User cancelled request",
    "General MAPI (e-mail) failure",
    "Logon failure",
    "Disk full",
    "Insufficient memory",
    "Access denied",
    nullptr,
    "Too many sessions",
    "Too many files open",
    "Too many recipients",
    "Attachment not found",
    "Failed to open attachment",
    "Failed to write attachment",
    "Unknown recipient",
    "Invalid recipient type",
    "No messages",
    "Invalid message",
    "Text too large.",
    "Invalid session",
    "Type not supported",
    "Ambiguous recipient",
    "Message in use",
    "Network failure",
    "Invalid edit fields",
    "Invalid recipients",
    "Not supported",
};
} // namespace

QString MailFooterText()
{
    return crlf + crlf + QString(50, QLatin1Char('_')) + crlf
        + QStringLiteral("This message sent via Tamsel ") + QStringLiteral(TAMSEL_VERSION) + QLatin1Char('.')
        + crlf + MakerWebSite;
}

QString MapiErrorText(int code)
{
    if (code >= 1 && code <= int(mapiTexts.size()) && mapiTexts[size_t(code - 1)])
        return QString::fromLatin1(mapiTexts[size_t(code - 1)]);
    return QStringLiteral("Unknown Error Code: ") + QString::number(code);
}

void SendMailMAPI(const QString &subject, const QString &text, const QString &recipientAddress,
    const QString &attachmentPath)
{
    try {
        const int result
            = TMailHandoff::current().compose({ subject, text, recipientAddress, attachmentPath });
        if (result == TMailHandoff::noMailProgram) {
            MessageDlg(QStringLiteral("Tamsel"),
                QStringLiteral("Tamsel was unable to launch the default e-mail application."),
                TMsgDlgType::Warning, mbOK);
        } else if (result != TMailHandoff::composeOk && result != TMailHandoff::userCancelled) {
            MessageDlg(QStringLiteral("The following error occurred when trying to create the message:")
                    + crlf + crlf + QLatin1Char('\t') + MapiErrorText(result) + crlf + crlf
                    + QStringLiteral("Please confirm your e-mail settings before trying again."),
                TMsgDlgType::Warning, mbOK);
        }
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("SendMailMAPI"), error.message() });
    }
}
