#pragma once

// A list row read the way the row layout describes it: the caption (column 0),
// then sub-items. Sub-item k of a visible column is what the list shows in
// column k + 1; the others are the entry's stored field texts and its document
// index. A probe follows its entry, wherever sorting moves its row.

#include "controls/EntryListModel.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <optional>

namespace NoteRow {
constexpr int Modified = 0, Title = 1, Text = 2, Index = 3, DateTime = 4, LastModified = 5, FileName = 6;
} // namespace NoteRow

namespace TaskRow {
constexpr int DoneColumn = 3;
constexpr int Modified = 0, Due = 1, Done = 2, Title = 3, Text = 4, Completed = 5, Index = 6, DateTime = 7,
              LastModified = 8, Deadline = 9, DateCompleted = 10, Reminder = 11, Complete = 12,
              ReminderDate = 13, FileName = 14;
} // namespace TaskRow

struct TRowProbe {
    QTreeView *list = nullptr;
    TEntry *entry = nullptr;

    TEntryListModel *model() const { return static_cast<TEntryListModel *>(list->model()); }
    int row() const { return model()->rowOf(entry); }
    QModelIndex index(int column = 0) const { return model()->index(row(), column); }

    QString text(int column) const { return index(column).data().toString(); }
    Qt::CheckState checkState(int column) const
    {
        return Qt::CheckState(index(column).data(Qt::CheckStateRole).toInt());
    }
    bool isSelected() const { return list->selectionModel()->isRowSelected(row(), {}); }

    QString subItem(int k) const
    {
        const bool task = model()->tasks();
        const int visible = task ? TaskColumn::Count - 1 : NoteColumn::Count - 1;
        if (k < visible)
            return text(k + 1);
        if (k == (task ? TaskRow::Index : NoteRow::Index))
            return QString::number(entry->documentIndex);
        static const char *const noteFields[] = {"DateTime", "LastModified", "FileName"};
        static const char *const taskFields[] = {"DateTime", "LastModified", "Deadline", "DateCompleted",
                                                 "Reminder", "Complete", "ReminderDate", "FileName"};
        const QString name = QLatin1String(task ? taskFields[k - visible - 1] : noteFields[k - visible - 1]);
        const QString stored = QString::fromUtf8(entry->element.child(name.toLatin1().constData()).child_value());
        // Fields read with a fallback show what the table took for them.
        const auto orZero = [&](const std::optional<double> &value) {
            return value ? stored : QStringLiteral("0");
        };
        if (name == QLatin1String("LastModified"))
            return orZero(entry->modified);
        if (name == QLatin1String("Deadline"))
            return orZero(entry->deadline);
        if (name == QLatin1String("DateCompleted"))
            return stored.isEmpty() ? QStringLiteral("0") : stored;
        if (name == QLatin1String("Complete"))
            return stored.isEmpty() ? QStringLiteral("0") : stored;
        if (name == QLatin1String("ReminderDate") && stored.isEmpty() && entry->reminderDate)
            return DayNumber::text(*entry->reminderDate);
        return stored;
    }
};

inline std::optional<TRowProbe> probe(QTreeView *list, TEntry *entry)
{
    if (!entry || static_cast<TEntryListModel *>(list->model())->rowOf(entry) < 0)
        return std::nullopt;
    return TRowProbe{list, entry};
}

inline std::optional<TRowProbe> rowAt(QTreeView *list, int row)
{
    return probe(list, static_cast<TEntryListModel *>(list->model())->entryAt(row));
}

inline std::optional<TRowProbe> selectedRow(QTreeView *list)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? std::nullopt : rowAt(list, rows.first().row());
}
