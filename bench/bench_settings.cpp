// The settings written when the program ends: File > Exit and the window
// closing as the program ends, with the file syncs counted through the sync
// seam (a rewrite of the registry file syncs the new file, then its folder).
#include "bench/BenchHome.h"

#include "platform/FileSync.h"
#include "settings/Registry.h"

#include <QAction>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <unistd.h>

namespace {
void BM_SettingsWriteAtExit(benchmark::State &state)
{
    BenchHome home(10);
    TfrmMain &w = home.window();
    // Nothing unsaved in the editor: the exit asks nothing. The settings key
    // exists, as after any start.
    w.actSaveNote->setEnabled(false);
    w.SetPositions();
    const QByteArray registryFile = QFile::encodeName(TRegistry::DefaultFilePath());
    std::int64_t rewrites = 0;
    std::int64_t syncs = 0;
    const FileSync::TSyncFunction saved = FileSync::SetSync([&](int fd, const QByteArray &path) {
        ++syncs;
        if (path.startsWith(registryFile))
            ++rewrites;
        return ::fsync(fd) == 0 ? 0 : errno;
    });
    for (auto _ : state) {
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
} // namespace

BENCHMARK(BM_SettingsWriteAtExit)->Unit(benchmark::kMillisecond);
