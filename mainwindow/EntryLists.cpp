// The two entry lists: filling the entry table from the document, sorting by
// column and the lists' font.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "controls/ImageList.h"
#include "platform/Clock.h"
#include "reminders/ReminderInfo.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QLabel>
#include <QTabWidget>

namespace {
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// Entries named in the message about entries that could not be shown; the
// log has them all.
constexpr int namedSkippedEntries = 10;
} // namespace

TEntryListModel *TfrmMain::ModelOf(const QTreeView *list) const
{
    return list == lsvTasks ? TasksModel : NotesModel;
}

TEntry *TfrmMain::SelectedEntry(QTreeView *list) const
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : ModelOf(list)->entryAt(rows.first().row());
}

TEntry *TfrmMain::EditorEntry() const
{
    TEntry *entry = EditorIndex >= 0 ? Entries->byDocumentIndex(EditorIndex) : nullptr;
    return entry && entry->caption() == lblCreationDate->text() ? entry : nullptr;
}

void TfrmMain::LoadNotes()
{
    WaitCursor wait;
    lsvNotes->setUpdatesEnabled(false);
    lsvTasks->setUpdatesEnabled(false);
    ClearNoteValues();
    const QFont font = CurrentEntryFont();
    lsvNotes->setFont(font);
    lsvTasks->setFont(font);
    // The entry font is for the rows; the headers keep the window's font.
    lsvNotes->header()->setFont(this->font());
    lsvTasks->header()->setFont(this->font());
    try {
        // The lead times are those of the editor's lead-time list, read once.
        std::vector<int> minutes;
        for (int lead = 0; lead < cboReminder->count(); ++lead)
            minutes.push_back(ReminderInfoAt(cboReminder, lead).Minutes);
        const auto leadMinutes = [minutes](int lead) -> std::optional<int> {
            if (lead < 0 || lead >= int(minutes.size()))
                return std::nullopt;
            return minutes[size_t(lead)];
        };
        const TEntryTable::TLoadResult result = Entries->Load(DayNumber::fromDateTime(Clock::now()), leadMinutes);
        if (!result.skipped.isEmpty()) {
            LogError({QStringLiteral("Main"), QStringLiteral("LoadNotes"), result.skipped.join(QLatin1Char(' '))});
            MessageDlg(QStringLiteral("%1 of the entries in %2 cannot be shown, because they lack a title or a "
                                      "creation date. They stay in the file as they are.\r\n\r\n%3")
                           .arg(result.skipped.size())
                           .arg(StoreFilePath, result.skipped.mid(0, namedSkippedEntries).join(QStringLiteral("\r\n"))),
                       TMsgDlgType::Warning, mbOK);
        }
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("LoadNotes"), error.message()});
    }

    actSaveNote->setEnabled(false);
    SetActionImage(actSaveNote, 1, 2);
    actDeleteNote->setEnabled(false);
    SetActionImage(actDeleteNote, 3, 4);
    lsvNotes->setUpdatesEnabled(true);
    lsvTasks->setUpdatesEnabled(true);
}

void TfrmMain::SortList(QTreeView *list, int column, int &toggle, int &sortColumn)
{
    WaitCursor wait;
    TEntryListModel *model = ModelOf(list);
    if (column < 0 || column >= model->columnCount())
        throw ETamselError(QStringLiteral("The list has no column %1.").arg(column));
    toggle = -toggle;
    SortSign = toggle;
    model->sortRows(column, SortSign < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    model->setSortImage(column, SortSign < 0 ? ImageList::SortDescending : ImageList::SortAscending);
    if (const QModelIndex selected = list->currentIndex();
        selected.isValid() && list->selectionModel()->isRowSelected(selected.row()))
        list->scrollTo(selected);
    sortColumn = column;
}

void TfrmMain::lsvNotesColumnClick(QTreeView *sender, int column)
{
    try {
        SortList(sender, column, NoteSortToggle, NoteSortColumn);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("lsvNotesColumnClick"), error.message()});
    }
}

void TfrmMain::lsvTasksColumnClick(QTreeView *sender, int column)
{
    try {
        SortList(sender, column, TaskSortToggle, TaskSortColumn);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("lsvTasksColumnClick"), error.message()});
    }
}

void TfrmMain::FitDateColumns()
{
    // The widest display text of the year: every month, a two-digit day and
    // an evening time with two-digit hours, minutes and seconds.
    QStringList samples;
    for (int month = 1; month <= 12; ++month)
        samples << DayNumber::displayText(DayNumber::fromDateTime(QDateTime(QDate(2026, month, 28), QTime(20, 58, 58))));
    const QFontMetrics metrics(CurrentEntryFont());
    int text = 0;
    for (const QString &sample : std::as_const(samples))
        text = std::max(text, metrics.horizontalAdvance(sample));
    const auto fit = [&](QTreeView *list, std::initializer_list<int> columns) {
        QStyleOptionViewItem option;
        option.initFrom(list);
        const QStyle *style = list->style();
        const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, list) + 1) + 8;
        const int checkMark = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, list)
                              + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, list);
        // The place of the row's file icon, with the margins the style draws it in.
        const int fileIcon = style->pixelMetric(QStyle::PM_SmallIconSize, &option, list)
                             + 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, list) + 1);
        for (int column : columns) {
            const int wanted = text + margins + (column == 0 ? checkMark + fileIcon : 0);
            list->setColumnWidth(column, std::max(list->columnWidth(column), wanted));
        }
    };
    fit(lsvNotes, {NoteColumn::Created, NoteColumn::Modified});
    fit(lsvTasks, {TaskColumn::Created, TaskColumn::Modified, TaskColumn::Due, TaskColumn::Completed});
}

void TfrmMain::pgcDataChange()
{
    lsvNotes->setFocusPolicy(pgcData->currentWidget() == tabNotes ? Qt::StrongFocus : Qt::NoFocus);
    lsvTasks->setFocusPolicy(pgcData->currentWidget() == tabTasks ? Qt::StrongFocus : Qt::NoFocus);
}
