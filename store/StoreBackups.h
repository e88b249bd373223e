#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// Dated copies of the store in the folder "backups" beside the file the
// store's path finally leads to (mode 0700): the store as it was before the
// first save of each day, "brindo-YYYY-MM-DD.dat", and the store kept before
// a restore on a day that has its backup already, "brindo-YYYY-MM-DD-N.dat"
// (N from 2 on). Each is the store's own file, linked under the new name
// (every save puts a new file in the store's place, so the old one stays as
// it was), or a copy where the folder is on another file system; mode 0600.
//
// Call these while holding the store's lock (store/StoreLock.h), before the
// store is replaced.
namespace StoreBackups {

// The number of backups kept when the settings name none.
inline constexpr int DefaultCount = 14;

struct TBackup {
    QString path;
    QDate day;
    // 1 for the day's backup, 2 and on for those kept before a restore.
    int number = 1;
};

QString Folder(const QString &storePath);

// The backups of the store, newest first.
QList<TBackup> List(const QString &storePath);

// Keeps the store as it is now as today's backup, unless today has one or
// there is no store yet, then removes all but the newest `count` backups.
// Nothing is done for a count of 0. Returns the path of the backup made, or
// an empty string. Raises ETamselError when it cannot be made or an old one
// cannot be removed.
QString KeepDailyBackup(const QString &storePath, const QDate &today, int count);

// Keeps the store as it is now as one more backup of today: today's backup
// when today has none yet. Returns its path. Raises ETamselError when the
// store does not exist or cannot be kept.
QString KeepExtraBackup(const QString &storePath, const QDate &today);

// Removes all but the newest `count` backups; none for a count of 0. Raises
// ETamselError naming those that could not be removed.
void RemoveOldBackups(const QString &storePath, int count);

// The entries ("Note" elements) of a backup, or of any store, opened with the
// passphrase. Raises EStoreOpenError when it does not open with it, and
// ETamselError when it cannot be read.
int EntryCount(const QString &path, const QString &passPhrase);

} // namespace StoreBackups
