#include "controls/AttachmentIcons.h"

#include "controls/ImageList.h"

#include <QFileInfo>
#include <QPainter>

namespace {
// The add-file picture stands in when the desktop has no icon at all.
constexpr int attachmentImage = 27;
constexpr int markSize = 16;
} // namespace

TAttachmentIcons &TAttachmentIcons::shared()
{
    static TAttachmentIcons icons;
    return icons;
}

QIcon TAttachmentIcons::iconFor(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (info.isDir())
        return folderIcon();
    if (!info.exists())
        return missingMark();
    return fileIcon(info.fileName());
}

QIcon TAttachmentIcons::folderIcon()
{
    if (m_folder.isNull()) {
        m_folder = m_provider.icon(QAbstractFileIconProvider::Folder);
        if (m_folder.isNull())
            m_folder = ImageList::icon(attachmentImage);
    }
    return m_folder;
}

QIcon TAttachmentIcons::fileIcon(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
    const auto known = m_bySuffix.constFind(suffix);
    if (known != m_bySuffix.constEnd())
        return *known;

    // A name without a suffix says nothing of its kind; reading the file to
    // find out would make drawing a row wait for the disk.
    const QMimeType mime = suffix.isEmpty() ? m_mimeTypes.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                            : m_mimeTypes.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
    QIcon &icon = m_byKind[mime.name()];
    if (icon.isNull()) {
        icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
        if (icon.isNull())
            icon = m_provider.icon(QAbstractFileIconProvider::File);
        if (icon.isNull())
            icon = ImageList::icon(attachmentImage);
    }
    m_bySuffix.insert(suffix, icon);
    return icon;
}

QIcon TAttachmentIcons::missingMark()
{
    if (m_missing.isNull()) {
        // The attachment picture, faded, crossed out in red.
        QPixmap mark(markSize, markSize);
        mark.fill(Qt::transparent);
        QPainter painter(&mark);
        painter.setOpacity(0.45);
        painter.drawPixmap(0, 0, ImageList::icon(attachmentImage).pixmap(markSize, markSize));
        painter.setOpacity(1.0);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0xcc, 0x00, 0x00), 2.2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        painter.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        painter.end();
        m_missing = QIcon(mark);
    }
    return m_missing;
}
