#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

// The icons of attached files in the entry lists, from the desktop's icon
// theme. Every file of one kind shares that kind's one icon, and with it the
// pictures drawn from it, so twenty thousand attachments of five kinds hold
// five icons. The icon of a row is decided each time the row is drawn: a file
// deleted or moved away shows the missing-file mark at the next paint.
class TAttachmentIcons {
public:
    static TAttachmentIcons &shared();

    // The icon of an attached path: its kind's icon for a file, the folder
    // icon for a folder, the missing-file mark when nothing is there, and no
    // icon for an empty path.
    QIcon iconFor(const QString &path);
    QIcon folderIcon();
    QIcon missingMark();
    // The icon of a kind of file, known by its name alone.
    QIcon fileIcon(const QString &fileName);

    // Icons held: one per kind of file met so far.
    int kindCount() const { return int(m_byKind.size()); }

private:
    QFileIconProvider m_provider;
    QMimeDatabase m_mimeTypes;
    // Lower-case suffix to its kind's icon: finding the kind from the name
    // costs more than a look-up, and a paint asks for every row on screen.
    QHash<QString, QIcon> m_bySuffix;
    // MIME type name to its icon.
    QHash<QString, QIcon> m_byKind;
    QIcon m_folder;
    QIcon m_missing;
};
