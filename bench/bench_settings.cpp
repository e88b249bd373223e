// The settings written when the program ends: File > Exit and the window
// closing as the program ends, with the file syncs counted through the sync
// seam (a rewrite of the registry file syncs the new file, then its folder).
#include "bench/BenchHome.h"

#include "controls/ListViewEx.h"

#include "platform/FileSync.h"
#include "settings/Registry.h"

#include <QAction>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <functional>
#include <unistd.h>

namespace {
// Runs File > Exit, and the closing that follows it, again and again, with
// `before` run ahead of each exit; counts the registry file's rewrites and
// all syncs.
void measureExits(benchmark::State &state, TfrmMain &w, const std::function<void(std::int64_t)> &before)
{
    const QByteArray registryFile = QFile::encodeName(TRegistry::DefaultFilePath());
    std::int64_t rewrites = 0;
    std::int64_t syncs = 0;
    const FileSync::TSyncFunction saved = FileSync::SetSync([&](int fd, const QByteArray &path) {
        ++syncs;
        if (path.startsWith(registryFile))
            ++rewrites;
        return ::fsync(fd) == 0 ? 0 : errno;
    });
    std::int64_t exits = 0;
    for (auto _ : state) {
        before(exits++);
        w.Exiting = false;
        w.Exit1Click();
        if (!w.Exiting || !w.close()) {
            state.SkipWithError("the exit did not go through");
            break;
        }
    }
    FileSync::SetSync(saved);
    state.counters["registry rewrites per exit"] = double(rewrites) / double(state.iterations());
    state.counters["syncs per exit"] = double(syncs) / double(state.iterations());
}

// A window that never read the settings writes every one of them.
void BM_SettingsWriteAtExit(benchmark::State &state)
{
    BenchHome home(10);
    TfrmMain &w = home.window();
    // Nothing unsaved in the editor: the exit asks nothing. The settings key
    // exists, as after any start.
    w.actSaveNote->setEnabled(false);
    w.SetPositions();
    measureExits(state, w, [](std::int64_t) {});
}

// Once the settings are read, an exit writes only what changed since: with
// the argument 1, the window's width, changed before each exit; with 0,
// nothing, and the file is not rewritten.
void BM_SettingsWriteAtExitAfterReading(benchmark::State &state)
{
    BenchHome home(10);
    TfrmMain &w = home.window();
    w.actSaveNote->setEnabled(false);
    w.KeepSettingsAtStart({});
    // The header click per list that start-up makes after the reading.
    w.lsvNotesColumnClick(w.lsvNotes, w.NoteSortColumn);
    w.lsvTasksColumnClick(w.lsvTasks, w.TaskSortColumn);
    const bool change = state.range(0) != 0;
    const int width = w.width();
    measureExits(state, w, [&w, change, width](std::int64_t exit) {
        if (change)
            w.resize(width + 1 + int(exit % 2), w.height());
    });
}
} // namespace

BENCHMARK(BM_SettingsWriteAtExit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SettingsWriteAtExitAfterReading)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
