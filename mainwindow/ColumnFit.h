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

// When the list is first shown, and its columns together are wider than the
// list, the flexible columns still at their designed widths give way, in the
// order given and down to their minimums, so that every column shows without
// a horizontal scroll bar. A width the user chose is kept.
void FitColumnsOnFirstShow(QTreeView *list, const QList<TFlexibleColumn> &flexible);
