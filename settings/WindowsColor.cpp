#include "settings/WindowsColor.h"

QColor ColorFromWindows(int value)
{
    const auto bits = quint32(value);
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

int WindowsFromColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}
