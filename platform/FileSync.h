#pragma once

#include <QByteArray>
#include <functional>

// Flushing a file or a folder to its device: what makes a replaced file
// survive a crash or a power cut. Tests replace it to watch when it happens
// or to make it fail.
namespace FileSync {

// Flushes what was written through fd, an open file or folder at path.
// Returns 0, or the errno of the failure.
int Sync(int fd, const QByteArray &path);

using TSyncFunction = std::function<int(int fd, const QByteArray &path)>;
// Replaces the sync; an empty function restores fsync. Returns the sync it
// replaced.
TSyncFunction SetSync(TSyncFunction sync);

} // namespace FileSync
