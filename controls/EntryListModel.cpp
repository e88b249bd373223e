#include "controls/EntryListModel.h"

#include "controls/Attachments.h"
#include "controls/ImageList.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"
#include "store/LocaleFormat.h"

#include <QBrush>
#include <QCollator>
#include <QTimer>
#include <algorithm>
#include <numeric>
#include <optional>

namespace {
// The user's collation, rebuilt only when the locale in effect changes.
const QCollator &collation()
{
    static QCollator rules;
    static std::optional<QLocale> builtFor;
    const QLocale &locale = LocaleFormat().locale;
    if (builtFor != locale) {
        rules = QCollator(locale);
        rules.setCaseSensitivity(Qt::CaseSensitive);
        builtFor = locale;
    }
    return rules;
}

QString displayOf(const std::optional<double> &dayNumber)
{
    return dayNumber ? DayNumber::displayText(*dayNumber) : QString();
}

// The row numbers in the order of their keys; equal keys keep their order.
template<typename Key, typename Compare>
std::vector<int> sortedPlaces(const std::vector<Key> &keys, Qt::SortOrder order, Compare compare)
{
    std::vector<int> places(keys.size());
    std::iota(places.begin(), places.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    std::stable_sort(places.begin(), places.end(), [&](int a, int b) {
        return descending ? compare(keys[size_t(b)], keys[size_t(a)]) < 0
                          : compare(keys[size_t(a)], keys[size_t(b)]) < 0;
    });
    return places;
}

// A cell shows one line of at most a screen's width, and no character is
// narrower than two pixels: the title and body cells hold no more than that
// of their texts, so that drawing, measuring and sorting a row cost the same
// for an entry of any length. A tooltip holds the start of the text.
constexpr qsizetype cellCharacters = 4096;
constexpr qsizetype tooltipCharacters = 1000;

QString tooltipOf(const QString &text)
{
    if (text.size() <= tooltipCharacters)
        return text;
    qsizetype length = tooltipCharacters;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

const char *const noteCaptions[] = {"Created", "Modified", "Title", "Note"};
const char *const taskCaptions[] = {"Created", "Modified", "Due", "Done", "Task", "Instructions", "Completed"};
} // namespace

TEntryListModel::TEntryListModel(TEntryTable &table, bool tasks, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_tasks(tasks)
{
    connect(&table, &TEntryTable::tableReset, this, &TEntryListModel::reset);
    connect(&table, &TEntryTable::entryAdded, this, &TEntryListModel::added);
    connect(&table, &TEntryTable::entryChanged, this, &TEntryListModel::changed);
    connect(&table, &TEntryTable::entryMarkChanged, this, [this](TEntry *entry) {
        const QModelIndex index = indexOf(entry);
        if (index.isValid())
            emit dataChanged(index, index, {Qt::CheckStateRole});
    });
    connect(&table, &TEntryTable::entryAboutToBeRemoved, this, &TEntryListModel::removeRow);
    reset();
}

int TEntryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TEntryListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_tasks ? TaskColumn::Count : NoteColumn::Count);
}

TEntry *TEntryListModel::entryAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)] : nullptr;
}

int TEntryListModel::rowOf(const TEntry *entry) const
{
    const auto found = std::find(m_rows.begin(), m_rows.end(), entry);
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

const TEntryListModel::TStoredTexts &TEntryListModel::storedTextsAt(int row) const
{
    TStoredTexts &texts = m_storedTexts.at(size_t(row));
    if (!texts.title) {
        const TEntry *entry = m_rows[size_t(row)];
        texts = {entry->storedTitle(), entry->storedBody()};
    }
    return texts;
}

QModelIndex TEntryListModel::indexOf(const TEntry *entry, int column) const
{
    const int row = rowOf(entry);
    return row < 0 ? QModelIndex() : index(row, column);
}

QString TEntryListModel::cellText(const TEntry &entry, int column) const
{
    if (!m_tasks) {
        switch (column) {
        case NoteColumn::Created:
            return entry.caption();
        case NoteColumn::Modified:
            return displayOf(entry.modified);
        case NoteColumn::Title:
            return entry.titleStart(cellCharacters);
        case NoteColumn::Note:
            return entry.bodyStart(cellCharacters);
        }
        return {};
    }
    switch (column) {
    case TaskColumn::Created:
        return entry.caption();
    case TaskColumn::Modified:
        return displayOf(entry.modified);
    case TaskColumn::Due:
        return displayOf(entry.deadline);
    case TaskColumn::Task:
        return entry.titleStart(cellCharacters);
    case TaskColumn::Instructions:
        return entry.bodyStart(cellCharacters);
    case TaskColumn::Completed:
        return displayOf(entry.completed);
    }
    return {};
}

QVariant TEntryListModel::data(const QModelIndex &index, int role) const
{
    const TEntry *entry = entryAt(index.row());
    if (!entry || index.column() < 0 || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(*entry, index.column());
    case Qt::ToolTipRole: {
        // The first column's hint tells what the missing-file mark means.
        const QString text = tooltipOf(cellText(*entry, index.column()));
        const QString fileName = index.column() == 0 ? entry->fileName() : QString();
        return Attachments::IsMissing(fileName)
            ? text + QStringLiteral("\nThe attached file cannot be found: ") + fileName
            : text;
    }
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return entry->marked ? Qt::Checked : Qt::Unchecked;
        if (m_tasks && index.column() == TaskColumn::Done)
            return entry->complete ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole: {
        if (index.column() != 0)
            return {};
        const QIcon icon = Attachments::GetFileIcon(entry->fileName());
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::FontRole:
        return m_look ? QVariant(lookOf(*entry).font) : QVariant();
    case Qt::ForegroundRole: {
        const QColor color = m_look ? lookOf(*entry).color : QColor();
        return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    default:
        return {};
    }
}

TRowLook TEntryListModel::lookOf(const TEntry &entry) const
{
    if (!m_now) {
        m_now = DayNumber::fromDateTime(Clock::now());
        QTimer::singleShot(0, this, [this] { m_now.reset(); });
    }
    return m_look(entry, *m_now);
}

bool TEntryListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TEntry *entry = entryAt(index.row());
    if (!entry || role != Qt::CheckStateRole)
        return false;
    const bool checked = Qt::CheckState(value.toInt()) == Qt::Checked;
    if (index.column() == 0) {
        m_table.SetMarked(entry, checked);
        return true;
    }
    if (m_tasks && index.column() == TaskColumn::Done) {
        emit completionClicked(entry, checked);
        return true;
    }
    return false;
}

Qt::ItemFlags TEntryListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == 0 || (m_tasks && index.column() == TaskColumn::Done))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant TEntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QLatin1String(m_tasks ? taskCaptions[section] : noteCaptions[section]);
    case Qt::TextAlignmentRole:
        return m_tasks && section == TaskColumn::Done ? QVariant(Qt::AlignCenter) : QVariant();
    case Qt::DecorationRole:
        return section == m_sortImageColumn ? QVariant(ImageList::icon(m_sortImage)) : QVariant();
    case Qt::UserRole:
        return section == m_sortImageColumn ? QVariant(m_sortImage) : QVariant();
    default:
        return {};
    }
}

void TEntryListModel::setSortImage(int column, int image)
{
    m_sortImageColumn = column;
    m_sortImage = image;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TEntryListModel::sortRows(int column, Qt::SortOrder order)
{
    if (m_rows.size() < 2)
        return;
    const auto dayOf = [](const std::optional<double> &value) { return value.value_or(0.0); };
    std::vector<int> places;
    const auto byNumber = [&](auto number) {
        // Each key beside its row number, so the sort reads one array in order.
        std::vector<std::pair<double, int>> keyed;
        keyed.reserve(m_rows.size());
        for (size_t row = 0; row < m_rows.size(); ++row)
            keyed.emplace_back(number(*m_rows[row]), int(row));
        if (order == Qt::DescendingOrder)
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return b.first < a.first; });
        else
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        places.reserve(keyed.size());
        for (const auto &[key, row] : keyed)
            places.push_back(row);
    };
    // Created and Modified are the first two columns of both lists.
    if (column == 0)
        byNumber([](const TEntry &entry) { return entry.created; });
    else if (column == 1)
        byNumber([&](const TEntry &entry) { return dayOf(entry.modified); });
    else if (m_tasks && column == TaskColumn::Due)
        byNumber([&](const TEntry &entry) { return dayOf(entry.deadline); });
    else if (m_tasks && column == TaskColumn::Done)
        byNumber([](const TEntry &entry) { return entry.complete ? 1.0 : 0.0; });
    else if (isTitleColumn(column))
        places = titlePlaces(column, order);
    else {
        // Texts: one collation key per row, then a sort of the row numbers by
        // key; collating texts on every comparison would cost far more.
        const QCollator &rules = collation();
        std::vector<QCollatorSortKey> keys;
        keys.reserve(m_rows.size());
        for (const TEntry *entry : m_rows)
            keys.push_back(rules.sortKey(cellText(*entry, column)));
        places = sortedPlaces(keys, order, [](const QCollatorSortKey &a, const QCollatorSortKey &b) {
            return a.compare(b);
        });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<TEntry *> rows(m_rows.size());
    std::vector<TStoredTexts> storedTexts(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (size_t place = 0; place < places.size(); ++place) {
        rows[place] = m_rows[size_t(places[place])];
        storedTexts[place] = m_storedTexts[size_t(places[place])];
        newRowOf[size_t(places[place])] = int(place);
    }
    m_rows = std::move(rows);
    m_storedTexts = std::move(storedTexts);
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex &index : persistent)
        moved.append(this->index(newRowOf[size_t(index.row())], index.column()));
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool TEntryListModel::isTitleColumn(int column) const
{
    return column == (m_tasks ? TaskColumn::Task : NoteColumn::Title);
}

std::vector<int> TEntryListModel::titlePlaces(int column, Qt::SortOrder order)
{
    const QCollator &rules = collation();
    if (m_titleKeysLocale != LocaleFormat().locale) {
        m_titleKeys.clear();
        m_titleRanksHold = false;
        m_titleKeysLocale = LocaleFormat().locale;
    }
    if (m_titleRanksHold) {
        std::vector<int> ranks;
        ranks.reserve(m_rows.size());
        for (const TEntry *entry : m_rows)
            ranks.push_back(m_titleKeys.at(entry).rank);
        return sortedPlaces(ranks, order, [](int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); });
    }
    std::vector<const QCollatorSortKey *> keys;
    keys.reserve(m_rows.size());
    for (const TEntry *entry : m_rows) {
        auto found = m_titleKeys.find(entry);
        if (found == m_titleKeys.end())
            found = m_titleKeys.emplace(entry, TTitleKey{rules.sortKey(cellText(*entry, column))}).first;
        keys.push_back(&found->second.key);
    }
    std::vector<int> places = sortedPlaces(keys, order, [](const QCollatorSortKey *a, const QCollatorSortKey *b) {
        return a->compare(*b);
    });
    // Ranks count up from the smallest title, whichever way this sort went.
    int rank = 0;
    const QCollatorSortKey *previous = nullptr;
    const auto rankRow = [&](int row) {
        const QCollatorSortKey *key = keys[size_t(row)];
        if (previous && previous->compare(*key) != 0)
            ++rank;
        previous = key;
        m_titleKeys.at(m_rows[size_t(row)]).rank = rank;
    };
    if (order == Qt::DescendingOrder)
        std::for_each(places.rbegin(), places.rend(), rankRow);
    else
        std::for_each(places.begin(), places.end(), rankRow);
    m_titleRanksHold = true;
    return places;
}

void TEntryListModel::forgetTitle(const TEntry *entry)
{
    m_titleKeys.erase(entry);
    m_titleRanksHold = false;
}

void TEntryListModel::reset()
{
    m_titleKeys.clear();
    m_titleRanksHold = false;
    beginResetModel();
    m_rows.clear();
    for (int i = 0; i < m_table.count(); ++i) {
        TEntry *entry = m_table.at(i);
        if (entry->task == m_tasks)
            m_rows.push_back(entry);
    }
    m_storedTexts.assign(m_rows.size(), {});
    endResetModel();
}

void TEntryListModel::insertRow(TEntry *entry)
{
    const int row = int(m_rows.size());
    m_titleRanksHold = false;
    beginInsertRows({}, row, row);
    m_rows.push_back(entry);
    m_storedTexts.emplace_back();
    endInsertRows();
}

void TEntryListModel::added(TEntry *entry)
{
    if (entry->task == m_tasks)
        insertRow(entry);
}

void TEntryListModel::changed(TEntry *entry, bool kindChanged)
{
    if (kindChanged) {
        if (entry->task == m_tasks)
            insertRow(entry);
        else
            removeRow(entry);
        return;
    }
    const int row = rowOf(entry);
    if (row < 0)
        return;
    forgetTitle(entry);
    m_storedTexts[size_t(row)] = {};
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TEntryListModel::removeRow(const TEntry *entry)
{
    const int row = rowOf(entry);
    if (row < 0)
        return;
    forgetTitle(entry);
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    m_storedTexts.erase(m_storedTexts.begin() + row);
    endRemoveRows();
}
