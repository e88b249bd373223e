#pragma once

#include <QTreeView>

#include <optional>

class TColumnLimits;

// The index of the list column a header item stands for: the column at the
// header item's own index when its caption is the item's text, otherwise the
// first column with that caption; -1 when no column has it.
int ColumnIndexByCaption(const QStringList &columnCaptions, int headerIndex, const QString &headerText);

// A report list that tells when the user begins, goes on with and ends
// resizing one of its columns. While a column border is dragged only a
// tracking line follows the mouse; the column takes its new width when the
// mouse is released, so whatever sits over a cell (the completion boxes) moves
// once, with the end event.
class TListViewEx : public QTreeView
{
    Q_OBJECT

public:
    explicit TListViewEx(QWidget *parent = nullptr);

    // Smallest and largest width of a column; the user's drag stays within them.
    void setColumnWidthLimits(int column, int minimum, int maximum = -1);
    // Where the tracking line stands while a column border is dragged, in the
    // list's coordinates; nothing while no border is dragged.
    std::optional<int> trackingLineX() const;

signals:
    void OnBeginColumnResize(TListViewEx *sender, int columnIndex, int columnWidth);
    void OnEndColumnResize(TListViewEx *sender, int columnIndex, int columnWidth);
    void OnColumnResize(TListViewEx *sender, int columnIndex, int columnWidth);

protected:
    virtual void DoBeginColumnResize(int columnIndex, int columnWidth);
    virtual void DoEndColumnResize(int columnIndex, int columnWidth);
    virtual void DoColumnResize(int columnIndex, int columnWidth);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The section whose right border is under a point of the header, or -1.
    int borderAt(int headerX) const;
    int trackedWidth(int headerX) const;
    int reportedIndex(int section) const;
    void moveTrackingLine(int width);
    void beginTracking(int section, int headerX);
    void track(int headerX);
    void endTracking(int headerX);

    TColumnLimits *m_limits;
    QWidget *m_trackingLine;
    int m_section = -1;      // the column being resized, -1 while none is
    int m_grabOffset = 0;    // from the mouse to the border when the drag began
};
