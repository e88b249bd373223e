#pragma once

#include <QString>

// Comparing a listed version with the program's own; no user interface.
namespace VersionCheck {

// The version compiled into the program: four decimal numbers separated by points.
QString ProgramVersion();

// True when `listed` is newer than `own`. Identical texts are never newer.
// Otherwise both are read as major, minor, release and build and compared in
// that order; texts that differ only in form (leading zeros) count as newer,
// so an unusual listing still offers the download. Throws ETamselError when
// either text does not give four numbers.
bool IsNewer(const QString &listed, const QString &own);

} // namespace VersionCheck
