#include "reminders/ReminderListModel.h"

#include "controls/ImageList.h"
#include "controls/TaskStates.h"
#include "platform/Clock.h"
#include "reminders/LeadTimes.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"
#include "store/LocaleFormat.h"

#include <QBrush>
#include <QCollator>
#include <algorithm>
#include <numeric>

namespace {
const char *const captions[] = {"Task", "Due", "Done", "Instructions"};

// The colours of this window are its own; the task colours of the options
// apply to the main window's list only.
QColor colorOf(TTaskState state)
{
    switch (state) {
    case TTaskState::Complete:
        return QColor(128, 128, 128);
    case TTaskState::Overdue:
    case TTaskState::Nevermind:
        return QColor(255, 0, 0);
    case TTaskState::Current:
        break;
    }
    return QColor(0, 0, 0);
}
} // namespace

TReminderListModel::TReminderListModel(TEntryTable &table, QObject *parent)
    : QAbstractTableModel(parent)
{
    connect(&table, &TEntryTable::entryAboutToBeRemoved, this, &TReminderListModel::removeTask);
    connect(&table, &TEntryTable::entryChanged, this, [this](TEntry *entry, bool kindChanged) {
        if (kindChanged && !entry->task) {
            removeTask(entry);
        } else if (const int row = rowOf(entry); row >= 0) {
            // A new title is what finds the task from now on.
            m_rows[size_t(row)].key = TEntryTable::KeyOf(entry);
            rowChanged(row);
        }
    });
    connect(&table, &TEntryTable::tableReset, this, [this, &table] { findTasksAgain(table); });
}

void TReminderListModel::addTask(TEntry *task)
{
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.push_back({task, TEntryTable::KeyOf(task), task->deadline.value_or(0), false,
        LeadTimes::shortRowFromFull(task->lead.value_or(0)), false});
    endInsertRows();
}

void TReminderListModel::findTasksAgain(const TEntryTable &table)
{
    // The entries the rows held went with the table they were in.
    std::vector<int> kept;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        TReminderRow &found = m_rows[size_t(row)];
        found.entry = table.Find(found.key);
        if (found.entry && found.entry->task)
            kept.push_back(row);
    }
    arrangeRows(kept, QAbstractItemModel::NoLayoutChangeHint);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ReminderColumn::Count - 1));
}

const TReminderRow *TReminderListModel::rowAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? &m_rows[size_t(row)] : nullptr;
}

int TReminderListModel::rowOf(const TEntry *task) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [task](const TReminderRow &row) {
        return row.entry == task;
    });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

void TReminderListModel::removeTask(const TEntry *task)
{
    const int row = rowOf(task);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void TReminderListModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, ReminderColumn::Count - 1));
}

void TReminderListModel::setDeadline(int row, double deadline)
{
    TReminderRow &edited = m_rows.at(size_t(row));
    // Once moved, a deadline counts as moved even when it is moved back.
    if (DayNumber::text(deadline) != DayNumber::text(edited.deadline))
        edited.deadlineChanged = true;
    edited.deadline = deadline;
    rowChanged(row);
}

void TReminderListModel::setShortRow(int row, int shortRow) { m_rows.at(size_t(row)).shortRow = shortRow; }

void TReminderListModel::setDone(int row, bool done)
{
    m_rows.at(size_t(row)).done = done;
    rowChanged(row);
}

int TReminderListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TReminderListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ReminderColumn::Count;
}

QVariant TReminderListModel::data(const QModelIndex &index, int role) const
{
    const TReminderRow *row = rowAt(index.row());
    if (!row || index.column() < 0 || index.column() >= ReminderColumn::Count)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case ReminderColumn::Task:
            return row->entry->title();
        case ReminderColumn::Due:
            return DayNumber::displayText(row->deadline);
        case ReminderColumn::Instructions:
            return row->entry->body();
        }
        return {};
    case Qt::CheckStateRole:
        return index.column() == ReminderColumn::Done ? QVariant(row->done ? Qt::Checked : Qt::Unchecked)
                                                      : QVariant();
    case Qt::FontRole:
    case Qt::ForegroundRole: {
        const TTaskState state
            = DecideTaskState(row->done, row->deadline, std::nullopt, DayNumber::fromDateTime(Clock::now()));
        return role == Qt::FontRole ? QVariant(TaskStateFont(state, m_font, true)) : QVariant(QBrush(colorOf(state)));
    }
    default:
        return {};
    }
}

bool TReminderListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!rowAt(index.row()) || index.column() != ReminderColumn::Done || role != Qt::CheckStateRole)
        return false;
    setDone(index.row(), Qt::CheckState(value.toInt()) == Qt::Checked);
    return true;
}

Qt::ItemFlags TReminderListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == ReminderColumn::Done)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant TReminderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ReminderColumn::Count)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QLatin1String(captions[section]);
    case Qt::TextAlignmentRole:
        return section == ReminderColumn::Done ? QVariant(Qt::AlignCenter) : QVariant();
    case Qt::DecorationRole:
        return section == m_sortImageColumn ? QVariant(ImageList::icon(m_sortImage)) : QVariant();
    case Qt::UserRole:
        return section == m_sortImageColumn ? QVariant(m_sortImage) : QVariant();
    default:
        return {};
    }
}

void TReminderListModel::setSortImage(int column, int image)
{
    m_sortImageColumn = column;
    m_sortImage = image;
    emit headerDataChanged(Qt::Horizontal, 0, ReminderColumn::Count - 1);
}

void TReminderListModel::sortRows(int column, int sign)
{
    if (m_rows.size() < 2)
        return;
    QCollator collator(LocaleFormat().locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    const auto compare = [&](const TReminderRow &a, const TReminderRow &b) -> int {
        switch (column) {
        case ReminderColumn::Due:
            return a.deadline < b.deadline ? -1 : b.deadline < a.deadline ? 1 : 0;
        case ReminderColumn::Done:
            return int(a.done) - int(b.done);
        case ReminderColumn::Instructions:
            return collator.compare(a.entry->body(), b.entry->body());
        default:
            return collator.compare(a.entry->title(), b.entry->title());
        }
    };
    std::vector<int> places(m_rows.size());
    std::iota(places.begin(), places.end(), 0);
    std::stable_sort(places.begin(), places.end(), [&](int a, int b) {
        return compare(m_rows[size_t(a)], m_rows[size_t(b)]) * sign < 0;
    });
    arrangeRows(places, QAbstractItemModel::VerticalSortHint);
}

void TReminderListModel::arrangeRows(const std::vector<int> &places, QAbstractItemModel::LayoutChangeHint hint)
{
    emit layoutAboutToBeChanged({}, hint);
    std::vector<TReminderRow> rows;
    std::vector<int> newRowOf(m_rows.size(), -1);
    rows.reserve(places.size());
    for (int old : places) {
        newRowOf[size_t(old)] = int(rows.size());
        rows.push_back(m_rows[size_t(old)]);
    }
    m_rows = std::move(rows);
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    for (const QModelIndex &index : persistent) {
        const int row = newRowOf[size_t(index.row())];
        moved.append(row < 0 ? QModelIndex() : this->index(row, index.column()));
    }
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, hint);
}
