// One very large entry: the editor loading a long body (of many paragraphs or
// of one), and start-up with a long title against start-up with the welcome
// store and against decrypting and parsing the same bytes.
#include "bench/BenchHome.h"
#include "bench/StoreGenerator.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "controls/EntryListModel.h"
#include "platform/Clock.h"
#include "store/EntryDocument.h"
#include "store/EntryTable.h"
#include "store/StoreFile.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPixmap>
#include <benchmark/benchmark.h>

namespace {
constexpr int bodyLength = 20'000'000;
constexpr int titleLength = 50'000'000;

// The lists shown with the one note's row selected, not yet opened.
void showWithTheNoteSelected(TfrmMain &w)
{
    w.LoadNotes();
    w.show();
    w.lsvNotes->selectionModel()->select(
        w.NotesModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Opening a note with a long body in the editor, up to the editor drawn.
void measureLoad(benchmark::State &state, StoreGenerator::BodyLines lines)
{
    BenchHome home(StoreGenerator::oneNote(40, bodyLength, lines));
    TfrmMain &w = home.window();
    showWithTheNoteSelected(w);
    QPixmap canvas(w.redNote->viewport()->size());
    for (auto _ : state) {
        state.PauseTiming();
        w.ClearNoteValues();
        QApplication::processEvents();
        state.ResumeTiming();
        w.lsvNotesDblClick(w.lsvNotes);
        QApplication::processEvents();
        w.redNote->viewport()->render(&canvas);
    }
    if (w.redNote->fieldText().size() < bodyLength / 2)
        state.SkipWithError("the body did not load");
}

// A body of paragraphs of about 60 characters.
void BM_EditorLoadLargeBody(benchmark::State &state) { measureLoad(state, StoreGenerator::BodyLines::Broken); }

// A body of one paragraph, shown in part.
void BM_EditorLoadLongLine(benchmark::State &state) { measureLoad(state, StoreGenerator::BodyLines::OneLine); }

// One key typed at the start of a long body in the editor, up to the editor
// drawn: the layout places every paragraph after the change again.
void BM_EditorTypeInLargeBody(benchmark::State &state)
{
    BenchHome home(StoreGenerator::oneNote(40, bodyLength));
    TfrmMain &w = home.window();
    showWithTheNoteSelected(w);
    QPixmap canvas(w.redNote->viewport()->size());
    w.lsvNotesDblClick(w.lsvNotes);
    QApplication::processEvents();
    w.redNote->setFocus();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(w.redNote, &press);
        QApplication::processEvents();
        w.redNote->viewport()->render(&canvas);
    }
    if (!w.redNote->toPlainText().startsWith(QLatin1Char('a')))
        state.SkipWithError("the key did not reach the body");
}

// Start-up's part from the store file to both lists on screen, as
// BM_StartUpFill measures it, for the welcome store (0) and for one note with
// a long title (1).
void BM_StartUpOneEntry(benchmark::State &state)
{
    BenchHome home(state.range(0) == 0 ? EntryDocument::DefaultDocumentText(Clock::now())
                                       : StoreGenerator::oneNote(titleLength, 100));
    TfrmMain &w = home.window();
    w.show();
    QPixmap canvas(w.lsvNotes->viewport()->size());
    for (auto _ : state) {
        state.PauseTiming();
        w.Entries->Clear();
        w.xmlNotes.Clear();
        state.ResumeTiming();
        OpenAndPaintLists(w, canvas);
        w.adjustSize();
        QApplication::processEvents();
    }
}

// What start-up cannot do without for the long title: decrypting and parsing.
void BM_DecryptAndParseLongTitle(benchmark::State &state)
{
    BenchHome home(StoreGenerator::oneNote(titleLength, 100));
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
} // namespace

BENCHMARK(BM_EditorLoadLargeBody)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorLoadLongLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorTypeInLargeBody)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpOneEntry)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptAndParseLongTitle)->Unit(benchmark::kMillisecond);
