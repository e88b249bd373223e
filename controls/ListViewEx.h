#pragma once

#include <QTreeWidget>

// A report list that tells when one of its columns begins, goes on and ends
// being resized.
class TListViewEx : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TListViewEx(QWidget *parent = nullptr);

signals:
    void OnColumnResizeBegin(int column, int width);
    void OnColumnResize(int column, int width);
    void OnColumnResizeEnd(int column, int width);
};
