#pragma once

#include <QRect>

// The zoom between the main window and its tray icon: an outline that travels
// from one rectangle to the other while the window hides or shows. Nothing
// waits for it, and nothing is drawn where either rectangle is unknown.
namespace TrayZoom {

void Play(const QRect &from, const QRect &to);

} // namespace TrayZoom
