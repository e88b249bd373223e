#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;
class QTextEdit;
class QWidget;

// The file attached to an entry, and its file field: choosing the file,
// viewing it, dropping one on the field, and its icon in the lists. Shared by
// the editor and the quick-add windows, each with a file field of its own.
namespace Attachments {

// The open dialog's filter when no file-type list says otherwise: pairs of
// description and pattern list separated by "|", patterns separated by ";".
QString BuiltInFilter();
// The optional file-type list "extensions.xml" in the program's folder.
QString ExtensionsFilePath();
// The open dialog's filter: the file types of the list at that path, then
// "All Files (*.*)", or the built-in filter when the list is missing, holds
// no type, or cannot be read (reported).
QString GetFilterValues(const QString &extensionsFile = ExtensionsFilePath());
// A filter as the dialog's name filters, one per description. A type without
// patterns is left out: no file could be chosen through it.
QStringList DialogFilters(const QString &filter);

// A file (not a folder) exists at the path: what View needs.
bool CanView(const QString &path);
// A path is attached, but neither a file nor a folder is there.
bool IsMissing(const QString &path);

// Lets the user choose a file for a file field and puts its path there. The
// dialog starts in the folder of the last chosen file (`InitialDirectory`),
// which then becomes the chosen file's folder. False when nothing was chosen.
bool AddFile(QTextEdit *field, bool task, QWidget *parent);
// Opens the file with the desktop's program for it; when there is no file at
// the path, or no program could open it, the user is told so.
void ViewFile(const QString &path);

// The icon of an attached path in the lists (TAttachmentIcons).
QIcon GetFileIcon(const QString &path);

// The first local path among dropped data, or empty.
QString DroppedPath(const QMimeData *data);

} // namespace Attachments

// Makes a file field take files dropped from the desktop for copying or
// linking; the first dropped path is reported, the field is left to its owner.
class TFileDropTarget : public QObject {
    Q_OBJECT

public:
    // Installs a drop target on the field; the field owns it. Drops are
    // taken only while `accepting` says so (nothing may be attached without
    // the entries open, for example).
    static TFileDropTarget *Install(QTextEdit *field, std::function<bool()> accepting = {});

signals:
    void fileDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TFileDropTarget(QTextEdit *field, std::function<bool()> accepting);

    std::function<bool()> m_accepting;
};
