#pragma once

#include <QColor>
#include <QDialog>
#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;
class THSLColorPicker;

// A colour swatch: a framed rectangle filled with one colour.
class TColorSwatch : public QFrame {
    Q_OBJECT

public:
    explicit TColorSwatch(QWidget *parent = nullptr);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::black;
};

// Picks one task colour: the colour in use beside the one being chosen.
class TfrmColorPicker : public QDialog {
    Q_OBJECT

public:
    explicit TfrmColorPicker(QWidget *parent = nullptr);

    // Shows the colour in use and starts the choice from it.
    void SetCurrentColor(const QColor &color);
    QColor SelectedColor() const;

    // Shows the dialog modally; the dialog's result (Accepted or Rejected).
    int Execute();

    void HSLColorPicker1Change();
    void HelpClick();

    THSLColorPicker *hsColor = nullptr;
    QLabel *lblCurrent = nullptr;
    TColorSwatch *shpCurrent = nullptr;
    QLabel *lblSelected = nullptr;
    TColorSwatch *shpSelected = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *Help = nullptr;
};

// Test seam: while a driver is queued, Execute runs it on the dialog in place
// of showing it modally; the driver picks as the user would and returns the
// dialog's result.
namespace ColorPickerSeam {
using TDriver = std::function<int(TfrmColorPicker &)>;
void setNextDriver(TDriver driver);
bool hasPendingDriver();
} // namespace ColorPickerSeam
