#include "updates/Splash.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "updates/UpdateCheck.h"
#include "updates/VersionCheck.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <cmath>

// A static library's resources are registered only when something refers to them.
static void registerPicture() { Q_INIT_RESOURCE(about); }

namespace {
// The picture's size, and the splash's, at 96 pixels per inch.
constexpr QSize pictureSize(429, 288);
constexpr QSize splashSize(428, 288);
constexpr int panelHeight = 41;
const QColor gold(240, 184, 15);

void reportSplash(const char *method, const QString &message)
{
    ReportError({ QStringLiteral("Splash"), QLatin1String(method), message });
}

// The picture drawn at the size shown, sharp on screens that scale pixels.
QPixmap renderPicture(const QSize &size, qreal pixelRatio)
{
    registerPicture();
    QSvgRenderer renderer(QStringLiteral(":/about/about.svg"));
    if (!renderer.isValid())
        throw ETamselError(QStringLiteral("The about picture could not be read."));
    QPixmap picture(size * pixelRatio);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return picture;
}

QLabel *label(QWidget *parent, const char *name, const QRect &bounds, int pixelSize, bool underline,
    const QColor &color, Qt::Alignment alignment)
{
    auto *shown = new QLabel(parent);
    shown->setObjectName(QLatin1String(name));
    shown->setGeometry(bounds);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setUnderline(underline);
    shown->setFont(font);
    QPalette palette = shown->palette();
    palette.setColor(QPalette::WindowText, color);
    shown->setPalette(palette);
    shown->setAlignment(alignment | Qt::AlignVCenter);
    return shown;
}
} // namespace

TfrmSplash::TfrmSplash(TUse use, double scale, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSplash"));
    FormCreate(use, scale);
}

void TfrmSplash::FormCreate(TUse use, double scale)
{
    // The splash is drawn at the screen's scale; the about box as designed.
    const double shownScale = use == TUse::Splash ? scale : 1.0;
    const auto scaled = [shownScale](int x, int y, int width, int height) {
        return QRect(
            int(x * shownScale), int(y * shownScale), int(width * shownScale), int(height * shownScale));
    };
    const auto pixels = [shownScale](int size) { return std::max(1, int(std::lround(size * shownScale))); };

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    const QRect pictureBounds = scaled(0, 0, pictureSize.width(), pictureSize.height());
    Image1->setGeometry(pictureBounds);
    try {
        Image1->setPixmap(renderPicture(pictureBounds.size(), devicePixelRatioF()));
    } catch (const ETamselError &error) {
        reportSplash("FormCreate", error.message());
    }

    const QString version = VersionLabelText();
    lblVersionNumBack = label(
        this, "lblVersionNumBack", scaled(160, 239, 249, 18), pixels(13), false, Qt::black, Qt::AlignRight);
    lblVersionNum
        = label(this, "lblVersionNum", scaled(152, 238, 256, 18), pixels(13), false, gold, Qt::AlignRight);
    lblVersionNumBack->setText(version);
    lblVersionNum->setText(version);
    Label2 = label(this, "Label2", scaled(163, 257, 255, 13), pixels(11), true, Qt::black, Qt::AlignLeft);
    lblWebSite = label(this, "lblWebSite", scaled(162, 256, 256, 13), pixels(11), true, gold, Qt::AlignLeft);
    for (QLabel *site : { Label2, lblWebSite }) {
        site->setText(QLatin1String(webSite));
        site->setCursor(Qt::PointingHandCursor);
        site->installEventFilter(this);
    }

    pnlOk = new QFrame(this);
    pnlOk->setObjectName(QStringLiteral("pnlOk"));
    pnlOk->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlOk->setGeometry(0, pictureSize.height(), pictureSize.width(), panelHeight);
    cmdClose = new QPushButton(QStringLiteral("&Close"), pnlOk);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(336, 8, 75, 25);
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    if (use == TUse::Splash) {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        pnlOk->hide();
        setFixedSize(int(scale * splashSize.width()), int(scale * splashSize.height()));
    } else {
        setWindowTitle(QStringLiteral("About..."));
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setFixedSize(pictureSize.width(), pictureSize.height() + panelHeight);
        cmdClose->setFocus();
    }

    if (const QScreen *shown = screen())
        move(shown->availableGeometry().center() - rect().center());
}

double TfrmSplash::GetFontSize(double pixelsPerInch)
{
    if (!(pixelsPerInch > 0))
        return 1.0;
    const double scale = pixelsPerInch / 96.0;
    return scale > 1.0 ? scale + 0.1 : scale;
}

double TfrmSplash::GetFontSize(const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : nullptr;
    if (!screen) {
        reportSplash("GetFontSize", QStringLiteral("The screen's pixels per inch could not be read."));
        return 1.0;
    }
    return GetFontSize(screen->logicalDotsPerInchX());
}

QString TfrmSplash::VersionLabelText() { return QStringLiteral("version ") + VersionCheck::ProgramVersion(); }

bool TfrmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == lblWebSite || watched == Label2) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        UpdateCheck::LaunchWebsite(lblWebSite->text());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
