#pragma once

#include <QTreeWidgetItem>

// A list row. Its caption is column 0 and sub-item k is column k + 1; the
// sub-items without a visible column live in hidden columns behind the
// visible ones, so every part of the program reads the row the same way.
//
// The texts are kept in one plain list instead of a QVariant per column, as
// QTreeWidgetItem does: the lists hold a row per entry, and building and
// freeing tens of thousands of rows would otherwise cost more than reading
// the entries.
class TEntryRow : public QTreeWidgetItem
{
public:
    explicit TEntryRow(int columns) { m_texts.resize(columns); }

    QString subItem(int k) const { return text(k + 1); }
    void setSubItem(int k, const QString &value) { setColumnText(k + 1, value); }
    // As setText, without wrapping the text in a QVariant.
    void setColumnText(int column, const QString &text);

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant &value) override;

    // Rows are ordered by the place SortRows gave them.
    bool operator<(const QTreeWidgetItem &other) const override;

private:
    friend void SortRows(QTreeWidget *list, int column, Qt::SortOrder order);

    QList<QString> m_texts;
    int m_sortPlace = 0;
};

// Column counts and positions of the two lists' layouts.
namespace NoteRow {
constexpr int Columns = 8; // caption + sub-items 0..6
constexpr int VisibleColumns = 4;
constexpr int Modified = 0, Title = 1, Text = 2, Index = 3, DateTime = 4, LastModified = 5,
              FileName = 6;
} // namespace NoteRow

namespace TaskRow {
constexpr int Columns = 16; // caption + sub-items 0..14
constexpr int VisibleColumns = 7;
constexpr int DoneColumn = 3;
constexpr int Modified = 0, Due = 1, Done = 2, Title = 3, Text = 4, Completed = 5, Index = 6,
              DateTime = 7, LastModified = 8, Deadline = 9, DateCompleted = 10, Reminder = 11,
              Complete = 12, ReminderDate = 13, FileName = 14;
} // namespace TaskRow

// Sorts the list's rows by the texts of one column with the user's
// locale-aware, case-sensitive collation; equal texts keep their order.
void SortRows(QTreeWidget *list, int column, Qt::SortOrder order);

inline TEntryRow *asRow(QTreeWidgetItem *item)
{
    return static_cast<TEntryRow *>(item);
}
