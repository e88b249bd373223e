#pragma once

#include <QSystemTrayIcon>
#include <optional>

// Whether the desktop offers a notification area (tray) at this moment. Many
// desktops have none (GNOME without an extension), and one may appear after
// the program has started; the program asks again each time it needs to know.
// Header only: the core libraries link no Widgets, and only windows ask.
namespace TrayHost {

// Set by tests to stand for a desktop with or without a tray.
inline std::optional<bool> fakedAvailability;

inline bool available()
{
    return fakedAvailability ? *fakedAvailability : QSystemTrayIcon::isSystemTrayAvailable();
}

// Fakes the answer until reset() is called.
inline void fake(bool availableNow) { fakedAvailability = availableNow; }
inline void reset() { fakedAvailability.reset(); }

} // namespace TrayHost
