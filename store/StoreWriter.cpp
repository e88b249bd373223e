#include "store/StoreWriter.h"

#include "store/DocumentGate.h"
#include "store/HmacSha256.h"
#include "store/StoreBackups.h"
#include "store/StoreFile.h"
#include "store/StoreLock.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <mutex>
#include <utility>

namespace {
std::mutex &holdMutex()
{
    static std::mutex mutex;
    return mutex;
}

StoreWriterSeam::THold &holdFunction()
{
    static StoreWriterSeam::THold hold;
    return hold;
}

StoreWriterSeam::THold &waitingFunction()
{
    static StoreWriterSeam::THold waiting;
    return waiting;
}

void holdForTests()
{
    StoreWriterSeam::THold hold;
    {
        const std::lock_guard<std::mutex> lock(holdMutex());
        hold = holdFunction();
    }
    if (hold)
        hold();
}

using TOutcome = TStoreWriteResult::TOutcome;

// Runs on a worker thread: nothing escapes it but the result.
TStoreWriteResult writeStoreOnWorker(const TStoreWrite &write, const TXmlDocument &document, TDocumentGate &gate)
{
    TStoreWriteResult result;
    result.stamp = write.stamp;
    try {
        const TStoreLock lock(write.path);
        try {
            if (StoreStamp::Changed(write.path, result.stamp)) {
                if (QFileInfo::exists(write.path)) {
                    result.outcome = TOutcome::ChangedElsewhere;
                    return result;
                }
                // Nothing is there to lose: the write puts the entries back.
                result.removedElsewhere = true;
            }
        } catch (const ETamselError &error) {
            result.lookFailure = error.message();
        }
        try {
            StoreBackups::KeepDailyBackup(write.path, write.today, write.backupCount);
        } catch (const ETamselError &error) {
            result.backupFailure = error.message();
        }
        holdForTests();
        result.stamp = StoreFile::SaveStore(
            write.path, write.passPhrase, [&](pugi::xml_writer &writer) { gate.Save(document, writer); });
        result.outcome = TOutcome::Written;
    } catch (const EStoreBusy &error) {
        result.outcome = TOutcome::Busy;
        result.reason = error.message();
    } catch (const ETamselError &error) {
        result.outcome = TOutcome::Failed;
        result.reason = error.message();
    } catch (const std::exception &error) {
        result.outcome = TOutcome::Failed;
        result.reason = QString::fromLocal8Bit(error.what());
    }
    return result;
}

TStoreWriteResult writeStore(const TStoreWrite &write, const TXmlDocument &document, TDocumentGate &gate)
{
    TStoreWriteResult result = writeStoreOnWorker(write, document, gate);
    ReleaseCryptoThreadState();
    return result;
}
} // namespace

StoreWriterSeam::THold StoreWriterSeam::setHold(THold hold)
{
    const std::lock_guard<std::mutex> lock(holdMutex());
    return std::exchange(holdFunction(), std::move(hold));
}

StoreWriterSeam::THold StoreWriterSeam::setWaiting(THold waiting)
{
    return std::exchange(waitingFunction(), std::move(waiting));
}

TStoreWriter::TStoreWriter(const TXmlDocument &document, TDocumentGate &gate, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_gate(gate)
{
    m_watcher = new QFutureWatcher<TStoreWriteResult>(this);
    connect(m_watcher, &QFutureWatcherBase::finished, this, &TStoreWriter::deliver);
}

TStoreWriter::~TStoreWriter()
{
    // The worker reads the document and the gate, which may go next.
    if (m_busy)
        m_future.waitForFinished();
}

void TStoreWriter::start(const TStoreWrite &write)
{
    Q_ASSERT(!m_busy);
    m_busy = true;
    m_future = QtConcurrent::run(&writeStore, write, std::cref(m_document), std::ref(m_gate));
    m_watcher->setFuture(m_future);
}

void TStoreWriter::finishNow()
{
    if (!m_busy)
        return;
    if (const StoreWriterSeam::THold &waiting = waitingFunction())
        waiting();
    m_future.waitForFinished();
    deliver();
}

void TStoreWriter::deliver()
{
    // The watcher may still report a write finishNow delivered already.
    if (!m_busy || !m_future.isFinished())
        return;
    m_busy = false;
    emit finished(m_future.result());
}
