#pragma once

#include <QRect>

class QWidget;

// The bounds a window frame gets so that it lies wholly in the available
// area: no larger than the area, moved in where it reaches past an edge.
// Computed without overflow for any frame the settings may hold.
QRect FitIntoArea(const QRect &frame, const QRect &available);

// Fits a window that is neither maximized nor full screen, frame included,
// into the available area of the screen holding most of it (its own screen
// where it lies on none).
void KeepOnScreen(QWidget &window);

// Fits the window again once it is first on screen: before that, under a
// window manager, its frame is not known yet, and a window fitted without it
// reaches past the screen's edge by the width of the frame.
void KeepOnScreenOnceFramed(QWidget &window);
