// Filling and sorting the lists, and painting one screen of the task list.
#include "bench/BenchHome.h"

#include "controls/ListViewEx.h"
#include "controls/EntryListModel.h"
#include "store/EntryTable.h"
#include "store/StoreFile.h"

#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <benchmark/benchmark.h>

namespace {
// Start-up's part from the store file to both lists on screen: decrypt,
// parse, build the entry table, replay the stored sorts and paint one screen
// of each list.
void BM_StartUpFill(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    w.show();
    QPixmap canvas(w.lsvTasks->viewport()->size());
    for (auto _ : state) {
        state.PauseTiming();
        w.Entries->Clear();
        w.xmlNotes.Clear();
        state.ResumeTiming();
        OpenAndPaintLists(w, canvas);
    }
    state.counters["rows"] = double(w.NotesModel->rowCount() + w.TasksModel->rowCount());
}

// What start-up cannot do without: decrypting and parsing the store, as
// DecryptXMLFile does.
void BM_DecryptAndParse(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    std::shared_ptr<StoreFile::TOpenedEntries> opened;
    for (auto _ : state) {
        state.PauseTiming();
        opened.reset();
        state.ResumeTiming();
        opened = StoreFile::OpenEntries(home.window().StoreFilePath, home.window().PassPhrase);
        if (opened->failure) {
            state.SkipWithError("the store did not open");
            break;
        }
    }
}

// The same for a store another program encrypted anew under a new salt,
// keeping the salt record and the check: it opens as a store without a check
// of its own, looked at whole beside its root.
void BM_DecryptAndParseSavedElsewhere(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    const QString path = home.window().StoreFilePath;
    const QByteArray passPhrase = StoreFile::PassPhraseBytes(home.window().PassPhrase);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("the store cannot be read");
        return;
    }
    const QByteArray written = file.readAll();
    file.close();
    // The cipher is its own inverse: this is the body exactly as stored.
    const QByteArray body = StoreFile::Encrypt(written.mid(StoreFile::SaltSize), passPhrase,
        written.first(StoreFile::SaltSize)).mid(StoreFile::SaltSize);
    StoreFile::WriteFileAtomically(path, [&](const StoreFile::TByteSink &write) {
        write(StoreFile::Encrypt(body, passPhrase, StoreFile::NewSalt()));
    });
    std::shared_ptr<StoreFile::TOpenedEntries> opened;
    for (auto _ : state) {
        state.PauseTiming();
        opened.reset();
        state.ResumeTiming();
        opened = StoreFile::OpenEntries(path, home.window().PassPhrase);
        if (opened->failure) {
            state.SkipWithError("the store did not open");
            break;
        }
    }
    if (opened)
        state.counters["entries"] = double(TXmlDocument::ChildCount(opened->document.Root()));
}

void BM_ParsePlainDocument(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TXmlDocument document;
    for (auto _ : state)
        document.LoadFromMemory(home.plainDocument());
    state.counters["bytes"] = double(home.plainDocument().size());
}

void sortBenchmark(benchmark::State &state, bool tasks, int column)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    w.LoadNotes();
    for (auto _ : state) {
        if (tasks)
            w.lsvTasksColumnClick(w.lsvTasks, column);
        else
            w.lsvNotesColumnClick(w.lsvNotes, column);
    }
}

// A title sort after one task changed (its completion box): the other
// titles' keys are kept, their order is not.
void BM_SortTasksByTitleAfterAChange(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    w.LoadNotes();
    TEntry *task = w.TasksModel->entryAt(0);
    for (auto _ : state) {
        state.PauseTiming();
        w.Entries->SetComplete(task, !task->complete, task->created, false);
        state.ResumeTiming();
        w.lsvTasksColumnClick(w.lsvTasks, 4);
    }
}

void BM_SortNotesByTitle(benchmark::State &state) { sortBenchmark(state, false, 2); }
void BM_SortNotesByCreated(benchmark::State &state) { sortBenchmark(state, false, 0); }
void BM_SortTasksByTitle(benchmark::State &state) { sortBenchmark(state, true, 4); }
void BM_SortTasksByDue(benchmark::State &state) { sortBenchmark(state, true, 2); }
void BM_SortTasksByCompleted(benchmark::State &state) { sortBenchmark(state, true, 6); }

// One screen of the task list, with its completion boxes. The store holds
// twice the tasks asked for: half the entries are notes.
void BM_PaintTaskList(benchmark::State &state)
{
    BenchHome home(int(state.range(0)) * 2);
    TfrmMain &w = home.window();
    w.LoadNotes();
    w.pgcData->setCurrentWidget(w.tabTasks);
    w.show();
    QPixmap canvas(w.lsvTasks->viewport()->size());
    for (auto _ : state)
        w.lsvTasks->viewport()->render(&canvas);
    state.counters["tasks"] = double(w.TasksModel->rowCount());
    // Rows on the screen: a list of 20 tasks may not fill it.
    int visible = 0;
    for (int row = 0; row < w.TasksModel->rowCount(); ++row) {
        const QRect rect = w.lsvTasks->visualRect(w.TasksModel->index(row, 0));
        if (rect.bottom() < 0 || rect.top() >= canvas.height())
            break;
        ++visible;
    }
    state.counters["visible"] = visible;
}
} // namespace

BENCHMARK(BM_StartUpFill)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptAndParse)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptAndParseSavedElsewhere)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePlainDocument)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNotesByTitle)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNotesByCreated)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTasksByTitle)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTasksByTitleAfterAChange)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTasksByCompleted)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTasksByDue)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintTaskList)->Arg(20)->Arg(20000)->Unit(benchmark::kMillisecond);

namespace {
// Peak memory of a process that opened a store of the given size as start-up
// does: after the load, and after the sorts and the first paint. Measured in a
// fresh process each time, since a process's peak never goes down.
void BM_PeakMemoryAfterLoad(benchmark::State &state)
{
    QStringList peaksKiB;
    for (auto _ : state) {
        QProcess probe;
        probe.start(QStringLiteral(TAMSEL_MEMPROBE), {QString::number(state.range(0))});
        probe.waitForFinished(-1);
        peaksKiB = QString::fromLatin1(probe.readAllStandardOutput()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0 || peaksKiB.size() != 2) {
            state.SkipWithError("tamsel_memprobe failed");
            return;
        }
    }
    state.counters["peak_MiB"] = peaksKiB[0].toDouble() / 1024.0;
    state.counters["painted_peak_MiB"] = peaksKiB[1].toDouble() / 1024.0;
}
} // namespace

BENCHMARK(BM_PeakMemoryAfterLoad)->Arg(1000)->Arg(20000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
