#pragma once

#include <QList>

class QTreeView;

// A list's long text column and the width it was designed with.
struct TFlexibleColumn
{
    int column;
    int designedWidth;
    int minimum;
};

// While the list's columns together are wider than the list, the flexible
// columns give way, in the order given and down to their minimums, so that
// every column shows without a horizontal scroll bar; as the list grows they
// grow back, up to their designed widths. A column the user has sized (or a
// stored width has set) keeps its width.
void FitFlexibleColumns(QTreeView *list, const QList<TFlexibleColumn> &flexible);
