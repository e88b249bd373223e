#include "platform/MailHandoff.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {
TMailHandoff *installedHandoff = nullptr;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool keptInAddress(char c)
{
    static const QByteArray kept = QByteArrayLiteral("-._~:/?[]@!$&'()*+,;=");
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || kept.contains(c);
}

QString xdgEmail()
{
    return QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
}

bool openWithDesktop(const QByteArray &address)
{
    return QDesktopServices::openUrl(QUrl::fromEncoded(address, QUrl::StrictMode));
}
} // namespace

TMailHandoff &TMailHandoff::current()
{
    static TSystemMailHandoff system;
    return installedHandoff ? *installedHandoff : system;
}

void TMailHandoff::setCurrent(TMailHandoff *handoff)
{
    installedHandoff = handoff;
}

QByteArray TSystemMailHandoff::mailtoAddress(const QString &request)
{
    const QByteArray bytes = request.toUtf8();
    QByteArray result;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        const bool startsEscape =
            c == '%' && i + 2 < bytes.size() && isHexDigit(bytes.at(i + 1)) && isHexDigit(bytes.at(i + 2));
        if (keptInAddress(c) || startsEscape) {
            result += c;
        } else {
            result += '%';
            result += QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0').toUpper();
        }
    }
    return result;
}

QStringList TSystemMailHandoff::xdgEmailArguments(const TMailMessage &message)
{
    // xdg-email writes every line feed as CR LF itself; a CR of ours would
    // come out as a second one.
    const auto lineFeeds = [](QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), lineFeeds(message.subject),
                          QStringLiteral("--body"), lineFeeds(message.text)};
    if (!message.attachmentPath.isEmpty())
        arguments << QStringLiteral("--attach") << message.attachmentPath;
    if (!message.recipientAddress.isEmpty())
        arguments << message.recipientAddress;
    return arguments;
}

QByteArray TSystemMailHandoff::composeAddress(const TMailMessage &message)
{
    return QByteArrayLiteral("mailto:") + QUrl::toPercentEncoding(message.recipientAddress, "@")
           + QByteArrayLiteral("?subject=") + QUrl::toPercentEncoding(message.subject)
           + QByteArrayLiteral("&body=") + QUrl::toPercentEncoding(message.text);
}

int TSystemMailHandoff::openMailTo(const QString &request)
{
    const QByteArray address = mailtoAddress(request);
    const QString program = xdgEmail();
    if (!program.isEmpty() && QProcess::startDetached(program, {QString::fromLatin1(address)}))
        return 0;
    return openWithDesktop(address) ? 0 : noMailProgram;
}

int TSystemMailHandoff::compose(const TMailMessage &message)
{
    if (!message.attachmentPath.isEmpty()) {
        const QFileInfo attachment(message.attachmentPath);
        if (!attachment.exists())
            return attachmentNotFound;
        if (!attachment.isFile() || !attachment.isReadable())
            return attachmentOpenFailure;
    }
    const QString program = xdgEmail();
    if (!program.isEmpty() && QProcess::startDetached(program, xdgEmailArguments(message)))
        return composeOk;
    return openWithDesktop(composeAddress(message)) ? composeOk : noMailProgram;
}
