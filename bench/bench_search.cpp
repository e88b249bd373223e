// One search step of the find bar over every entry, against one pass that
// only reads the texts it has to look at.
#include "bench/BenchHome.h"

#include "controls/ListViewEx.h"
#include "controls/EntryListModel.h"
#include "mainwindow/Search.h"
#include "store/EntryTable.h"

#include <benchmark/benchmark.h>

namespace {
// Found nowhere in a generated store, so the step passes every row of both
// lists; it starts with a letter, which the rows hold often.
const QString absentText = QStringLiteral("Search for a zebra");

// Both lists as start-up leaves them: loaded and sorted.
void openLists(TfrmMain &w)
{
    w.LoadNotes();
    w.lsvNotesColumnClick(w.lsvNotes, w.NoteSortColumn);
    w.lsvTasksColumnClick(w.lsvTasks, w.TaskSortColumn);
}

// What any search has to do at least: read each row's body and title.
void BM_ReadEntryTexts(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    openLists(w);
    for (auto _ : state) {
        qsizetype characters = 0;
        for (const TEntryListModel *model : {w.NotesModel, w.TasksModel}) {
            for (int row = 0; row < model->rowCount(); ++row) {
                const TEntry *entry = model->entryAt(row);
                characters += entry->body().size() + entry->title().size();
            }
        }
        benchmark::DoNotOptimize(characters);
    }
}

// Scope All Entries with nothing selected and no match: every row of both lists.
void BM_SearchStepAllEntries(benchmark::State &state)
{
    BenchHome home(int(state.range(0)));
    TfrmMain &w = home.window();
    openLists(w);
    const Search::TListState lists[]{{w.NotesModel, -1}, {w.TasksModel, -1}};
    for (auto _ : state) {
        const Search::TListSearch found = Search::FindInLists(lists, absentText);
        if (found.match) {
            state.SkipWithError("the text searched for is in the store");
            break;
        }
    }
}
} // namespace

BENCHMARK(BM_ReadEntryTexts)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchStepAllEntries)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
