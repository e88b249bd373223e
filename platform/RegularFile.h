#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a regular file of at most maxSize bytes. A folder, a device, a
// pipe (opened without waiting for a writer) or a larger file is refused with
// an ETamselError naming the file and a plain reason; so is a file that cannot
// be opened or read.
QByteArray ReadRegularFile(const QString &path, qint64 maxSize);
