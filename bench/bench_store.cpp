// Storing the whole document (also as the first save of a day, which keeps
// a backup first), beside its floors (the cipher alone and a plain
// synced write of the same bytes), and saving one edited entry end to end.
#include "bench/BenchHome.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "controls/EntryListModel.h"
#include "platform/Clock.h"
#include "store/Rc4.h"
#include "store/StoreBackups.h"
#include "store/StoreFile.h"

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

// Edits the title of the entry on the given list's top row and saves it.
void saveBenchmark(benchmark::State &state, bool task)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    w.LoadNotes();
    w.lsvNotesColumnClick(w.lsvNotes, 0);
    w.lsvTasksColumnClick(w.lsvTasks, 0);
    QTreeView *list = task ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() / 2, 0));
    w.lsvNotesDblClick(list);
    int round = 0;
    for (auto _ : state) {
        w.edtTitle->setPlainText(QStringLiteral("Edited title, round %1").arg(++round));
        const bool saved = task ? w.SaveTask() : w.SaveNote();
        if (!saved) {
            state.SkipWithError("save failed");
            break;
        }
    }
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
BENCHMARK(BM_CipherAlone)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWriteWithSync)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreCheckUnchanged)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreCheckSameBytes)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveNote)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTask)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
