// Storing the whole document (also as the first save of a day, which keeps
// a backup first), beside its floors (the cipher alone and a plain
// synced write of the same bytes), saving one edited entry end to end, and
// the longest stretch the window's thread is busy during that save.
#include "bench/BenchHome.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "controls/EntryListModel.h"
#include "platform/Clock.h"
#include "store/Rc4.h"
#include "store/DocumentGate.h"
#include "store/StoreBackups.h"
#include "store/StoreFile.h"
#include "store/StoreWriter.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTreeWidget>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
void BM_EncryptXMLFile(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    for (auto _ : state)
        home.window().EncryptXMLFile();
    state.counters["bytes"] = double(QFile(home.storeFile()).size());
}

// Every write the first of its day: the store as it was is kept as the day's
// backup first, and the oldest backup goes. Three are kept, so that from the
// fourth write on every write removes one, as every day does once the
// default 14 are there.
void BM_EncryptXMLFileFirstOfTheDay(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    home.window().BackupCount = 3;
    const QDateTime start(QDate(2026, 1, 1), QTime(9, 0));
    int day = 0;
    for (auto _ : state) {
        Clock::setFixed(start.addDays(++day));
        if (!home.window().EncryptXMLFile()) {
            state.SkipWithError("store failed");
            break;
        }
    }
    Clock::clearFixed();
    state.counters["backups"] = double(StoreBackups::List(home.storeFile()).size());
}

// Writing the document out as XML text, the part of storing beside the floors.
void BM_SerializeDocument(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(home.window().xmlNotes.SaveToBytes());
}

// The same through the gate, as the writer does it, a piece of entries at a
// time; the window's thread waits at most for one piece.
void BM_SerializeThroughGate(benchmark::State &state)
{
    struct TCounter : pugi::xml_writer {
        size_t bytes = 0;
        void write(const void *, size_t size) override { bytes += size; }
    };
    BenchHome home(int(state.range(0)));
    TDocumentGate gate;
    size_t bytes = 0;
    for (auto _ : state) {
        TCounter counter;
        gate.Save(home.window().xmlNotes, counter);
        bytes = counter.bytes;
    }
    state.counters["bytes"] = double(bytes);
}

void BM_CipherAlone(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    QByteArray data = home.window().xmlNotes.SaveToBytes();
    const QByteArray key = StoreFile::DeriveKey(StoreFile::NewSalt(), QByteArrayLiteral("passphrase"));
    for (auto _ : state) {
        Rc4::ApplyBlockedKeystream(key, data);
        benchmark::DoNotOptimize(data.data());
    }
    state.counters["bytes"] = double(data.size());
}

void BM_PlainWriteWithSync(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    const QByteArray data = home.window().xmlNotes.SaveToBytes();
    const QByteArray path = QFile::encodeName(home.storeFile() + QStringLiteral(".plainwrite"));
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::write(fd, data.constData(), size_t(data.size())) != data.size() || ::fsync(fd) != 0) {
            state.SkipWithError("plain write failed");
            break;
        }
        ::close(fd);
    }
    ::unlink(path.constData());
    state.counters["bytes"] = double(data.size());
}

// Opens the entry in the middle of the given list in the editor.
void openMiddleEntry(TfrmMain &w, bool task)
{
    w.LoadNotes();
    w.lsvNotesColumnClick(w.lsvNotes, 0);
    w.lsvTasksColumnClick(w.lsvTasks, 0);
    QTreeView *list = task ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() / 2, 0));
    w.lsvNotesDblClick(list);
}

// Edits the title of the entry on the given list's middle row and saves it,
// waiting for the write.
void saveBenchmark(benchmark::State &state, bool task)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    openMiddleEntry(w, task);
    int round = 0;
    for (auto _ : state) {
        w.edtTitle->setPlainText(QStringLiteral("Edited title, round %1").arg(++round));
        const bool saved = task ? w.SaveTask() : w.SaveNote();
        w.WaitForSaveInFlight();
        if (!saved || w.Entries->Unstored()) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

// The longest stretch the window's thread is busy during the save of one
// edited note: the save itself (the change and the start of the write),
// then every pass of the event loop until the write's outcome is taken,
// each from the dispatcher waking to its next wait. The time reported is
// that longest stretch; the save's call and the whole save are counters.
void BM_SaveStall(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    openMiddleEntry(w, false);
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    QElapsedTimer busy;
    qint64 longest = 0;
    const auto endStretch = [&] {
        if (busy.isValid())
            longest = std::max(longest, busy.nsecsElapsed());
        busy.invalidate();
    };
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { busy.start(); });
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, endStretch);
    QEventLoop loop;
    QObject::connect(w.StoreWriter, &TStoreWriter::finished, &loop, [&] {
        if (!w.SaveInFlight())
            loop.quit();
    });
    double longestSave = 0;
    double longestCall = 0;
    double whole = 0;
    int round = 0;
    for (auto _ : state) {
        w.edtTitle->setPlainText(QStringLiteral("Edited title, round %1").arg(++round));
        QElapsedTimer save;
        save.start();
        busy.start();
        if (!w.SaveNote()) {
            state.SkipWithError("save failed");
            break;
        }
        longest = busy.nsecsElapsed();
        longestCall = std::max(longestCall, double(longest) / 1e6);
        busy.invalidate();
        loop.exec();
        endStretch();
        whole += double(save.nsecsElapsed()) / 1e6;
        if (w.Entries->Unstored()) {
            state.SkipWithError("save failed");
            break;
        }
        state.SetIterationTime(double(longest) / 1e9);
        longestSave = std::max(longestSave, double(longest) / 1e6);
    }
    state.counters["longest_stretch_ms"] = longestSave;
    state.counters["longest_save_call_ms"] = longestCall;
    state.counters["whole_save_ms"] = round ? whole / round : 0;
    QObject::disconnect(dispatcher, nullptr, nullptr, nullptr);
}

// The look at the store before every write, as the entry table asks it: the
// usual case, a store no other program touched (one status call), and the
// worst, a store whose status changed but whose bytes did not (read whole and
// digested).
bool storeOnce(benchmark::State &state, TfrmMain &w)
{
    if (w.EncryptXMLFile())
        return true;
    state.SkipWithError("store failed");
    return false;
}

void BM_StoreCheckUnchanged(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    if (!storeOnce(state, w))
        return;
    for (auto _ : state) {
        if (w.ReadStoreAgainIfChanged()) {
            state.SkipWithError("an unchanged store was read again");
            break;
        }
    }
}

void BM_StoreCheckSameBytes(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    if (!storeOnce(state, w))
        return;
    for (auto _ : state) {
        TStoreStamp stamp = w.StoreFileStamp;
        --stamp.identity.changedNs;
        if (StoreStamp::Changed(home.storeFile(), stamp)) {
            state.SkipWithError("the same bytes counted as a change");
            break;
        }
    }
    state.counters["bytes"] = double(QFile(home.storeFile()).size());
}

void BM_SaveNote(benchmark::State &state) { saveBenchmark(state, false); }
void BM_SaveTask(benchmark::State &state) { saveBenchmark(state, true); }
} // namespace

BENCHMARK(BM_EncryptXMLFile)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncryptXMLFileFirstOfTheDay)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeDocument)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeThroughGate)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CipherAlone)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWriteWithSync)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreCheckUnchanged)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreCheckSameBytes)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveNote)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTask)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveStall)->Arg(1000)->Arg(20000)->Arg(100000)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
