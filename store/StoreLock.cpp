#include "store/StoreLock.h"

#include "platform/AtomicFile.h"

TStoreLock::TStoreLock(const QString &storePath)
try : m_lock(LockFilePath(storePath)) {
} catch (const EFileLockHeld &) {
    throw EStoreBusy(QStringLiteral("Another copy of Tamsel or tamsel-store is saving the entries in %1 and did "
                                    "not finish within %2 seconds (it holds the lock file %3).")
                         .arg(storePath)
                         .arg(double(TFileLock::WaitLimit().count()) / 1000.0)
                         .arg(LockFilePath(storePath)));
}

QString TStoreLock::LockFilePath(const QString &storePath)
{
    return AtomicFile::FinalTarget(storePath) + QStringLiteral(".lock");
}
