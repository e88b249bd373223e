#include "updates/VersionCheck.h"

#include "diagnostics/Exception.h"

#include <QStringList>
#include <array>

namespace {
using TVersionNumbers = std::array<qint64, 4>;

// The first three numbers end at the first three points; the fourth is the rest.
TVersionNumbers numbersOf(const QString &version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    TVersionNumbers numbers {};
    bool readable = parts.size() == 4;
    for (int i = 0; readable && i < 4; ++i) {
        const QString &part = parts.at(i);
        // Digits only: toLongLong would also take a sign or blanks.
        readable = !part.isEmpty() && part.size() <= 9
            && std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (readable)
            numbers[i] = part.toLongLong();
    }
    if (!readable)
        throw ETamselError(QStringLiteral("'%1' is not a valid version number.").arg(version));
    return numbers;
}
} // namespace

QString VersionCheck::ProgramVersion() { return QStringLiteral(TAMSEL_VERSION); }

bool VersionCheck::IsNewer(const QString &listed, const QString &own)
{
    if (listed == own)
        return false;
    const TVersionNumbers listedNumbers = numbersOf(listed);
    const TVersionNumbers ownNumbers = numbersOf(own);
    for (int i = 0; i < 4; ++i) {
        if (listedNumbers[i] != ownNumbers[i])
            return listedNumbers[i] > ownNumbers[i];
    }
    return true;
}
