#include "platform/AtomicFile.h"

#include "platform/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

AtomicFile::TFaultFunction &faultFunction()
{
    static AtomicFile::TFaultFunction fault;
    return fault;
}

// The error a test makes the step fail with, set in errno too; 0 to run it.
int injectedFault(AtomicFile::TStep step)
{
    const AtomicFile::TFaultFunction &fault = faultFunction();
    const int error = fault ? fault(step) : 0;
    if (error != 0)
        errno = error;
    return error;
}

// Writes everything, resuming after partial writes and interruptions.
bool writeAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = injectedFault(AtomicFile::TStep::Write) ? -1 : ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// The names WriteFileAtomically gives its new files: the target's name, a
// point and the six letters or digits mkostemp puts in place of "XXXXXX".
const QByteArray newFileSuffix = QByteArrayLiteral(".XXXXXX");
QRegularExpression newFilePattern(const QString &targetName)
{
    return QRegularExpression(
        QLatin1Char('^') + QRegularExpression::escape(targetName) + QStringLiteral("\\.[A-Za-z0-9]{6}$"));
}

// The file named in messages: the path as given, and where a link leads.
QString describe(const QString &path, const QString &target)
{
    return target == QFileInfo(path).absoluteFilePath() ? path
                                                         : QStringLiteral("%1 (a link to %2)").arg(path, target);
}
} // namespace

QString AtomicFile::FinalTarget(const QString &path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    // Linux gives up after 40 links, too.
    for (int links = 0; links < 40; ++links) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(QFile::encodeName(current).constData(), target, sizeof target);
        // Not a link (or nothing there yet): the writing itself tells why not.
        if (length < 0 || length == ssize_t(sizeof target))
            return current;
        const QFileInfo next(QFileInfo(current).absoluteDir(), QFile::decodeName(QByteArray(target, length)));
        // The folder as the system resolves it: ".." after a linked folder
        // leads back from where that link points.
        const QString folder = next.dir().canonicalPath();
        current = folder.isEmpty() ? next.absoluteFilePath() : folder + QLatin1Char('/') + next.fileName();
    }
    throw ETamselError(QStringLiteral("%1 cannot be used: it leads through too many symbolic links.").arg(path));
}

void AtomicFile::WriteFileAtomically(const QString &path, const std::function<void(const TByteSink &)> &produce)
{
    const QString target = FinalTarget(path);
    const QString file = describe(path, target);
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray folderName = QFile::encodeName(QFileInfo(target).absolutePath());
    const auto failure = [&](const QString &what, int error) {
        return ETamselError(QStringLiteral("Could not save %1: %2 (%3). The file was left as it was.")
                                .arg(file, what, systemError(error)));
    };

    QByteArray newName = targetName + newFileSuffix;
    // mkostemp creates the file with mode 0600 whatever the umask.
    const int fd = ::mkostemp(newName.data(), O_CLOEXEC);
    if (fd < 0)
        throw failure(QStringLiteral("no new file could be created in its folder"), errno);
    // Held until the file is closed: RemoveStaleTemporaryFiles leaves a
    // locked file alone. Where locks are not supported the file is written
    // all the same.
    ::flock(fd, LOCK_EX | LOCK_NB);
    const auto discard = [&](bool open) {
        if (open)
            ::close(fd);
        ::unlink(newName.constData());
    };

    try {
        produce([&](QByteArrayView bytes) {
            if (!writeAll(fd, bytes))
                throw failure(QStringLiteral("writing failed"), errno);
        });
    } catch (...) {
        discard(true);
        throw;
    }
    if (const int error = FileSync::Sync(fd, newName)) {
        discard(true);
        throw failure(QStringLiteral("the new text could not be flushed to the disk"), error);
    }
    if (::close(fd) != 0 || injectedFault(TStep::Close)) {
        const int error = errno;
        discard(false);
        throw failure(QStringLiteral("writing failed"), error);
    }
    if (injectedFault(TStep::Rename) || ::rename(newName.constData(), targetName.constData()) != 0) {
        const int error = errno;
        discard(false);
        throw failure(QStringLiteral("the new text could not take the file's place"), error);
    }

    // Makes the rename itself durable. Some file systems cannot sync a
    // folder (EINVAL); the new file is complete and in place then.
    const int folder = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int error = folder < 0 ? errno : FileSync::Sync(folder, folderName);
    if (folder >= 0)
        ::close(folder);
    if (error != 0 && error != EINVAL)
        throw ETamselError(QStringLiteral("%1 was saved, but the system could not confirm that the change "
                                          "is on the disk (%2).")
                               .arg(file, systemError(error)));
}

AtomicFile::TFaultFunction AtomicFile::SetFault(TFaultFunction fault)
{
    return std::exchange(faultFunction(), std::move(fault));
}

QStringList AtomicFile::RemoveStaleTemporaryFiles(const QString &path)
{
    const QFileInfo target(FinalTarget(path));
    const QDir folder = target.absoluteDir();
    const QRegularExpression pattern = newFilePattern(target.fileName());
    QStringList removed, failed;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (!pattern.match(name).hasMatch())
            continue;
        const QString file = folder.absoluteFilePath(name);
        const QByteArray fileName = QFile::encodeName(file);
        // Never follows a link, never waits on a pipe.
        const int fd = ::open(fileName.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat status {};
        const bool ours = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
        // A write in progress, here or in another process, holds the lock.
        if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (::unlink(fileName.constData()) == 0)
                removed << file;
            else
                failed << QStringLiteral("%1 (%2)").arg(file, systemError(errno));
        }
        ::close(fd);
    }
    if (!failed.isEmpty())
        throw ETamselError(QStringLiteral("Left over from interrupted saves, these files could not be removed: %1.")
                               .arg(failed.join(QStringLiteral(", "))));
    return removed;
}
