#include "mainwindow/EntryRow.h"

#include "store/LocaleFormat.h"

#include <QCollator>
#include <optional>

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

bool TEntryRow::operator<(const QTreeWidgetItem &other) const
{
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return collator().compare(text(column), other.text(column)) < 0;
}
