#include "platform/RegularFile.h"
#include "diagnostics/Exception.h"
#include <QFile>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
qint64 nanoseconds(const timespec &time) { return qint64(time.tv_sec) * 1000000000 + time.tv_nsec; }

// A buffer of many megabytes is faulted in a page at a time as it is
// written, which costs more than the copy itself where page faults are dear
// (in a virtual machine): the buffer of a large file asks for huge pages,
// where the system gives them on request.
void adviseHugePages(char *data, qsizetype size)
{
#ifdef MADV_HUGEPAGE
    constexpr quintptr hugePage = 2 * 1024 * 1024;
    const quintptr start = (quintptr(data) + hugePage - 1) & ~(hugePage - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(hugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
#endif
}

TFileIdentity identityOf(const struct stat &status)
{
    return { quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size), nanoseconds(status.st_mtim),
        nanoseconds(status.st_ctim) };
}
} // namespace

TFileIdentity FileIdentity(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return identityOf(status);
    if (errno == ENOENT)
        return {};
    throw ETamselError(QStringLiteral("%1 cannot be looked at: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}

QByteArray ReadRegularFile(const QString &path, qint64 maxSize, TFileIdentity *identity)
{
    const auto refused = [&path](const QString &reason) {
        return ETamselError(QStringLiteral("%1 cannot be read: %2").arg(path, reason));
    };
    // Opened without waiting, so that a pipe with no writer cannot hold the
    // program; only a regular file is read on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw refused(QString::fromLocal8Bit(std::strerror(errno)));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw refused(file.errorString());
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        throw refused(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(status.st_mode))
        throw refused(QStringLiteral("it is a folder."));
    if (!S_ISREG(status.st_mode))
        throw refused(QStringLiteral("it is not a regular file but a device, pipe or socket."));
    if (status.st_size > maxSize)
        throw refused(QStringLiteral("it is larger than %1, far more than such a file ever holds.")
                          .arg(QLocale::c().formattedDataSize(maxSize, 0, QLocale::DataSizeIecFormat)));
    if (identity)
        *identity = identityOf(status);
    // As many bytes as the file had when opened, however it grows meanwhile.
    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    adviseHugePages(bytes.data(), bytes.size());
    const qint64 read = file.read(bytes.data(), bytes.size());
    if (read < 0 || file.error() != QFileDevice::NoError)
        throw refused(file.errorString());
    bytes.truncate(qsizetype(read));
    return bytes;
}
