#include "platform/MailHandoff.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

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

// How long xdg-email is given to hand the message over or to fail. Where it
// finds no mail program it fails after looking for one (a second or more on
// a busy machine); on some desktops it runs the mail program and waits for it
// to close, and still running after this it has started the mail program.
constexpr std::chrono::seconds handOverTime{20};

// Runs xdg-email with the arguments and tells whether it handed the message
// to a mail program: true when it exited with success or still runs, false
// when it failed (exit status 3: no mail program found). Nothing when
// xdg-email is missing or could not be run. Meanwhile the windows are
// painted, and the user's input waits.
std::optional<bool> runXdgEmail(const QStringList &arguments)
{
    const QString program = xdgEmail();
    if (program.isEmpty())
        return std::nullopt;
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, arguments);
    if (!process->waitForStarted())
        return std::nullopt;
    process->closeWriteChannel();
    QEventLoop wait;
    QObject::connect(process.get(), &QProcess::finished, &wait, &QEventLoop::quit);
    QTimer::singleShot(handOverTime, &wait, &QEventLoop::quit);
    if (process->state() != QProcess::NotRunning)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (process->state() != QProcess::NotRunning) {
        // The mail program's parent: left to run, and gone once it ends.
        QProcess *running = process.release();
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
        return true;
    }
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
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
    const std::optional<bool> handedOver = runXdgEmail({QString::fromLatin1(address)});
    if (handedOver)
        return *handedOver ? 0 : noMailProgram;
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
    const std::optional<bool> handedOver = runXdgEmail(xdgEmailArguments(message));
    if (handedOver)
        return *handedOver ? composeOk : noMailProgram;
    return openWithDesktop(composeAddress(message)) ? composeOk : noMailProgram;
}
