#include "controls/Attachments.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "controls/AttachmentDialog.h"
#include "controls/AttachmentIcons.h"
#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/XmlDocument.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTextEdit>

namespace {
const QString initialDirectoryValue = QStringLiteral("InitialDirectory");

// The folder of the last chosen file, or the user's home when none is stored
// or it is gone: a program started from the tray has no folder of the user's.
QString initialDirectory()
{
    QString folder;
    try {
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        folder = registry.ReadString(initialDirectoryValue);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("AddFile"), error.message()});
    }
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void rememberFolder(const QString &folder)
{
    try {
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        if (registry.ReadString(initialDirectoryValue) != folder)
            registry.WriteString(initialDirectoryValue, folder);
    } catch (const ETamselError &error) {
        // The file is attached all the same; only the next dialog's folder is lost.
        LogError({QStringLiteral("Main"), QStringLiteral("AddFile"), error.message()});
    }
}

// Copying or linking: the dropped file stays where it is.
Qt::DropAction linkOrCopy(Qt::DropActions possible)
{
    return possible.testFlag(Qt::LinkAction) ? Qt::LinkAction : Qt::CopyAction;
}
} // namespace

QString Attachments::BuiltInFilter()
{
    return QStringLiteral("Archive Files (*.arc, *.cab, *.rar, *.zip)|*.arc;*.cab;*.rar;*.zip|"
                          "Audio Files (*.mp3, *.ogg, *.wav, *.aac)|*.mp3;*.ogg;*.wav;*.aac|"
                          "Data Files (*.doc, *.ppt, *.xls)|*.doc;*.ppt;*.xls|"
                          "Image Files (*.bmp, *.gif, *.jpg, *.png)|*.bmp;*.gif;*.jpg;*.png|"
                          "Text Files (*.rtf, *.txt, *.wri)|*.rtf;*.txt;*.wri|"
                          "Video Files (*.avi, *.mpeg, *.wmv)|*.avi;*.mpeg;*.wmv|"
                          "All Files (*.*)|*.*");
}

QString Attachments::ExtensionsFilePath() { return Paths::programFolder() + QStringLiteral("extensions.xml"); }

QString Attachments::GetFilterValues(const QString &extensionsFile)
{
    if (!QFileInfo::exists(extensionsFile))
        return BuiltInFilter();
    try {
        TXmlDocument document;
        document.LoadFromFile(extensionsFile);
        // Consecutive types with the same description are read as one type
        // with the names of both.
        struct TType {
            QString description;
            QStringList patterns;
        };
        QList<TType> types;
        for (const pugi::xml_node type : document.Root().children("ExtensionType")) {
            const QString description = TXmlDocument::Attribute(type, "value").value_or(QString());
            if (types.isEmpty() || types.constLast().description != description)
                types.append({description, {}});
            for (const pugi::xml_node name : type.children("Name"))
                types.last().patterns << QLatin1Char('*') + QString::fromUtf8(name.child_value());
        }
        if (types.isEmpty())
            return BuiltInFilter();
        QString filter;
        for (const TType &type : std::as_const(types))
            filter += type.description + QStringLiteral(" (") + type.patterns.join(QLatin1Char(',')) + QStringLiteral(")|")
                      + type.patterns.join(QLatin1Char(';')) + QLatin1Char('|');
        return filter + QStringLiteral("All Files (*.*)|*.*");
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("GetFilterValues"), error.message()});
        return BuiltInFilter();
    }
}

QStringList Attachments::DialogFilters(const QString &filter)
{
    // Empty parts count: a type without names has an empty pattern list, and
    // skipping it would pair every later description with the wrong patterns.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            // "*.*" means every file where the filter was written; names here
            // need not have a dot.
            patterns << (pattern.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : pattern.trimmed());
        }
        if (patterns.isEmpty())
            continue;
        // The dialog reads the patterns from the parentheses at the end of a
        // filter, separated by blanks; the description's own list, separated
        // by commas, gives way to them.
        QString description = parts.at(i);
        const qsizetype open = description.lastIndexOf(QStringLiteral(" ("));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description.truncate(open);
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

bool Attachments::CanView(const QString &path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

bool Attachments::IsMissing(const QString &path) { return !path.isEmpty() && !QFileInfo::exists(path); }

bool Attachments::AddFile(QTextEdit *field, bool task, QWidget *parent)
{
    TAttachmentDialogRequest request;
    request.title = task ? QStringLiteral("Select File to Add to Task:") : QStringLiteral("Select File to Add to Note:");
    request.folder = initialDirectory();
    request.nameFilters = DialogFilters(GetFilterValues());
    // Any file can be attached: the dialog opens on "All Files", the last
    // choice, and the types narrow it on request.
    if (!request.nameFilters.isEmpty())
        request.selectedNameFilter = request.nameFilters.constLast();
    const std::optional<QString> chosen = ChooseAttachment(request, parent);
    if (!chosen)
        return false;
    field->setPlainText(*chosen);
    rememberFolder(QFileInfo(*chosen).absolutePath());
    return true;
}

void Attachments::ViewFile(const QString &path)
{
    const QString caption = QStringLiteral("Tamsel");
    if (!CanView(path)) {
        const QString message = path.isEmpty()
            ? QStringLiteral("The specified file cannot be found.")
            : QFileInfo(path).isDir()
            ? QStringLiteral("The attached path is a folder, not a file:\n\n%1").arg(path)
            : QStringLiteral("The specified file cannot be found:\n\n%1\n\nIt may have been moved, renamed or deleted.").arg(path);
        MessageDlg(caption, message, TMsgDlgType::Warning, mbOK);
        return;
    }
    if (!TUrlOpener::current().open(QUrl::fromLocalFile(path)))
        MessageDlg(caption, QStringLiteral("No program could be started to open the file:\n\n%1").arg(path),
                   TMsgDlgType::Warning, mbOK);
}

QIcon Attachments::GetFileIcon(const QString &path) { return TAttachmentIcons::shared().iconFor(path); }

QString Attachments::DroppedPath(const QMimeData *data)
{
    if (!data)
        return {};
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return QDir::cleanPath(url.toLocalFile());
    }
    return {};
}

TFileDropTarget::TFileDropTarget(QTextEdit *field, std::function<bool()> accepting)
    : QObject(field)
    , m_accepting(std::move(accepting))
{
}

TFileDropTarget *TFileDropTarget::Install(QTextEdit *field, std::function<bool()> accepting)
{
    auto *target = new TFileDropTarget(field, std::move(accepting));
    // A read-only text field takes no drops of its own; its viewport gets
    // the drag events.
    field->setAcceptDrops(true);
    field->viewport()->setAcceptDrops(true);
    field->viewport()->installEventFilter(target);
    return target;
}

bool TFileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = Attachments::DroppedPath(drop->mimeData());
        const bool acceptable = !path.isEmpty() && (drop->possibleActions() & (Qt::CopyAction | Qt::LinkAction))
                                && (!m_accepting || m_accepting());
        if (!acceptable) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(linkOrCopy(drop->possibleActions()));
        drop->accept();
        if (event->type() == QEvent::Drop)
            emit fileDropped(path);
        return true;
    }
    case QEvent::DragLeave:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
