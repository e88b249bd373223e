#include "controls/WindowBounds.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {
// Where a span of the given length starts to lie within [areaStart, areaStart
// + areaLength), the length being at most the area's.
int fitStart(qint64 start, qint64 length, qint64 areaStart, qint64 areaLength)
{
    return int(std::clamp(start, areaStart, areaStart + areaLength - length));
}

qint64 overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

QScreen *screenHoldingMostOf(const QWidget &window, const QRect &frame)
{
    QScreen *best = window.screen();
    qint64 bestArea = 0;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (const qint64 area = overlap(frame, screen->availableGeometry()); area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

// Waits for the window's first exposure, when the window manager has put its
// frame around it, and fits it then.
class TFitOnceFramed : public QObject
{
public:
    explicit TFitOnceFramed(QWidget &window) : QObject(&window), m_window(window)
    {
        m_window.windowHandle()->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            KeepOnScreen(m_window);
            deleteLater();
        }
        return false;
    }

private:
    QWidget &m_window;
};
} // namespace

QRect FitIntoArea(const QRect &frame, const QRect &available)
{
    // QRect's width() overflows for a frame spanning more than INT_MAX.
    const qint64 frameWidth = qint64(frame.right()) - frame.left() + 1;
    const qint64 frameHeight = qint64(frame.bottom()) - frame.top() + 1;
    const qint64 width = std::clamp<qint64>(frameWidth, 1, available.width());
    const qint64 height = std::clamp<qint64>(frameHeight, 1, available.height());
    return QRect(fitStart(frame.left(), width, available.left(), available.width()),
        fitStart(frame.top(), height, available.top(), available.height()), int(width), int(height));
}

void KeepOnScreen(QWidget &window)
{
    if (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QRect frame = window.frameGeometry();
    const QRect available = screenHoldingMostOf(window, frame)->availableGeometry();
    const QRect fitted = FitIntoArea(frame, available);
    if (fitted == frame)
        return;
    // The frame keeps its borders; the client area gives way.
    const QSize borders = frame.size() - window.geometry().size();
    window.resize(fitted.size() - borders);
    window.move(fitted.topLeft());
}

void KeepOnScreenOnceFramed(QWidget &window)
{
    window.winId();
    new TFitOnceFramed(window);
}
