#pragma once

#include <QString>

// Starting the program when a user logs on: an XDG autostart entry
// "Tamsel.desktop" in the system's autostart folder, which every user's
// session reads. The entry starts the program with the argument "-0", so it
// comes up in the tray.
namespace StartupShortcut {

// The system autostart folder: the first folder of XDG_CONFIG_DIRS (default
// /etc/xdg) followed by "/autostart". Tests point XDG_CONFIG_DIRS elsewhere.
QString folder();
// The entry's full path in folder().
QString filePath();

// The desktop entry that starts programPath with "-0" in the program's folder.
QByteArray entryText(const QString &programPath);

// Writes the entry (atomically, readable by every user), replacing one that
// exists; the folder is created when missing. Raises ETamselError naming the
// file and the reason when it cannot.
void create(const QString &programPath);
// Removes the entry; a missing entry is no failure. Raises ETamselError when
// an existing entry cannot be removed.
void remove();
// Whether this process may change the entry: the autostart folder, or the
// nearest folder above it that exists, is writable.
bool mayChange();

} // namespace StartupShortcut
