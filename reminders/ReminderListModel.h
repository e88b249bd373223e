#pragma once

#include "store/EntryTable.h"

#include <QAbstractTableModel>
#include <QFont>
#include <optional>
#include <vector>

namespace ReminderColumn {
constexpr int Task = 0, Due = 1, Done = 2, Instructions = 3, Count = 4;
} // namespace ReminderColumn

// One due task of the reminder window with the user's edits, which stay here
// until the window is saved. The row holds its task itself, so rows added,
// removed or re-sorted elsewhere never move an edit onto another task.
struct TReminderRow {
    TEntry *entry = nullptr;
    // What finds the task again when the entries are read anew.
    std::optional<TEntryKey> key;
    // The deadline shown; the task's own until the user moves it.
    double deadline = 0;
    bool deadlineChanged = false;
    // The lead time as a row of the short list.
    int shortRow = 0;
    bool done = false;
};

// The rows of the reminder window. A task removed from the entries while the
// window is open loses its row; a changed one is shown afresh. When the
// entries are read anew (another program changed the store), each row finds
// its task again and keeps its edits; a task no longer there loses its row.
class TReminderListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TReminderListModel(TEntryTable &table, QObject *parent = nullptr);

    // Appends a row for a due task, with its deadline and lead time.
    void addTask(TEntry *task);
    const std::vector<TReminderRow> &rows() const { return m_rows; }
    const TReminderRow *rowAt(int row) const;
    int rowOf(const TEntry *task) const;

    void setDeadline(int row, double deadline);
    void setShortRow(int row, int shortRow);
    void setDone(int row, bool done);

    // Orders the rows by a column, ascending for a positive sign: titles and
    // instructions by the user's locale-aware, case-sensitive collation,
    // deadlines by time, the done boxes unticked first. Equal rows keep
    // their order.
    void sortRows(int column, int sign);
    // The column carrying a sort mark, and the mark's image number.
    void setSortImage(int column, int image);
    // The font of open rows; a row ticked as done is struck through.
    void setRowFont(const QFont &font) { m_font = font; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void removeTask(const TEntry *task);
    void findTasksAgain(const TEntryTable &table);
    // Puts the rows in a new order, row i being the old row places[i]; the
    // old rows not named go. The selection follows its rows.
    void arrangeRows(const std::vector<int> &places, QAbstractItemModel::LayoutChangeHint hint);
    void rowChanged(int row);

    std::vector<TReminderRow> m_rows;
    QFont m_font;
    int m_sortImageColumn = -1;
    int m_sortImage = -1;
};
