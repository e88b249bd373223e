#include "controls/ListViewEx.h"

TListViewEx::TListViewEx(QWidget *parent) : QTreeWidget(parent) {}
