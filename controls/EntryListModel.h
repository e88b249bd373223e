#pragma once

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QColor>
#include <QFont>
#include <QLocale>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

class TEntryTable;
struct TEntry;

// How one row is drawn: its font, and its text colour (invalid: the list's own).
struct TRowLook {
    QFont font;
    QColor color;
};

// Column positions of the two lists.
namespace NoteColumn {
constexpr int Created = 0, Modified = 1, Title = 2, Note = 3, Count = 4;
} // namespace NoteColumn

namespace TaskColumn {
constexpr int Created = 0, Modified = 1, Due = 2, Done = 3, Task = 4, Instructions = 5, Completed = 6,
              Count = 7;
} // namespace TaskColumn

// One list, notes or tasks, as a view over the entry table. It keeps only the
// order of its rows; cell texts, check marks, the completion boxes and each
// row's look are produced when a row is drawn, so a list of any length costs
// what the rows on screen cost. Column 0 carries the row's check mark (entries
// ticked for printing and saving to a file); the tasks' "Done" column carries
// the completion box, whose clicks are handed on, not carried out here.
class TEntryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The look of a row at a moment (a day number): a task's state depends on it.
    using LookFunction = std::function<TRowLook(const TEntry &entry, double now)>;
    // The header's image number of the sort column, for the header's UserRole.
    static constexpr int NoSortImage = -1;

    TEntryListModel(TEntryTable &table, bool tasks, QObject *parent = nullptr);

    bool tasks() const { return m_tasks; }
    void setLook(LookFunction look) { m_look = std::move(look); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    TEntry *entryAt(int row) const;
    // The row of an entry of this list, -1 when it has none.
    int rowOf(const TEntry *entry) const;
    // A row's title and body as the document stores them (TEntry::storedTitle
    // and storedBody), found once and kept until the entry changes: a search
    // through every row reads them without walking the entries' elements.
    const char *storedTitleAt(int row) const { return storedTextsAt(row).title; }
    const char *storedBodyAt(int row) const { return storedTextsAt(row).body; }
    QModelIndex indexOf(const TEntry *entry, int column = 0) const;

    // Orders the rows by a column: dates by their day numbers, texts by the
    // user's locale-aware, case-sensitive collation; equal rows keep their
    // order. Selection and current row follow their rows.
    void sortRows(int column, Qt::SortOrder order);
    // The header image of the sort column; every other column loses its image.
    void setSortImage(int column, int image);
    int sortImageColumn() const { return m_sortImageColumn; }

signals:
    // The user clicked a completion box.
    void completionClicked(TEntry *entry, bool checked);

private:
    QString cellText(const TEntry &entry, int column) const;
    TRowLook lookOf(const TEntry &entry) const;
    void reset();
    void added(TEntry *entry);
    void changed(TEntry *entry, bool kindChanged);
    void removeRow(const TEntry *entry);
    void insertRow(TEntry *entry);
    struct TStoredTexts {
        const char *title = nullptr;
        const char *body = nullptr;
    };
    const TStoredTexts &storedTextsAt(int row) const;
    bool isTitleColumn(int column) const;
    // The rows in the order of their titles, from the kept keys and ranks.
    std::vector<int> titlePlaces(int column, Qt::SortOrder order);
    // An entry's title changed or it left the list: its key goes, and the
    // ranks of all no longer hold.
    void forgetTitle(const TEntry *entry);

    TEntryTable &m_table;
    bool m_tasks;
    std::vector<TEntry *> m_rows;
    // Beside each row, its stored texts once asked for (null before).
    mutable std::vector<TStoredTexts> m_storedTexts;
    LookFunction m_look;
    // "Now" for the looks asked for in one pass of the event loop: a paint asks
    // for every cell's font and colour, and reading the clock in local time
    // each time would cost more than the rest of the paint.
    mutable std::optional<double> m_now;
    int m_sortImageColumn = -1;
    int m_sortImage = NoSortImage;
    // The collation keys of the rows' titles, kept between sorts: making them
    // is most of a title sort of a long list. With each the title's rank
    // among the list's titles after the last title sort (equal titles share
    // one), which orders the rows again with no key compared while no title
    // changed and no row came or went since.
    struct TTitleKey {
        QCollatorSortKey key;
        int rank = 0;
    };
    std::unordered_map<const TEntry *, TTitleKey> m_titleKeys;
    bool m_titleRanksHold = false;
    // The locale the keys were made for.
    std::optional<QLocale> m_titleKeysLocale;
};
