#include "mainwindow/ImageList.h"

#include <QHash>

QIcon ImageList::icon(int index)
{
    static QHash<int, QIcon> cache;
    auto found = cache.constFind(index);
    if (found != cache.constEnd())
        return *found;
    const QIcon loaded(QStringLiteral(":/images/%1.png").arg(index, 2, 10, QLatin1Char('0')));
    cache.insert(index, loaded);
    return loaded;
}
