#include "controls/ListViewEx.h"

#include "controls/ColumnLimits.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>

int ColumnIndexByCaption(const QStringList &columnCaptions, int headerIndex, const QString &headerText)
{
    if (headerIndex >= 0 && headerIndex < columnCaptions.size() && columnCaptions.at(headerIndex) == headerText)
        return headerIndex;
    return int(columnCaptions.indexOf(headerText));
}

TListViewEx::TListViewEx(QWidget *parent)
    : QTreeView(parent), m_limits(new TColumnLimits(header())), m_trackingLine(new QWidget(this))
{
    m_trackingLine->setObjectName(QStringLiteral("trackingLine"));
    m_trackingLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_trackingLine->setAutoFillBackground(true);
    QPalette linePalette = m_trackingLine->palette();
    linePalette.setColor(QPalette::Window, linePalette.color(QPalette::WindowText));
    m_trackingLine->setPalette(linePalette);
    m_trackingLine->hide();
    header()->viewport()->installEventFilter(this);
}

void TListViewEx::setColumnWidthLimits(int column, int minimum, int maximum)
{
    m_limits->setLimits(column, minimum, maximum);
}

std::optional<int> TListViewEx::trackingLineX() const
{
    if (m_section < 0)
        return std::nullopt;
    return m_trackingLine->geometry().center().x();
}

void TListViewEx::DoBeginColumnResize(int columnIndex, int columnWidth)
{
    emit OnBeginColumnResize(this, columnIndex, columnWidth);
}

void TListViewEx::DoEndColumnResize(int columnIndex, int columnWidth)
{
    emit OnEndColumnResize(this, columnIndex, columnWidth);
}

void TListViewEx::DoColumnResize(int columnIndex, int columnWidth)
{
    emit OnColumnResize(this, columnIndex, columnWidth);
}

bool TListViewEx::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != header()->viewport())
        return QTreeView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        const int x = mouse->position().toPoint().x();
        const int section = m_section < 0 ? borderAt(x) : -1;
        if (section < 0)
            break;
        // A double click on a border is a second drag like the first, so the
        // header never sizes the column on its own behind the events' back.
        beginTracking(section, x);
        return true;
    }
    case QEvent::MouseMove:
        if (m_section < 0)
            break;
        track(static_cast<QMouseEvent *>(event)->position().toPoint().x());
        return true;
    case QEvent::MouseButtonRelease:
        if (m_section < 0 || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            break;
        endTracking(static_cast<QMouseEvent *>(event)->position().toPoint().x());
        return true;
    default:
        break;
    }
    return QTreeView::eventFilter(watched, event);
}

int TListViewEx::borderAt(int headerX) const
{
    // The same grip zones the header uses for its resize cursor.
    const QHeaderView *view = header();
    const int visual = view->visualIndexAt(headerX);
    if (visual < 0)
        return -1;
    const int section = view->logicalIndex(visual);
    const int start = view->sectionViewportPosition(section);
    const int grip = view->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, view);
    bool atStart = headerX < start + grip;
    bool atEnd = headerX > start + view->sectionSize(section) - grip;
    if (isRightToLeft())
        std::swap(atStart, atEnd);
    int border = -1;
    if (atEnd) {
        border = section;
    } else if (atStart) {
        for (int before = visual - 1; before >= 0 && border < 0; --before) {
            if (!view->isSectionHidden(view->logicalIndex(before)))
                border = view->logicalIndex(before);
        }
    }
    if (border >= 0 && view->sectionResizeMode(border) != QHeaderView::Interactive)
        return -1;
    return border;
}

int TListViewEx::trackedWidth(int headerX) const
{
    const QHeaderView *view = header();
    const int start = view->sectionViewportPosition(m_section);
    const int border = headerX + m_grabOffset;
    int width = isRightToLeft() ? start + view->sectionSize(m_section) - border : border - start;
    width = qBound(view->minimumSectionSize(), width, view->maximumSectionSize());
    return m_limits->bounded(m_section, width);
}

int TListViewEx::reportedIndex(int section) const
{
    QStringList captions;
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column)
        captions.append(model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    const QString headerText = model()->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
    return ColumnIndexByCaption(captions, section, headerText);
}

void TListViewEx::moveTrackingLine(int width)
{
    const QHeaderView *view = header();
    const int start = view->sectionViewportPosition(m_section);
    const int border = isRightToLeft() ? start + view->sectionSize(m_section) - width : start + width;
    const int x = view->viewport()->mapTo(this, QPoint(border, 0)).x();
    m_trackingLine->setGeometry(x - 1, 0, 2, height());
    m_trackingLine->raise();
    m_trackingLine->show();
}

void TListViewEx::beginTracking(int section, int headerX)
{
    const QHeaderView *view = header();
    m_section = section;
    const int start = view->sectionViewportPosition(section);
    const int border = isRightToLeft() ? start : start + view->sectionSize(section);
    m_grabOffset = border - headerX;
    moveTrackingLine(view->sectionSize(section));
    DoBeginColumnResize(reportedIndex(section), view->sectionSize(section));
}

void TListViewEx::track(int headerX)
{
    const int width = trackedWidth(headerX);
    moveTrackingLine(width);
    DoColumnResize(reportedIndex(m_section), width);
}

void TListViewEx::endTracking(int headerX)
{
    const int section = m_section;
    const int width = trackedWidth(headerX);
    m_section = -1;
    m_trackingLine->hide();
    // The column has its new width before anyone hears of it, so a handler can
    // place things by the column's geometry.
    header()->resizeSection(section, width);
    DoEndColumnResize(reportedIndex(section), width);
}
