#include "updates/UpdateServer.h"

#include "diagnostics/Exception.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace {
// How long the host has to accept a connection before it counts as not answering.
constexpr int answerLimit = 5000; // ms
// A download that stalls this long without a byte is given up.
constexpr int stallLimit = 30000; // ms
} // namespace

QString TUpdateServer::ConfiguredHost()
{
    try {
        TRegistry registry;
        if (registry.OpenKey(RegistryKeys::settings(), false)
            && registry.ValueExists(QStringLiteral("UpdateHost"))) {
            const QString host = registry.ReadString(QStringLiteral("UpdateHost")).trimmed();
            if (!host.isEmpty())
                return host;
        }
    } catch (const ETamselError &) {
        // An unreadable setting leaves the maker's host, as an absent one does.
    }
    return QLatin1String(makersHost);
}

TUpdateServer::TUpdateServer(const QString &host)
{
    const QUrl parsed(QStringLiteral("http://") + host);
    m_hostName = parsed.host();
    m_port = parsed.port(80);
    if (m_hostName.isEmpty())
        m_hostName = QLatin1String(makersHost);
}

QUrl TUpdateServer::urlOf(const QString &path) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_hostName);
    if (m_port != 80)
        url.setPort(m_port);
    url.setPath(path);
    return url;
}

QUrl TUpdateServer::VersionInfoUrl() const { return urlOf(QStringLiteral("/products/verinfo.xml")); }

QUrl TUpdateServer::InstallerUrl(const QString &fileName) const
{
    return urlOf(QStringLiteral("/downloads/") + fileName);
}

QUrl TUpdateServer::ProductPageUrl() const { return urlOf(QStringLiteral("/products/tamsel.htm")); }

bool TUpdateServer::Answers() const
{
    QTcpSocket socket;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    limit.start(answerLimit);
    socket.connectToHost(m_hostName, static_cast<quint16>(m_port));
    // The loop runs unless the attempt has already ended (a refused
    // connection to this machine can end at once).
    if (socket.state() != QAbstractSocket::ConnectedState
        && socket.error() == QAbstractSocket::UnknownSocketError)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (socket.error() == QAbstractSocket::HostNotFoundError)
        throw ETamselError(
            QStringLiteral("The host %1 could not be found: %2").arg(m_hostName, socket.errorString()));
    const bool answered = socket.state() == QAbstractSocket::ConnectedState;
    socket.abort();
    return answered;
}

TUpdateServer::TDownload TUpdateServer::Download(
    const QUrl &url, const QString &path, TDownloadProgress *progress) const
{
    const bool replacing = QFileInfo::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ETamselError(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
    // A replaced file keeps its permissions; a new one is the user's alone.
    if (!replacing)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setTransferTimeout(stallLimit);
    const std::unique_ptr<QNetworkReply> reply(network.get(request));
    QString writeFault;
    bool stopped = false;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
        const QByteArray bytes = reply->readAll();
        if (writeFault.isEmpty() && file.write(bytes) != bytes.size()) {
            writeFault = file.errorString();
            reply->abort();
            return;
        }
        // Told with every piece that arrives, not at the pace of downloadProgress.
        if (progress) {
            const QVariant total = reply->header(QNetworkRequest::ContentLengthHeader);
            progress->Progressed(file.size(), total.isValid() ? total.toLongLong() : -1);
        }
    });
    if (progress) {
        QObject::connect(progress, &TDownloadProgress::StopRequested, reply.get(), [&] {
            stopped = true;
            reply->abort();
        });
    }
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        // Only a download the user watches (and may stop) takes input meanwhile.
        loop.exec(progress ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    // The program is ending: the wait was cut short.
    if (!reply->isFinished()) {
        stopped = true;
        reply->abort();
    }

    if (stopped) {
        file.cancelWriting();
        return TDownload::Stopped;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    QString failure;
    if (!writeFault.isEmpty())
        failure = QStringLiteral("%1 could not be written: %2").arg(path, writeFault);
    else if (reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    else if (status != 200)
        failure = QStringLiteral("the server answered %1 %2.")
                      .arg(status)
                      .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    // A connection that ends early without an error still leaves the body short.
    else if (announced.isValid() && announced.toLongLong() != file.size())
        failure = QStringLiteral("the connection ended after %1 of %2 bytes.")
                      .arg(file.size())
                      .arg(announced.toLongLong());
    if (!failure.isEmpty()) {
        file.cancelWriting();
        throw ETamselError(QStringLiteral("%1 could not be downloaded: %2").arg(url.toString(), failure));
    }
    if (!file.commit())
        throw ETamselError(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
    return TDownload::Done;
}
