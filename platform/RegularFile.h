#pragma once

#include <QByteArray>
#include <QString>

// What tells one version of a file from another without reading it: the
// file's device and inode, its size, and the times its bytes (modified) and
// its inode (changed) last changed, to the nanosecond. Every write of the
// file moves the change time, and no program can set it back; a file
// replaced by a rename is another inode.
struct TFileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    // -1: there is no file at the path.
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool exists() const { return size >= 0; }
    bool operator==(const TFileIdentity &) const = default;
};

// The identity of what the path names now (links followed); a missing file
// has size -1. Raises ETamselError when the path cannot be looked at.
TFileIdentity FileIdentity(const QString &path);

// The bytes of a regular file of at most maxSize bytes. A folder, a device, a
// pipe (opened without waiting for a writer) or a larger file is refused with
// an ETamselError naming the file and a plain reason; so is a file that cannot
// be opened or read.
// With `identity`, the identity of the file read is kept there.
QByteArray ReadRegularFile(const QString &path, qint64 maxSize, TFileIdentity *identity = nullptr);
