#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString ensureFolder(const QString &path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
} // namespace

QString Paths::dataFolder()
{
    // AppDataLocation depends on the application name, which is always "Tamsel"
    // for the program; tests set it too, so the folder is predictable.
    return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                        + QStringLiteral("/Tamsel"));
}

QString Paths::configFolder()
{
    return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                        + QStringLiteral("/Tamsel"));
}

QString Paths::programFolder()
{
    return withTrailingDelimiter(QCoreApplication::applicationDirPath());
}

QString Paths::withTrailingDelimiter(const QString &folder)
{
    QString result = folder;
    while (result.endsWith(QLatin1Char('/')) && result.size() > 1)
        result.chop(1);
    return result == QLatin1String("/") ? result : result + QLatin1Char('/');
}

QString Paths::documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
