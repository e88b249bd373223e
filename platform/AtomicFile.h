#pragma once

#include "diagnostics/Exception.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>

// Replacing a file whole, so that a crash or a full disk never leaves half of
// it: the store and the registry file are written this way.
namespace AtomicFile {

// Takes a file's bytes piece by piece, in order; raises ETamselError when
// they cannot be written.
using TByteSink = std::function<void(QByteArrayView)>;

// The file a path finally names: symbolic links are followed to the end, also
// when the last one leads to a file that does not exist yet.
QString FinalTarget(const QString &path);

// Replaces the file at path as a whole or not at all: `produce` hands the
// bytes to a new file beside it (mode 0600), which is synced to disk and then
// renamed over the old one; then the folder is synced. When path is a
// symbolic link, the file it finally leads to is replaced this way and the
// link stays. A crash, a full disk, a failed write or sync, or an error
// raised by `produce` leaves the old file as it was and no new file behind;
// the ETamselError raised names the file and the system's reason.
void WriteFileAtomically(const QString &path, const std::function<void(const TByteSink &)> &produce);
inline void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    WriteFileAtomically(path, [&bytes](const TByteSink &write) { write(bytes); });
}

// Removes the new files that interrupted writes of the file at path left
// beside it (where links lead): regular files of this user named like the
// file with a point and six letters or digits, and none that a write, in
// this process or another, still holds. Returns the paths removed; raises
// ETamselError naming those that could not be removed.
QStringList RemoveStaleTemporaryFiles(const QString &path);

// The system calls of a replacement besides the syncs (platform/FileSync.h),
// for tests that make one fail as a failing device would.
enum class TStep { Write, Close, Rename };
// Asked at every step: 0 lets it succeed, an errno makes it fail with that
// error. An empty function lets every step run. Returns the one it replaced.
using TFaultFunction = std::function<int(TStep step)>;
TFaultFunction SetFault(TFaultFunction fault);

} // namespace AtomicFile
