#include "settings/ui/HSLColorPicker.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>
#include <utility>

namespace {
constexpr int barWidth = 18;
constexpr int gap = 8;
constexpr int maxHue = 359;
constexpr int maxLevel = 255;

int scaled(int offset, int extent, int maximum)
{
    if (extent <= 1)
        return 0;
    return std::clamp((offset * maximum + (extent - 1) / 2) / (extent - 1), 0, maximum);
}

int position(int value, int extent, int maximum)
{
    return maximum == 0 ? 0 : (value * (extent - 1) + maximum / 2) / maximum;
}
} // namespace

THSLColorPicker::THSLColorPicker(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void THSLColorPicker::SetSelectedColor(const QColor &color)
{
    const QColor hsl = color.toHsl();
    // Greys have no hue: the marker keeps its column.
    if (hsl.hslHue() >= 0)
        m_hue = hsl.hslHue();
    m_saturation = hsl.hslSaturation();
    m_luminance = hsl.lightness();
    const bool changed = color.rgb() != m_color.rgb();
    m_color = QColor(color.rgb());
    update();
    if (changed)
        emit Change();
}

void THSLColorPicker::setHsl(int hue, int saturation, int luminance)
{
    if (hue == m_hue && saturation == m_saturation && luminance == m_luminance)
        return;
    m_hue = hue;
    m_saturation = saturation;
    m_luminance = luminance;
    m_color = QColor::fromHsl(m_hue, m_saturation, m_luminance).toRgb();
    update();
    emit Change();
}

QString THSLColorPicker::FormatHint(const QString &format) const
{
    QString hint = format;
    // Longer placeholders first: "%hslS" and "%hex" begin like "%h".
    hint.replace(QStringLiteral("%hslS"), QString::number(m_saturation));
    hint.replace(QStringLiteral("%hex"), m_color.name().mid(1).toUpper());
    hint.replace(QStringLiteral("%h"), QString::number(m_hue));
    hint.replace(QStringLiteral("%l"), QString::number(m_luminance));
    hint.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return hint;
}

QRect THSLColorPicker::planeRect() const
{
    return QRect(0, 0, std::max(1, width() - barWidth - gap), height());
}

QRect THSLColorPicker::barRect() const
{
    return QRect(width() - barWidth, 0, barWidth, height());
}

void THSLColorPicker::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_plane = QImage();
}

void THSLColorPicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect plane = planeRect();
    const QRect bar = barRect();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(plane.size()) * ratio).toSize();
    if (m_plane.size() != pixels) {
        // The plane is drawn at the middle luminance, where every hue shows.
        m_plane = QImage(pixels, QImage::Format_RGB32);
        for (int y = 0; y < pixels.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(m_plane.scanLine(y));
            const int saturation = maxLevel - scaled(y, pixels.height(), maxLevel);
            for (int x = 0; x < pixels.width(); ++x)
                line[x] = QColor::fromHsl(scaled(x, pixels.width(), maxHue), saturation, 128).rgb();
        }
        m_plane.setDevicePixelRatio(ratio);
    }
    painter.drawImage(plane.topLeft(), m_plane);

    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(0.5, QColor::fromHsl(m_hue, m_saturation, 128));
    gradient.setColorAt(1, Qt::black);
    painter.fillRect(bar, gradient);

    // The markers: a cross in the plane, a notch pair on the bar.
    const QPoint cross(plane.left() + position(m_hue, plane.width(), maxHue),
        plane.top() + position(maxLevel - m_saturation, plane.height(), maxLevel));
    const int barY = bar.top() + position(maxLevel - m_luminance, bar.height(), maxLevel);
    for (const auto &[pen, width] : { std::pair { QColor(Qt::white), 3 }, std::pair { QColor(Qt::black), 1 } }) {
        painter.setPen(QPen(pen, width));
        painter.drawLine(cross + QPoint(-6, 0), cross + QPoint(-2, 0));
        painter.drawLine(cross + QPoint(2, 0), cross + QPoint(6, 0));
        painter.drawLine(cross + QPoint(0, -6), cross + QPoint(0, -2));
        painter.drawLine(cross + QPoint(0, 2), cross + QPoint(0, 6));
        painter.drawLine(bar.left(), barY, bar.right(), barY);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = plane.adjusted(0, 0, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void THSLColorPicker::pickAt(const QPoint &point, bool inPlane)
{
    if (inPlane) {
        const QRect plane = planeRect();
        setHsl(scaled(point.x() - plane.left(), plane.width(), maxHue),
            maxLevel - scaled(point.y() - plane.top(), plane.height(), maxLevel), m_luminance);
    } else {
        const QRect bar = barRect();
        setHsl(m_hue, m_saturation, maxLevel - scaled(point.y() - bar.top(), bar.height(), maxLevel));
    }
}

void THSLColorPicker::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragInPlane = event->position().toPoint().x() < barRect().left() - gap / 2;
    pickAt(event->position().toPoint(), m_dragInPlane);
}

void THSLColorPicker::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        pickAt(event->position().toPoint(), m_dragInPlane);
}

void THSLColorPicker::keyPressEvent(QKeyEvent *event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    int hue = m_hue;
    int saturation = m_saturation;
    int luminance = m_luminance;
    switch (event->key()) {
    case Qt::Key_Left: hue = std::max(0, hue - step); break;
    case Qt::Key_Right: hue = std::min(maxHue, hue + step); break;
    case Qt::Key_Up: saturation = std::min(maxLevel, saturation + step); break;
    case Qt::Key_Down: saturation = std::max(0, saturation - step); break;
    case Qt::Key_PageUp: luminance = std::min(maxLevel, luminance + step); break;
    case Qt::Key_PageDown: luminance = std::max(0, luminance - step); break;
    default: return QWidget::keyPressEvent(event);
    }
    setHsl(hue, saturation, luminance);
}

bool THSLColorPicker::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const bool inPlane = help->pos().x() < barRect().left() - gap / 2;
        QToolTip::showText(help->globalPos(), FormatHint(inPlane ? HSPickerHintFormat : LPickerHintFormat), this,
            inPlane ? planeRect() : barRect());
        return true;
    }
    return QWidget::event(event);
}
