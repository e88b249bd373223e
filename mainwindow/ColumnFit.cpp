#include "mainwindow/ColumnFit.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

namespace {
class TColumnFit : public QObject
{
public:
    TColumnFit(QTreeView *list, const QList<TFlexibleColumn> &flexible)
        : QObject(list), m_list(list), m_flexible(flexible)
    {
        for (const TFlexibleColumn &column : flexible)
            m_widthsGiven.append(column.designedWidth);
        list->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && m_list->isVisible())
            fit();
        return false;
    }

private:
    void fit()
    {
        // A column sized otherwise (by the user, or a stored width) is no
        // longer this fit's to change.
        for (qsizetype i = 0; i < m_flexible.size(); ++i) {
            if (m_widthsGiven.at(i) != m_list->columnWidth(m_flexible.at(i).column))
                m_widthsGiven[i] = -1;
        }
        // What the columns would take at their designed widths, against the room there is.
        int excess = m_list->header()->length() - m_list->viewport()->width();
        for (qsizetype i = 0; i < m_flexible.size(); ++i) {
            if (m_widthsGiven.at(i) >= 0)
                excess += m_flexible.at(i).designedWidth - m_widthsGiven.at(i);
        }
        for (qsizetype i = 0; i < m_flexible.size(); ++i) {
            const TFlexibleColumn &flexible = m_flexible.at(i);
            if (m_widthsGiven.at(i) < 0)
                continue;
            const int given = std::clamp(excess, 0, flexible.designedWidth - flexible.minimum);
            excess -= given;
            if (m_widthsGiven.at(i) != flexible.designedWidth - given) {
                m_widthsGiven[i] = flexible.designedWidth - given;
                m_list->setColumnWidth(flexible.column, m_widthsGiven.at(i));
            }
        }
    }

    QTreeView *m_list;
    QList<TFlexibleColumn> m_flexible;
    // The width each column was last given here; -1 once it was sized otherwise.
    QList<int> m_widthsGiven;
};
} // namespace

void FitFlexibleColumns(QTreeView *list, const QList<TFlexibleColumn> &flexible)
{
    new TColumnFit(list, flexible);
}
