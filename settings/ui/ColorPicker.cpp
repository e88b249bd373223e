#include "settings/ui/ColorPicker.h"

#include "diagnostics/MessageDlg.h"
#include "settings/ui/HSLColorPicker.h"
#include "updates/HelpWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
ColorPickerSeam::TDriver &queuedDriver()
{
    static ColorPickerSeam::TDriver driver;
    return driver;
}
} // namespace

void ColorPickerSeam::setNextDriver(TDriver driver) { queuedDriver() = std::move(driver); }

bool ColorPickerSeam::hasPendingDriver() { return bool(queuedDriver()); }

TColorSwatch::TColorSwatch(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setMinimumSize(48, 24);
}

void TColorSwatch::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TColorSwatch::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(contentsRect(), m_color);
    painter.end();
    QFrame::paintEvent(event);
}

TfrmColorPicker::TfrmColorPicker(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmColorPicker"));
    setFont(QFont(QStringLiteral("Verdana"), 8));

    hsColor = new THSLColorPicker(this);
    hsColor->setObjectName(QStringLiteral("hsColor"));
    hsColor->setFixedSize(280, 170);

    lblCurrent = new QLabel(QStringLiteral("Current:"), this);
    shpCurrent = new TColorSwatch(this);
    shpCurrent->setObjectName(QStringLiteral("shpCurrent"));
    shpCurrent->setToolTip(QStringLiteral("Displays the currently selected task color."));
    lblSelected = new QLabel(QStringLiteral("Selected:"), this);
    shpSelected = new TColorSwatch(this);
    shpSelected->setObjectName(QStringLiteral("shpSelected"));
    shpSelected->setToolTip(QStringLiteral("Shows the selected color."));
    for (TColorSwatch *swatch : { shpCurrent, shpSelected })
        swatch->setFixedSize(64, 40);

    auto *swatches = new QVBoxLayout;
    swatches->addWidget(lblCurrent);
    swatches->addWidget(shpCurrent);
    swatches->addSpacing(10);
    swatches->addWidget(lblSelected);
    swatches->addWidget(shpSelected);
    swatches->addStretch();

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Help = new QPushButton(QStringLiteral("&Help"), this);
    Help->setObjectName(QStringLiteral("Help"));
    Help->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(Help);

    auto *grid = new QGridLayout(this);
    grid->addWidget(hsColor, 0, 0);
    grid->addLayout(swatches, 0, 1);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(hsColor, &THSLColorPicker::Change, this, &TfrmColorPicker::HSLColorPicker1Change);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Help, &QPushButton::clicked, this, &TfrmColorPicker::HelpClick);
    hsColor->setFocus();
}

void TfrmColorPicker::SetCurrentColor(const QColor &color)
{
    shpCurrent->setColor(color);
    hsColor->SetSelectedColor(color);
    shpSelected->setColor(color);
}

QColor TfrmColorPicker::SelectedColor() const { return hsColor->SelectedColor(); }

int TfrmColorPicker::Execute()
{
    if (ColorPickerSeam::TDriver driver = std::exchange(queuedDriver(), {})) {
        setResult(driver(*this));
        return result();
    }
    return exec();
}

void TfrmColorPicker::HSLColorPicker1Change() { shpSelected->setColor(hsColor->SelectedColor()); }

void TfrmColorPicker::HelpClick() { TfrmHelp::ShowTopic(TfrmHelp::optionsTopic); }
