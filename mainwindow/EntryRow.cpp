#include "mainwindow/EntryRow.h"

#include "store/LocaleFormat.h"

#include <QCollator>
#include <QTreeWidget>
#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

namespace {
// The user's collation, rebuilt only when the locale in effect changes.
const QCollator &collator()
{
    static QCollator instance;
    static std::optional<QLocale> builtFor;
    const QLocale &locale = LocaleFormat().locale;
    if (builtFor != locale) {
        instance = QCollator(locale);
        instance.setCaseSensitivity(Qt::CaseSensitive);
        builtFor = locale;
    }
    return instance;
}
} // namespace

QVariant TEntryRow::data(int column, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QTreeWidgetItem::data(column, role);
    if (column < 0 || column >= m_texts.size())
        return {};
    return m_texts.at(column);
}

void TEntryRow::setData(int column, int role, const QVariant &value)
{
    if (column < 0 || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    setColumnText(column, value.toString());
}

void TEntryRow::setColumnText(int column, const QString &text)
{
    if (column >= m_texts.size())
        m_texts.resize(column + 1);
    if (m_texts.at(column) == text)
        return;
    m_texts[column] = text;
    emitDataChanged();
}

bool TEntryRow::operator<(const QTreeWidgetItem &other) const
{
    return m_sortPlace < static_cast<const TEntryRow &>(other).m_sortPlace;
}

void SortRows(QTreeWidget *list, int column, Qt::SortOrder order)
{
    const int count = list->topLevelItemCount();
    if (count < 2)
        return;

    // One collation key per row, then a sort of the row numbers by key (equal
    // keys keep their order): comparing keys is cheap, collating texts on
    // every comparison is not.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(count));
    const QCollator &rules = collator();
    for (int i = 0; i < count; ++i)
        keys.push_back(rules.sortKey(list->topLevelItem(i)->text(column)));
    std::vector<int> places(static_cast<size_t>(count));
    std::iota(places.begin(), places.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    std::sort(places.begin(), places.end(), [&keys, descending](int a, int b) {
        const int result = descending ? keys[size_t(b)].compare(keys[size_t(a)])
                                      : keys[size_t(a)].compare(keys[size_t(b)]);
        return result < 0 || (result == 0 && a < b);
    });

    // The list reorders its rows by those places in one step; selection and
    // current row follow their rows.
    for (int place = 0; place < count; ++place)
        static_cast<TEntryRow *>(list->topLevelItem(places[size_t(place)]))->m_sortPlace = place;
    list->invisibleRootItem()->sortChildren(0, Qt::AscendingOrder);
}
