#include "diagnostics/LogFile.h"

#include "platform/Paths.h"
#include "store/DayNumber.h"

#include <QFile>

namespace {
const QByteArray lineEnd = QByteArrayLiteral("\r\n");
} // namespace

QString LogFile::path()
{
    return Paths::dataFolder() + QStringLiteral("/Tamsel.log");
}

QString LogFile::momentText(const QDateTime &moment)
{
    return DayNumber::displayText(DayNumber::fromDateTime(moment));
}

QByteArray LogFile::entry(const TExceptionInfoStructure &info, const QDateTime &moment)
{
    // "occured" is how the log has always spelt it; readers of old logs and
    // tools that search them rely on the line staying the same.
    const QString lines[] = {
        QString(20, QLatin1Char('*')) + QStringLiteral(" LOG INFO ") + QString(22, QLatin1Char('*')),
        QString(),
        momentText(moment),
        QString(),
        QStringLiteral("The following error occured in Tamsel v. ") + QStringLiteral(TAMSEL_VERSION)
            + QLatin1Char(':'),
        QString(),
        QStringLiteral("Unit Name:\t") + info.UnitName,
        QStringLiteral("Method Name:\t") + info.MethodName,
        QStringLiteral("Error Message:\t") + info.ErrorMessage,
        QString(52, QLatin1Char('*')),
        QString(),
    };
    QByteArray result;
    for (const QString &line : lines)
        result += line.toUtf8() + lineEnd;
    return result;
}

bool LogFile::appendEntry(QIODevice &device, const TExceptionInfoStructure &info, const QDateTime &moment)
{
    const QByteArray bytes = entry(info, moment);
    if (device.write(bytes) != bytes.size())
        return false;
    if (auto *file = qobject_cast<QFileDevice *>(&device))
        return file->flush();
    return true;
}

bool LogFile::append(const TExceptionInfoStructure &info, const QDateTime &moment)
{
    QFile file(path());
    // Unbuffered, so a failing write shows at once and the size before the
    // entry is what the file is cut back to.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                   QFile::ReadOwner | QFile::WriteOwner))
        return false;
    const qint64 sizeBefore = file.size();
    if (!appendEntry(file, info, moment)) {
        file.resize(sizeBefore);
        return false;
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}
