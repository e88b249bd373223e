#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

namespace {
const QByteArray showRequest = QByteArrayLiteral("show\n");
constexpr int connectAttempts = 20;
constexpr int attemptPauseMs = 100;
} // namespace

QString TadpInstanceControl::NameFor(const QString &programPath)
{
    const QByteArray digest = QCryptographicHash::hash(QDir::cleanPath(programPath).toUtf8(),
                                                       QCryptographicHash::Sha1);
    return QStringLiteral("tamsel-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest.toHex().left(16)));
}

TadpInstanceControl::TadpInstanceControl(const QString &programPath, QObject *parent)
    : QObject(parent), m_name(NameFor(programPath))
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    m_lockPath = folder + QLatin1Char('/') + m_name + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0); // only a lock of a dead process is stale
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(showRequest.trimmed()))
                    emit ActivationRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

TadpInstanceControl::~TadpInstanceControl()
{
    m_server.close();
    if (m_lock->isLocked())
        m_lock->unlock();
}

TClaimResult TadpInstanceControl::Claim()
{
    if (m_lock->tryLock(0)) {
        // A socket left by a crashed instance would block listening.
        QLocalServer::removeServer(m_name);
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        m_server.listen(m_name);
        return TClaimResult::Claimed;
    }
    if (m_lock->error() == QLockFile::LockFailedError) {
        if (askRunningInstance())
            return TClaimResult::HandedOver;
        m_failure = QStringLiteral("Tamsel is running already, but it does not answer the request to show its "
                                   "window.\r\n\r\nIf no copy of Tamsel is running, remove the file %1 and start "
                                   "Tamsel again.")
                        .arg(m_lockPath);
        return TClaimResult::Failed;
    }
    const QString reason = m_lock->error() == QLockFile::PermissionError ? QStringLiteral("permission denied")
                                                                         : QStringLiteral("the file cannot be made");
    m_failure = QStringLiteral("Tamsel cannot start, because it cannot create its lock file %1 (%2).\r\n\r\n"
                               "Tamsel uses that file to make sure that only one copy of it runs. Make sure the "
                               "folder %3 exists and that you can write to it, then start Tamsel again.")
                    .arg(m_lockPath, reason, QFileInfo(m_lockPath).absolutePath());
    return TClaimResult::Failed;
}

bool TadpInstanceControl::askRunningInstance() const
{
    // The running instance may still be starting up; give it a moment to listen.
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (socket.waitForConnected(attemptPauseMs)) {
            socket.write(showRequest);
            socket.waitForBytesWritten(1000);
            socket.waitForDisconnected(1000);
            return true;
        }
        QThread::msleep(attemptPauseMs);
    }
    return false;
}
