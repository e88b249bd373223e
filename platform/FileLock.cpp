#include "platform/FileLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {
std::chrono::milliseconds &waitLimit()
{
    static std::chrono::milliseconds limit{5000};
    return limit;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

TFileLock::TFileLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    do
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        throw ETamselError(QStringLiteral("The lock file %1 could not be opened: %2.").arg(path, systemError(errno)));

    // Polled rather than waited for, so that the wait has an end.
    const QDeadlineTimer deadline(waitLimit());
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK || deadline.hasExpired()) {
            ::close(m_fd);
            if (error == EWOULDBLOCK)
                throw EFileLockHeld(QStringLiteral("The lock file %1 is held by another program, which did not "
                                                   "let go of it within %2 seconds.")
                                        .arg(path)
                                        .arg(double(waitLimit().count()) / 1000.0));
            throw ETamselError(QStringLiteral("The lock file %1 could not be locked: %2.").arg(path, systemError(error)));
        }
        QThread::msleep(10);
    }
}

TFileLock::~TFileLock()
{
    // Closing the only descriptor of the open file drops the lock.
    ::close(m_fd);
}

std::chrono::milliseconds TFileLock::WaitLimit()
{
    return waitLimit();
}

std::chrono::milliseconds TFileLock::SetWaitLimit(std::chrono::milliseconds limit)
{
    return std::exchange(waitLimit(), limit);
}
