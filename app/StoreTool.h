#pragma once

#include <QStringList>

// The command-line tool for backing up and recovering the entry store:
// "decrypt FILE", "encrypt FILE", "check FILE" and "rekey FILE". Returns the
// exit status.
int RunStoreTool(const QStringList &arguments);

namespace StoreToolExit {
inline constexpr int Success = 0;
// The store could not be opened with the passphrase (wrong passphrase or
// damaged file), or the input to encrypt is not an entry document.
inline constexpr int NotOpened = 1;
// Wrong arguments, or no passphrase to be had.
inline constexpr int Usage = 2;
// A file or standard input/output could not be read or written.
inline constexpr int InputOutput = 3;
// The store opens with the passphrase, but it is damaged: its integrity check
// does not match what it holds.
inline constexpr int Damaged = 4;
} // namespace StoreToolExit
