#include "controls/ColumnLimits.h"

#include <QHeaderView>

TColumnLimits::TColumnLimits(QHeaderView *header) : QObject(header), m_header(header)
{
    connect(header, &QHeaderView::sectionResized, this, &TColumnLimits::sectionResized);
}

void TColumnLimits::setLimits(int column, int minimum, int maximum)
{
    m_limits.insert(column, {minimum, maximum});
    if (!m_header->isSectionHidden(column))
        m_header->resizeSection(column, bounded(column, m_header->sectionSize(column)));
}

int TColumnLimits::bounded(int column, int width) const
{
    const TLimits limits = m_limits.value(column);
    if (limits.maximum != NoLimit && width > limits.maximum)
        width = limits.maximum;
    if (limits.minimum != NoLimit && width < limits.minimum)
        width = limits.minimum;
    return width;
}

void TColumnLimits::sectionResized(int column, int, int newWidth)
{
    // Hiding a section shrinks it to nothing first; that is no width to correct.
    if (newWidth == 0 || m_header->isSectionHidden(column))
        return;
    const int width = bounded(column, newWidth);
    if (width != newWidth)
        m_header->resizeSection(column, width);
}
