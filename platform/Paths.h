#pragma once

#include <QString>

// Folders the program keeps its files in.
namespace Paths {

// Per-user data folder (default storage folder and log), created on demand,
// without a trailing separator.
QString dataFolder();

// Per-user configuration folder holding the registry file, created on demand.
QString configFolder();

// The folder of the running executable, with a trailing separator.
QString programFolder();

// Where the user's own files go by default: the documents folder, or home
// where there is none.
QString documentsFolder();

// The folder with exactly one trailing '/'.
QString withTrailingDelimiter(const QString &folder);

} // namespace Paths
