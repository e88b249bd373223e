#pragma once

// Holds the writes of the entry store at a point the test chooses.

#include "store/StoreWriter.h"

#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <atomic>

// Holds every write of the store right before it writes, until the test
// lets it go: the state "during the write" without any timing. Declared
// before the window, which waits for its writes when it goes.
struct THeldWrites {
    QSemaphore reached;
    QSemaphore go;
    std::atomic<int> writes = 0;
    StoreWriterSeam::THold soundHold;
    StoreWriterSeam::THold soundWaiting;

    THeldWrites()
    {
        soundHold = StoreWriterSeam::setHold([this] {
            ++writes;
            reached.release();
            (void)go.tryAcquire(1, 20000);
        });
        soundWaiting = StoreWriterSeam::setWaiting({});
    }
    ~THeldWrites()
    {
        StoreWriterSeam::setHold(soundHold);
        StoreWriterSeam::setWaiting(soundWaiting);
    }
    // A write has come to the hold; the window's thread goes on meanwhile.
    bool reachedOne()
    {
        return QTest::qWaitFor([this] { return reached.tryAcquire(); }, 10000);
    }
    void letOneGo() { go.release(); }
    // Each time the window's thread begins to wait for a write, one goes.
    void letGoWhenWaitedFor()
    {
        StoreWriterSeam::setWaiting([this] { go.release(); });
    }
    // Every write goes on at the end of a test, also of one that failed.
    auto letAllGoAtEnd()
    {
        return qScopeGuard([this] { go.release(1000); });
    }
};
