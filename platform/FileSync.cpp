#include "platform/FileSync.h"

#include <cerrno>
#include <utility>
#include <unistd.h>

namespace {
FileSync::TSyncFunction &replacement()
{
    static FileSync::TSyncFunction sync;
    return sync;
}
} // namespace

int FileSync::Sync(int fd, const QByteArray &path)
{
    if (const TSyncFunction &sync = replacement())
        return sync(fd, path);
    return ::fsync(fd) == 0 ? 0 : errno;
}

FileSync::TSyncFunction FileSync::SetSync(TSyncFunction sync)
{
    return std::exchange(replacement(), std::move(sync));
}
