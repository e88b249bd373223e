// The completion box of each task row, over the row's "Done" cell.
#include "app/Main.h"

#include "mainwindow/EntryRow.h"

#include <QTreeWidget>

void TfrmMain::CreateTaskCheckBox(QTreeWidget *list, QTreeWidgetItem *row)
{
    Q_UNUSED(list);
    row->setCheckState(TaskRow::DoneColumn, Qt::Unchecked);
}
