#pragma once

#include <QHash>
#include <QObject>

class QHeaderView;

// Smallest and largest widths of single columns of a list. The header view of
// the toolkit knows only one smallest width for all sections; this keeps each
// column within its own limits, whoever changes its width.
class TColumnLimits : public QObject
{
    Q_OBJECT

public:
    static constexpr int NoLimit = -1;

    explicit TColumnLimits(QHeaderView *header);

    void setLimits(int column, int minimum, int maximum = NoLimit);
    // The width within the column's limits that is nearest to the given one.
    int bounded(int column, int width) const;

private:
    void sectionResized(int column, int oldWidth, int newWidth);

    struct TLimits
    {
        int minimum = NoLimit;
        int maximum = NoLimit;
    };
    QHeaderView *m_header;
    QHash<int, TLimits> m_limits;
};
