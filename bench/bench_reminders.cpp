// The reminder check every 30 seconds over the whole task list.
#include "bench/BenchHome.h"

#include "controls/EntryListModel.h"
#include "platform/Clock.h"
#include "reminders/ReminderCheck.h"
#include "store/DayNumber.h"

#include <benchmark/benchmark.h>

namespace {
// A whole check that finds nothing due (the clock stands before every
// reminder moment), as it runs on most ticks: the pause, the walk over every
// task row and the timers set running again.
void BM_ReminderCheckNothingDue(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    w.LoadNotes();
    Clock::setFixed(QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    for (auto _ : state)
        w.timReminderTimer();
    Clock::clearFixed();
    state.counters["tasks"] = double(w.TasksModel->rowCount());
}

// The walk alone at the present moment, when many tasks are due.
void BM_ReminderScanNow(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    w.LoadNotes();
    const double now = DayNumber::fromDateTime(QDateTime::currentDateTime());
    size_t due = 0;
    for (auto _ : state) {
        const TReminderScan scan = ScanForReminders(*w.TasksModel, now);
        due = scan.due.size();
        benchmark::DoNotOptimize(due);
    }
    state.counters["tasks"] = double(w.TasksModel->rowCount());
    state.counters["due"] = double(due);
}
} // namespace

// 40,000 entries hold 20,000 tasks.
BENCHMARK(BM_ReminderCheckNothingDue)->Arg(2000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReminderScanNow)->Arg(2000)->Arg(40000)->Unit(benchmark::kMillisecond);
