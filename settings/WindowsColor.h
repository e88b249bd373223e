#pragma once

#include <QColor>

// Colours are stored in the registry as Windows colour values: red in the low
// byte, then green, then blue. The high byte is not part of the colour.
QColor ColorFromWindows(int value);
int WindowsFromColor(const QColor &color);
