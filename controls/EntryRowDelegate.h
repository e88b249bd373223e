#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

// Draws a list's rows one line high, in the font and colour their model gives
// at the moment they are painted. In a list with a completion column it also
// draws each row's completion box there: the row's check state in that cell,
// shown as the platform's check box centred in the cell, toggled by a click on
// it. The box is part of its row, so it follows scrolling, sorting and column
// resizing by itself, stays bound to its own row, and costs nothing for rows
// off screen.
class TEntryRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int NoDoneColumn = -1;

    explicit TEntryRowDelegate(int doneColumn, QObject *parent = nullptr);

    // Gives the list a delegate of this kind; the list owns it.
    static TEntryRowDelegate *Install(QAbstractItemView *list, int doneColumn = NoDoneColumn);

    // Where the completion box of a cell of the completion column is drawn
    // and takes clicks: the platform's check box size, centred in the cell.
    QRect boxRect(const QStyleOptionViewItem &cell) const;

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // A cell of the completion column is high enough for its box.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

private:
    int m_doneColumn;
};
