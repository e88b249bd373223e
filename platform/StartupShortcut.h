#pragma once

#include <QString>

// Starting the program when the user logs on: an XDG autostart entry
// "Tamsel.desktop" in the user's own autostart folder, which the user's
// desktop session reads at log-on. The entry starts the program with the
// argument "-0", so it comes up in the tray. The system's autostart folder
// (/etc/xdg/autostart) starts programs for every user and is left alone.
namespace StartupShortcut {

// The user's autostart folder: XDG_CONFIG_HOME (default ~/.config) followed
// by "/autostart". Tests point XDG_CONFIG_HOME elsewhere.
QString folder();
// The entry's full path in folder().
QString filePath();

// The desktop entry that starts programPath with "-0" in the program's folder.
QByteArray entryText(const QString &programPath);

// Writes the entry (atomically), replacing one that exists; the folder is
// created when missing. Raises ETamselError naming the
// file and the reason when it cannot.
void create(const QString &programPath);
// Removes the entry; a missing entry is no failure. Raises ETamselError when
// an existing entry cannot be removed.
void remove();
// Whether this process may change the entry: the autostart folder is a
// writable folder, or, where it does not exist yet, the nearest folder above
// it that exists is. Anything else standing in its place blocks it.
bool mayChange();

} // namespace StartupShortcut
