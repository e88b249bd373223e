#include "controls/EntryRowDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {
QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}
} // namespace

TEntryRowDelegate::TEntryRowDelegate(int doneColumn, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_doneColumn(doneColumn)
{
}

TEntryRowDelegate *TEntryRowDelegate::Install(QAbstractItemView *list, int doneColumn)
{
    auto *delegate = new TEntryRowDelegate(doneColumn, list);
    list->setItemDelegate(delegate);
    return delegate;
}

QRect TEntryRowDelegate::boxRect(const QStyleOptionViewItem &cell) const
{
    const QStyle *style = styleOf(cell);
    const QSize size(style->pixelMetric(QStyle::PM_IndicatorWidth, &cell, cell.widget),
        style->pixelMetric(QStyle::PM_IndicatorHeight, &cell, cell.widget));
    return QStyle::alignedRect(cell.direction, Qt::AlignCenter, size, cell.rect);
}

QSize TEntryRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() != m_doneColumn)
        return size;
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QStyle *style = styleOf(cell);
    const int margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameVMargin, &cell, cell.widget) + 1);
    const QSize box(style->pixelMetric(QStyle::PM_IndicatorWidth, &cell, cell.widget),
        style->pixelMetric(QStyle::PM_IndicatorHeight, &cell, cell.widget));
    return size.expandedTo(box + QSize(margin, margin));
}

void TEntryRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // A row is one line: a text's line breaks (which the base class turns
    // into line separators) show as blanks, both when the cell is drawn and
    // when the list measures its rows.
    if (option->text.contains(QChar::LineSeparator))
        option->text.replace(QChar::LineSeparator, QLatin1Char(' '));
    // Only the start of a long text fits in a cell being drawn (no character
    // is narrower than two pixels), and eliding a whole body on every paint
    // would cost more than the rest of the row; the cut is marked with an
    // ellipsis. Measuring (no cell yet) sees the whole text.
    qsizetype fitting = option->rect.width() / 2 + 1;
    if (!option->rect.isEmpty() && option->text.size() > fitting) {
        if (option->text.at(fitting - 1).isHighSurrogate())
            --fitting;
        option->text.truncate(fitting);
        option->text += QChar(0x2026);
    }
    // The first column keeps the place of a row's file icon also in rows
    // without one, so that its texts line up.
    if (index.column() == 0)
        option->features |= QStyleOptionViewItem::HasDecoration;
    if (index.column() == m_doneColumn) {
        // The box covers the whole cell: no text is shown there, and the box
        // is drawn centred by paint().
        option->features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator);
        option->text.clear();
    }
}

void TEntryRowDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.column() != m_doneColumn) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    QStyle *style = styleOf(cell);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

    const QVariant state = index.data(Qt::CheckStateRole);
    if (!state.isValid())
        return;
    QStyleOptionViewItem box(cell);
    box.rect = boxRect(cell);
    box.state &= ~QStyle::State_HasFocus;
    switch (Qt::CheckState(state.toInt())) {
    case Qt::Checked:
        box.state |= QStyle::State_On;
        break;
    case Qt::PartiallyChecked:
        box.state |= QStyle::State_NoChange;
        break;
    case Qt::Unchecked:
        box.state |= QStyle::State_Off;
        break;
    }
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, cell.widget);
}

bool TEntryRowDelegate::editorEvent(
    QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (index.column() != m_doneColumn)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    const QVariant state = index.data(Qt::CheckStateRole);
    const Qt::ItemFlags flags = model->flags(index);
    if (!state.isValid() || !flags.testFlag(Qt::ItemIsUserCheckable) || !flags.testFlag(Qt::ItemIsEnabled))
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        if (mouse->button() != Qt::LeftButton || !boxRect(cell).contains(mouse->position().toPoint()))
            return false;
        // The box takes the whole click; it changes when the button is released.
        if (event->type() != QEvent::MouseButtonRelease)
            return true;
        break;
    }
    case QEvent::KeyPress:
        // Space and Select toggle the box of the current cell, as for any check box in a list.
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    default:
        return false;
    }
    const bool checked = Qt::CheckState(state.toInt()) == Qt::Checked;
    return model->setData(index, int(checked ? Qt::Unchecked : Qt::Checked), Qt::CheckStateRole);
}
