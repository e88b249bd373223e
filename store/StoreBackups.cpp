#include "store/StoreBackups.h"

#include "diagnostics/Exception.h"
#include "platform/AtomicFile.h"
#include "store/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString storeName(const QString &target) { return QFileInfo(target).completeBaseName(); }

QString backupName(const QString &target, const QDate &day, int number)
{
    QString name = storeName(target) + QLatin1Char('-') + day.toString(QStringLiteral("yyyy-MM-dd"));
    if (number > 1)
        name += QLatin1Char('-') + QString::number(number);
    return name + QStringLiteral(".dat");
}

bool exists(const QString &path)
{
    struct stat status { };
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

// The folder, made for the user alone when it is missing.
void makeFolder(const QString &folder)
{
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        throw ETamselError(
            QStringLiteral("The backup folder %1 could not be made (%2).").arg(folder, systemError(errno)));
}

// The store's file under the backup's name: a second name for the same file
// where the folder allows it, else a copy.
void keep(const QString &target, const QString &backup)
{
    const QByteArray from = QFile::encodeName(target);
    const QByteArray to = QFile::encodeName(backup);
    if (::link(from.constData(), to.constData()) == 0) {
        // The store's own file: it is replaced by the save that follows, so
        // its mode is the backup's alone from then on.
        struct stat status { };
        if (::stat(to.constData(), &status) != 0
            || ((status.st_mode & 07777) != 0600 && ::chmod(to.constData(), 0600) != 0)) {
            const int error = errno;
            ::unlink(to.constData());
            throw ETamselError(QStringLiteral("The backup %1 could not be made readable by you alone (%2).")
                                   .arg(backup, systemError(error)));
        }
        // No flush of its own: on a journaling file system the new name is
        // committed no later than the rename that follows it, which the
        // save flushes with the store's folder.
        return;
    }
    const int linkError = errno;
    try {
        AtomicFile::WriteFileAtomically(backup, StoreFile::ReadFile(target));
    } catch (const ETamselError &error) {
        throw ETamselError(
            QStringLiteral("The entries in %1 could not be kept as the backup %2: %3 (linking it "
                           "failed too: %4).")
                .arg(target, backup, error.message(), systemError(linkError)));
    }
}
} // namespace

QString StoreBackups::Folder(const QString &storePath)
{
    return QFileInfo(AtomicFile::FinalTarget(storePath)).absolutePath() + QStringLiteral("/backups");
}

QList<StoreBackups::TBackup> StoreBackups::List(const QString &storePath)
{
    const QString folder = Folder(storePath);
    const QRegularExpression pattern(QLatin1Char('^')
        + QRegularExpression::escape(storeName(AtomicFile::FinalTarget(storePath)))
        + QStringLiteral("-(\\d{4}-\\d{2}-\\d{2})(?:-(\\d+))?\\.dat$"));
    QList<TBackup> backups;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
        const int number = match.hasCaptured(2) ? match.captured(2).toInt() : 1;
        if (day.isValid() && number >= 1)
            backups.append({ folder + QLatin1Char('/') + name, day, number });
    }
    std::sort(backups.begin(), backups.end(), [](const TBackup &a, const TBackup &b) {
        return a.day != b.day ? a.day > b.day : a.number > b.number;
    });
    return backups;
}

void StoreBackups::RemoveOldBackups(const QString &storePath, int count)
{
    if (count <= 0)
        return;
    const QList<TBackup> backups = List(storePath);
    QStringList failed;
    for (qsizetype i = count; i < backups.size(); ++i) {
        if (::unlink(QFile::encodeName(backups[i].path).constData()) != 0)
            failed << QStringLiteral("%1 (%2)").arg(backups[i].path, systemError(errno));
    }
    if (!failed.isEmpty())
        throw ETamselError(
            QStringLiteral("Old backups could not be removed: %1.").arg(failed.join(QStringLiteral(", "))));
}

QString StoreBackups::KeepDailyBackup(const QString &storePath, const QDate &today, int count)
{
    if (count <= 0)
        return {};
    const QString target = AtomicFile::FinalTarget(storePath);
    const QString folder = Folder(storePath);
    const QString backup = folder + QLatin1Char('/') + backupName(target, today, 1);
    if (!exists(target) || exists(backup))
        return {};
    makeFolder(folder);
    keep(target, backup);
    RemoveOldBackups(storePath, count);
    return backup;
}

QString StoreBackups::KeepExtraBackup(const QString &storePath, const QDate &today)
{
    const QString target = AtomicFile::FinalTarget(storePath);
    if (!exists(target))
        throw ETamselError(QStringLiteral("%1 does not exist.").arg(target));
    const QString folder = Folder(storePath);
    makeFolder(folder);
    QString backup;
    for (int number = 1; backup.isEmpty() || exists(backup); ++number)
        backup = folder + QLatin1Char('/') + backupName(target, today, number);
    keep(target, backup);
    return backup;
}

int StoreBackups::EntryCount(const QString &path, const QString &passPhrase)
{
    TXmlDocument document;
    StoreFile::OpenStoreWithPassPhrase(path, passPhrase, document, StoreFile::TBodyUse::DocumentOnly);
    int count = 0;
    for (pugi::xml_node entry = document.Root().child("Note"); entry; entry = entry.next_sibling("Note"))
        ++count;
    return count;
}
