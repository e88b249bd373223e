#include "controls/ImageList.h"

#include <QHash>

#include <algorithm>
#include <array>

// The pictures are compiled into the GUI library; a static library's resources
// are registered only when something refers to them.
static void registerImages()
{
    Q_INIT_RESOURCE(images);
}

namespace {
// Greyed copies of the pictures of Save, Delete, Print, Send Mail and Save to File.
constexpr std::array disabledImages{2, 4, 6, 13, 15};
} // namespace

bool ImageList::isDisabledImage(int index)
{
    return std::find(disabledImages.begin(), disabledImages.end(), index) != disabledImages.end();
}

QIcon ImageList::icon(int index)
{
    static const bool registered = (registerImages(), true);
    Q_UNUSED(registered);
    static QHash<int, QIcon> cache;
    auto found = cache.constFind(index);
    if (found != cache.constEnd())
        return *found;
    QIcon loaded;
    const QPixmap picture(QStringLiteral(":/images/%1.png").arg(index, 2, 10, QLatin1Char('0')));
    if (!picture.isNull()) {
        loaded.addPixmap(picture, QIcon::Normal);
        // A greyed picture is shown as it is; the toolkit would grey it again.
        if (isDisabledImage(index))
            loaded.addPixmap(picture, QIcon::Disabled);
    }
    cache.insert(index, loaded);
    return loaded;
}
