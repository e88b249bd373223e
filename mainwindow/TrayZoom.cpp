#include "mainwindow/TrayZoom.h"

#include <QPropertyAnimation>
#include <QRubberBand>

namespace {
// Milliseconds the outline takes from one rectangle to the other.
constexpr int zoomDuration = 200;
} // namespace

void TrayZoom::Play(const QRect &from, const QRect &to)
{
    if (from.isEmpty() || to.isEmpty())
        return;
    auto *outline = new QRubberBand(QRubberBand::Rectangle);
    outline->setAttribute(Qt::WA_DeleteOnClose);
    outline->setAttribute(Qt::WA_TransparentForMouseEvents);
    outline->setGeometry(from);
    outline->show();
    auto *zoom = new QPropertyAnimation(outline, "geometry", outline);
    zoom->setDuration(zoomDuration);
    zoom->setStartValue(from);
    zoom->setEndValue(to);
    QObject::connect(zoom, &QPropertyAnimation::finished, outline, &QWidget::close);
    zoom->start();
}
