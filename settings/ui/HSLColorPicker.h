#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// A hue/saturation plane beside a luminance bar. Hue runs from left (0) to
// right (359) and saturation from top (255) to bottom (0) in the plane; the
// bar runs from white at its top to black at its bottom through the plane's
// colour. Mouse and keys pick: arrows move in the plane, Page Up and Page
// Down change the luminance.
class THSLColorPicker : public QWidget {
    Q_OBJECT

public:
    explicit THSLColorPicker(QWidget *parent = nullptr);

    // The colour shown and edited. Setting it keeps it exactly, also where
    // the hue/saturation/luminance grid has no point for it.
    QColor SelectedColor() const { return m_color; }
    void SetSelectedColor(const QColor &color);

    // Hint formats: "%h" hue, "%hslS" saturation, "%l" luminance (0 to 255),
    // "%hex" the colour as six hexadecimal digits, "\r" a line break.
    QString HSPickerHintFormat = QStringLiteral("H: %h S: %hslS\rHex: %hex");
    QString LPickerHintFormat = QStringLiteral("Luminance: %l");
    // The hint shown over the plane or the bar, placeholders filled in.
    QString FormatHint(const QString &format) const;

    QSize sizeHint() const override { return { 260, 160 }; }
    QSize minimumSizeHint() const override { return { 120, 80 }; }

signals:
    void Change();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRect planeRect() const;
    QRect barRect() const;
    void pickAt(const QPoint &point, bool inPlane);
    void setHsl(int hue, int saturation, int luminance);

    QColor m_color = Qt::black;
    int m_hue = 0;
    int m_saturation = 0;
    int m_luminance = 0;
    // The press started in the plane (true) or on the bar (false).
    bool m_dragInPlane = true;
    QImage m_plane;
};
