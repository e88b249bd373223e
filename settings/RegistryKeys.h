#pragma once

#include <QString>

// The two registry keys of the program.
namespace RegistryKeys {

// Holds only the stored passphrase.
inline QString program()
{
    return QStringLiteral("\\Software\\Kestrine\\Tamsel");
}

// Holds every setting, and the geometry the reminder and quick-add windows keep themselves.
inline QString settings()
{
    return QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings");
}

} // namespace RegistryKeys
