#pragma once

#include "diagnostics/Exception.h"

#include <QString>
#include <chrono>

// The lock is held by another, who did not let go of it within the wait.
class EFileLockHeld : public ETamselError
{
    using ETamselError::ETamselError;
};

// An exclusive advisory lock (flock) on a lock file, held while the object
// lives, so that the processes that take it run one at a time. The kernel
// drops the lock of a process that ends, also one that crashes, so a lock
// file left behind never blocks anyone.
class TFileLock
{
public:
    // Takes the lock on the file at path, creating it (mode 0600) when missing.
    // While another holds it, tries again until WaitLimit() has passed; then
    // raises EFileLockHeld, and when the file cannot be opened or locked
    // ETamselError, each naming the file.
    explicit TFileLock(const QString &path);
    ~TFileLock();
    TFileLock(const TFileLock &) = delete;
    TFileLock &operator=(const TFileLock &) = delete;

    // How long a lock held by another is waited for; a few seconds.
    static std::chrono::milliseconds WaitLimit();
    // For tests that run into a held lock: sets the wait, returns the one before.
    static std::chrono::milliseconds SetWaitLimit(std::chrono::milliseconds limit);

private:
    int m_fd = -1;
};
