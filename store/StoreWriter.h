#pragma once

#include "store/StoreStamp.h"

#include <QByteArray>
#include <QDate>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class TDocumentGate;
class TXmlDocument;

// What one write of the store needs, taken on the window's thread.
struct TStoreWrite {
    QString path;
    QByteArray passPhrase;
    // The store as this program last read or wrote it.
    TStoreStamp stamp;
    // The day's backup is kept before the first write of a day.
    QDate today;
    int backupCount = 0;
};

// How a write ended, for the window's thread to report.
struct TStoreWriteResult {
    enum class TOutcome {
        Written,
        // Another program changed the store since it was last read or
        // written; nothing was written.
        ChangedElsewhere,
        // Another writer held the store's lock for longer than the wait.
        Busy,
        Failed,
    };
    TOutcome outcome = TOutcome::Failed;
    // The store as written; after a failure, as the look before it left it.
    TStoreStamp stamp;
    // Why the store was not written (Busy, Failed).
    QString reason;
    // The look at the store failed; the write went on and met whatever it was.
    std::optional<QString> lookFailure;
    // Another program removed the store; it was written again.
    bool removedElsewhere = false;
    // The day's backup could not be kept; the write went on.
    std::optional<QString> backupFailure;
};

// Writes the entry store away from the window's thread, one write at a time,
// as every writer of the store does: holding its lock (store/StoreLock.h),
// it looks whether another program changed the store since it was last read
// or written (store/StoreStamp.h; a changed store is not written over), keeps
// the day's backup, and writes the document through the gate, so the window
// may go on changing it meanwhile. The outcome comes back on the window's
// thread through finished().
class TStoreWriter : public QObject
{
    Q_OBJECT

public:
    TStoreWriter(const TXmlDocument &document, TDocumentGate &gate, QObject *parent = nullptr);
    ~TStoreWriter() override;

    // Starts a write; one must not be under way.
    void start(const TStoreWrite &write);
    bool busy() const { return m_busy; }
    // Waits for the write under way, and emits finished() for it now.
    void finishNow();

signals:
    void finished(const TStoreWriteResult &result);

private:
    void deliver();

    const TXmlDocument &m_document;
    TDocumentGate &m_gate;
    QFuture<TStoreWriteResult> m_future;
    QFutureWatcher<TStoreWriteResult> *m_watcher = nullptr;
    bool m_busy = false;
};

// For tests: a function the worker calls right before it writes the store,
// after its look and the backup, so a test can hold the write there; and one
// finishNow calls on the window's thread as it begins to wait, so a test can
// let the write go exactly then. Each returns the function set before.
namespace StoreWriterSeam {
using THold = std::function<void()>;
THold setHold(THold hold);
THold setWaiting(THold waiting);
} // namespace StoreWriterSeam
