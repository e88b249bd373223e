#include "diagnostics/ErrorReport.h"

#include "diagnostics/LogFile.h"
#include "diagnostics/MessageDlg.h"
#include "diagnostics/SendEMailMessage.h"
#include "platform/Clock.h"

#include <QDebug>
#include <exception>

namespace {
// Reporters run one inside another when a dialog of a report fails (the box
// and the mail hand-off report their own failures here) or when another
// handler fails while a report's dialog is open. The inner report is shown
// without a second offer of mail; one nested deeper comes from a dialog that
// failed inside the inner one, and is only logged, so that reporting ends
// even when no dialog can be shown at all.
int reportDepth = 0;
constexpr int outermostReport = 1;
constexpr int innerReport = 2;

class TReportScope
{
public:
    TReportScope() { ++reportDepth; }
    ~TReportScope() { --reportDepth; }
    TReportScope(const TReportScope &) = delete;
    TReportScope &operator=(const TReportScope &) = delete;
};

const QString crlf = QStringLiteral("\r\n");

QString describe(const TExceptionInfoStructure &info)
{
    return crlf + crlf + QStringLiteral("Unit:\t") + info.UnitName + crlf + QStringLiteral("Method:\t")
           + info.MethodName + crlf + QStringLiteral("Error:") + crlf + info.ErrorMessage;
}

void showNotLogged(const TExceptionInfoStructure &info)
{
    MessageDlg(QStringLiteral("The following error occurred in Tamsel and was unable to be written to "
                              "the log file:")
                   + describe(info),
               TMsgDlgType::Error, mbOK);
}

void showLogged(const TExceptionInfoStructure &info)
{
    MessageDlg(QStringLiteral("The following error occurred in Tamsel:") + describe(info), TMsgDlgType::Error,
               mbOK);
}

// The body of the e-mail report. The mail program receives it inside a
// "mailto:" address, so line breaks and tabs after the first line are written
// already escaped; the report's own texts go in as they are.
QString reportBody(const TExceptionInfoStructure &info, const QDateTime &moment)
{
    const QString br = QStringLiteral("%0D%0A");
    const QString tabs = QStringLiteral("%09%09");
    return QStringLiteral("The following error was encountered in Tamsel:") + crlf + br + br
           + QStringLiteral("Date:") + tabs + LogFile::momentText(moment) + br + QStringLiteral("Unit:") + tabs
           + info.UnitName + br + QStringLiteral("Method:") + tabs + info.MethodName + br
           + QStringLiteral("Error:") + tabs + info.ErrorMessage + br + br
           + QStringLiteral("Please add a brief description of what you were doing, as well as "
                            "which operating system and desktop you're using.");
}

// Last resort when not even a dialog can tell the user.
void warnOnConsole(const TExceptionInfoStructure &info)
{
    qWarning().noquote() << "Tamsel error in" << info.UnitName << info.MethodName << ':' << info.ErrorMessage;
}

void offerMail(const TExceptionInfoStructure &info, const QDateTime &moment)
{
    const int answer = MessageDlg(QStringLiteral("An error has occurred in Tamsel and has been logged.") + crlf
                                      + crlf + QStringLiteral("Would you like to report this error via e-mail?"),
                                  TMsgDlgType::Error, mbYes | mbNo);
    if (answer != mrYes)
        return;
    SendEMailMessage(FeedbackAddress,
                     QStringLiteral("Error Report from Tamsel v.") + QStringLiteral(TAMSEL_VERSION),
                     reportBody(info, moment));
}
} // namespace

void ReportError(const TExceptionInfoStructure &info)
{
    TReportScope scope;
    bool logged = false;
    try {
        // One moment for the log entry and the mail, so both name the same time.
        const QDateTime moment = Clock::now();
        logged = LogFile::append(info, moment);
        if (reportDepth > innerReport) {
            if (!logged)
                warnOnConsole(info);
        } else if (!logged) {
            showNotLogged(info);
        } else if (reportDepth == outermostReport) {
            offerMail(info, moment);
        } else {
            showLogged(info);
        }
    } catch (const std::exception &) {
        // Something beyond the program's own failures broke off the report.
        try {
            if (logged)
                showLogged(info);
            else
                showNotLogged(info);
        } catch (const std::exception &) {
            warnOnConsole(info);
        }
    }
}

void LogError(const TExceptionInfoStructure &info)
{
    TReportScope scope;
    try {
        if (LogFile::append(info, Clock::now()))
            return;
        if (reportDepth > innerReport)
            warnOnConsole(info);
        else
            showNotLogged(info);
    } catch (const std::exception &) {
        warnOnConsole(info);
    }
}
