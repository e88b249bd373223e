#include "mainwindow/ColumnFit.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>

namespace {
class TColumnFit : public QObject
{
public:
    TColumnFit(QTreeView *list, const QList<TFlexibleColumn> &flexible)
        : QObject(list), m_list(list), m_flexible(flexible)
    {
        list->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_list && event->type() == QEvent::Show) {
            m_list->removeEventFilter(this);
            fit();
            deleteLater();
        }
        return false;
    }

private:
    void fit() const
    {
        const QHeaderView *header = m_list->header();
        int excess = header->length() - m_list->viewport()->width();
        for (const TFlexibleColumn &flexible : m_flexible) {
            if (excess <= 0)
                break;
            const int width = m_list->columnWidth(flexible.column);
            if (width != flexible.designedWidth)
                continue;
            const int given = std::min(excess, width - flexible.minimum);
            if (given > 0) {
                m_list->setColumnWidth(flexible.column, width - given);
                excess -= given;
            }
        }
    }

    QTreeView *m_list;
    QList<TFlexibleColumn> m_flexible;
};
} // namespace

void FitColumnsOnFirstShow(QTreeView *list, const QList<TFlexibleColumn> &flexible)
{
    new TColumnFit(list, flexible);
}
