#include "mainwindow/EntryRow.h"

#include <QCollator>

namespace {
const QCollator &collator()
{
    static const QCollator instance = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    return instance;
}
} // namespace

bool TEntryRow::operator<(const QTreeWidgetItem &other) const
{
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return collator().compare(text(column), other.text(column)) < 0;
}
