#include "platform/StartupShortcut.h"

#include "diagnostics/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
// A string value of a desktop entry: backslashes and line breaks escaped.
QString escapeValue(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            result += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            result += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            result += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            result += QStringLiteral("\\t");
        else
            result += c;
    }
    return result;
}

// One argument of the Exec key: always quoted, with the characters that are
// special inside quotes escaped, and "%" doubled so it is no field code.
QString quoteArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}
} // namespace

QString StartupShortcut::folder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           + QStringLiteral("/autostart"));
}

QString StartupShortcut::filePath()
{
    return folder() + QStringLiteral("/Tamsel.desktop");
}

QByteArray StartupShortcut::entryText(const QString &programPath)
{
    const QString programFolder = QFileInfo(programPath).absolutePath() + QLatin1Char('/');
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tamsel\n"
                                        "Comment=Notes and tasks in the tray\n")
                         + QStringLiteral("Exec=") + escapeValue(quoteArgument(programPath)) + QStringLiteral(" -0\n")
                         + QStringLiteral("Path=") + escapeValue(programFolder) + QLatin1Char('\n')
                         + QStringLiteral("Terminal=false\n");
    return text.toUtf8();
}

void StartupShortcut::create(const QString &programPath)
{
    const QString path = filePath();
    if (!QDir().mkpath(folder()))
        throw ETamselError(QStringLiteral("The folder %1 could not be created.").arg(folder()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ETamselError(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
    const QByteArray text = entryText(programPath);
    if (file.write(text) != text.size())
        throw ETamselError(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
    // The usual mode of a desktop entry: only its owner changes it.
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!file.commit())
        throw ETamselError(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
}

void StartupShortcut::remove()
{
    QFile file(filePath());
    if (!file.exists())
        return;
    if (!file.remove())
        throw ETamselError(QStringLiteral("%1 could not be removed: %2").arg(file.fileName(), file.errorString()));
}

bool StartupShortcut::mayChange()
{
    QString nearest = folder();
    // A file (or a dangling link) where a folder belongs cannot be written
    // through, whoever runs the program.
    while (!QFileInfo(nearest).isDir()) {
        if (QFileInfo(nearest).exists() || QFileInfo(nearest).isSymLink())
            return false;
        const QString parent = QFileInfo(nearest).absolutePath();
        if (parent == nearest)
            return false;
        nearest = parent;
    }
    return ::access(QFile::encodeName(nearest).constData(), W_OK | X_OK) == 0;
}
