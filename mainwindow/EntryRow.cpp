#include "mainwindow/EntryRow.h"

#include "store/LocaleFormat.h"

#include <QCollator>
#include <QItemSelectionModel>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>
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
    if (column >= m_texts.size())
        m_texts.resize(column + 1);
    QString text = value.toString();
    if (m_texts.at(column) == text)
        return;
    m_texts[column] = std::move(text);
    emitDataChanged();
}

void SortRows(QTreeWidget *list, int column, Qt::SortOrder order)
{
    const int count = list->topLevelItemCount();
    if (count < 2)
        return;

    // One collation key per row, then a stable sort of the keys: comparing
    // keys is cheap, collating texts on every comparison is not.
    std::vector<std::pair<QCollatorSortKey, QTreeWidgetItem *>> keyed;
    keyed.reserve(size_t(count));
    const QCollator &rules = collator();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        keyed.emplace_back(rules.sortKey(row->text(column)), row);
    }
    const bool descending = order == Qt::DescendingOrder;
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto &a, const auto &b) {
        return descending ? b.first.compare(a.first) < 0 : a.first.compare(b.first) < 0;
    });

    // The rows are taken out and put back in order; selection and current row
    // are restored without telling the handlers, since nothing changed for them.
    QTreeWidgetItem *current = list->currentItem();
    const QList<QTreeWidgetItem *> selected = list->selectedItems();
    const QSignalBlocker blockList(list);
    const QSignalBlocker blockSelection(list->selectionModel());
    list->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(count);
    for (const auto &entry : keyed)
        rows.append(entry.second);
    list->addTopLevelItems(rows);
    if (current)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem *row : selected)
        row->setSelected(true);
}
