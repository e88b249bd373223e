#pragma once

#include "diagnostics/Exception.h"
#include "platform/FileLock.h"

#include <QString>

// Another writer of the store held its lock for longer than the wait.
class EStoreBusy : public ETamselError
{
    using ETamselError::ETamselError;
};

// Every writer of the store (the program, tamsel-store, a storage move)
// holds this lock from its look at the store, before the write, until the
// new file has taken the store's place and the folder is synced. Another
// writer therefore waits, and then finds the store changed and reads it
// again, rather than writing over a change it never saw. Readers need no
// lock: a store is always replaced whole.
//
// The lock is a file of its own, "<store>.lock" (mode 0600), beside the file
// the store's path finally leads to: two copies that reach one store through
// different symbolic links take one lock, and the store itself is replaced by
// every write, so a lock on it would not stop a program that opens the new one.
class TStoreLock
{
public:
    // Takes the lock of the store at storePath, waiting TFileLock::WaitLimit()
    // at most. Raises EStoreBusy when another writer holds it that long, and
    // ETamselError when the lock file cannot be made or locked.
    explicit TStoreLock(const QString &storePath);

    static QString LockFilePath(const QString &storePath);

private:
    TFileLock m_lock;
};
