// The find bar: one search step in the chosen scope, the find field's keys,
// the find button's state and the scope buttons.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "mainwindow/Search.h"
#include "store/EntryTable.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <vector>

namespace {
const QString noMatches = QStringLiteral("No matches were found.");

// Scopes of DefaultSearchSetting; any other value searches all entries, as
// the checked button then says.
constexpr int scopeCurrentTab = 2;
constexpr int scopeCurrentEntry = 3;

// The reminder check waits while the user answers a box.
class TTimerPause {
public:
    explicit TTimerPause(TfrmMain &main)
        : m_main(main)
    {
        m_main.DisableTimer();
    }
    ~TTimerPause() { m_main.ResetTimerState(); }
    TTimerPause(const TTimerPause &) = delete;
    TTimerPause &operator=(const TTimerPause &) = delete;

private:
    TfrmMain &m_main;
};

int selectedRow(const QTreeView *list)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// The field's own find, without case and whole words: the first occurrence
// from the end of its selection (from its start when nothing is selected) to
// the end of its text.
std::optional<int> findInField(const QTextEdit *field, const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const QTextCursor selection = field->textCursor();
    const int from = selection.hasSelection() ? selection.selectionEnd() : 0;
    const QTextCursor found = field->document()->find(text, from);
    return found.isNull() ? std::nullopt : std::optional<int>(found.selectionStart());
}

// Focuses the field and selects a match in it. In the body the match's line
// is scrolled to the top of the field, so the lines after it show too.
void selectMatch(TRichEditURL *field, int position, int length)
{
    field->setFocus();
    QTextCursor cursor(field->document());
    cursor.setPosition(position);
    cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    field->setTextCursor(cursor);
    if (field->isSingleLine())
        return;
    QTextDocument *document = field->document();
    const QTextBlock block = document->findBlock(position);
    qreal top = document->documentLayout()->blockBoundingRect(block).top();
    if (const QTextLayout *layout = block.layout()) {
        const QTextLine line = layout->lineForTextPosition(position - block.position());
        if (line.isValid())
            top += line.y();
    }
    // The first line sits below the document's margin when the field is
    // scrolled to its top; the match's line takes that place.
    field->verticalScrollBar()->setValue(qRound(top - document->documentMargin()));
}
} // namespace

void TfrmMain::ConnectSearchEvents()
{
    connect(actFind, &QAction::triggered, this, [this] { actFindExecute(); });
    connect(actStartFind, &QAction::triggered, this, [this] { actStartFindExecute(); });
    connect(edtFind, &QLineEdit::textChanged, this, [this] { edtFindChange(); });
    connect(edtFind, &QLineEdit::returnPressed, this, [this] { edtFindKeyPress(); });
    connect(radAllNotes, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            radAllNotesClick();
    });
    connect(radCurrentTab, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            radCurrentTabClick();
    });
    connect(radCurrentNote, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            radCurrentNoteClick();
    });
}

void TfrmMain::actFindExecute()
{
    try {
        // The text as typed: blanks before and after it are searched for too.
        const QString text = edtFind->text();
        if (DefaultSearchSetting == scopeCurrentEntry)
            SearchCurrentEntry(text);
        else
            SearchLists(text);
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("actFindExecute"), error.message()});
    }
}

void TfrmMain::SearchLists(const QString &text)
{
    QTreeView *active = pgcData->currentWidget() == tabTasks ? static_cast<QTreeView *>(lsvTasks) : lsvNotes;
    std::vector<QTreeView *> order{active};
    if (DefaultSearchSetting != scopeCurrentTab)
        order.push_back(active == lsvNotes ? static_cast<QTreeView *>(lsvTasks) : lsvNotes);
    for (;;) {
        std::vector<Search::TListState> lists;
        for (QTreeView *list : order)
            lists.push_back({ModelOf(list), selectedRow(list)});
        const Search::TListSearch found = Search::FindInLists(lists, text);
        if (found.match) {
            ShowSearchMatch(found.match->entry, found.match->field == Search::TField::Body, text);
            return;
        }
        // Every list searched to its end: from the top only when a row left
        // out above where the search started matches.
        TTimerPause pause(*this);
        if (!found.matchAbove) {
            MessageDlg(noMatches, TMsgDlgType::Information, mbOK);
            return;
        }
        if (MessageDlg(noMatches + QStringLiteral("  Search from the top?"), TMsgDlgType::Confirmation,
                       mbYes | mbNo)
            != mrYes)
            return;
        lsvNotes->clearSelection();
        lsvTasks->clearSelection();
    }
}

QTreeView *TfrmMain::SelectSearchMatch(const TEntry *entry)
{
    QTreeView *list = NotesModel->rowOf(entry) >= 0 ? static_cast<QTreeView *>(lsvNotes) : lsvTasks;
    const QModelIndex row = ModelOf(list)->indexOf(entry);
    if (!row.isValid())
        throw ETamselError(QStringLiteral("The entry found is no longer in the lists."));
    // The list is brought forward first: a hidden list may not scroll.
    pgcData->setCurrentWidget(list == lsvNotes ? tabNotes : tabTasks);
    // Only the rows scroll: the columns the user scrolled to stay in view.
    QScrollBar *columns = list->horizontalScrollBar();
    const int columnsShown = columns->value();
    list->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollTo(row, QAbstractItemView::EnsureVisible);
    columns->setValue(columnsShown);
    return list;
}

void TfrmMain::ShowSearchMatch(TEntry *entry, bool inBody, const QString &text)
{
    SelectSearchMatch(entry);
    if (!LoadNotesOnSearch)
        return;
    if (actSaveNote->isEnabled() && !Starting) {
        TTimerPause pause(*this);
        if (!ConfirmSaveChanges())
            return;
        // No drops the changes with the loading below, which must not ask again.
        actSaveNote->setEnabled(false);
    }
    // Saving selects the saved entry's row; the entry found is the one to open.
    lsvNotesDblClick(SelectSearchMatch(entry));
    if (EditorEntry() != entry)
        return;
    TRichEditURL *field = inBody ? redNote : edtTitle;
    if (const std::optional<int> at = findInField(field, text))
        selectMatch(field, *at, int(text.size()));
}

void TfrmMain::SearchCurrentEntry(const QString &text)
{
    for (TRichEditURL *field : {edtTitle, redNote}) {
        if (const std::optional<int> at = findInField(field, text)) {
            selectMatch(field, *at, int(text.size()));
            return;
        }
    }
    TTimerPause pause(*this);
    MessageDlg(noMatches, TMsgDlgType::Information, mbOK);
}

void TfrmMain::edtFindKeyPress()
{
    actFindExecute();
    // Enter searches again from where it is typed: the find field keeps the
    // focus, so the key never types over a match selected in the title or
    // body. The fields show their selection without the focus.
    edtFind->setFocus();
}

void TfrmMain::actStartFindExecute()
{
    // The text is selected also when the field has the focus already, so
    // typing replaces it.
    edtFind->setFocus(Qt::ShortcutFocusReason);
    edtFind->selectAll();
}

void TfrmMain::edtFindChange() { btnFind->setEnabled(!edtFind->text().trimmed().isEmpty()); }

void TfrmMain::radAllNotesClick() { DefaultSearchSetting = 1; }

void TfrmMain::radCurrentTabClick() { DefaultSearchSetting = scopeCurrentTab; }

void TfrmMain::radCurrentNoteClick() { DefaultSearchSetting = scopeCurrentEntry; }
