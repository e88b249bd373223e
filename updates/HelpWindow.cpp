#include "updates/HelpWindow.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "updates/UpdateCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

// The manual is compiled into this library; a static library's resources are
// registered only when something refers to them.
static void registerManual() { Q_INIT_RESOURCE(help); }

namespace {
QPointer<TfrmHelp> &openWindow()
{
    static QPointer<TfrmHelp> window;
    return window;
}

// The registry values of the window's place, in the settings key.
const char *const placeNames[] = { "HelpLeft", "HelpTop", "HelpWidth", "HelpHeight" };

void logHelp(const char *method, const QString &message)
{
    LogError({ QStringLiteral("Help"), QLatin1String(method), message });
}
} // namespace

QUrl TfrmHelp::ContentsUrl() { return QUrl(QStringLiteral("qrc:/help/contents.html")); }

QUrl TfrmHelp::TopicUrl(int context)
{
    switch (context) {
    case mainWindowTopic:
        return QUrl(QStringLiteral("qrc:/help/mainwindow.html"));
    case optionsTopic:
        return QUrl(QStringLiteral("qrc:/help/options.html"));
    default:
        return ContentsUrl();
    }
}

TfrmHelp *TfrmHelp::Current() { return openWindow(); }

TfrmHelp *TfrmHelp::ShowTopic(int context)
{
    QPointer<TfrmHelp> &window = openWindow();
    if (!window)
        window = new TfrmHelp;
    // Asked from a modal dialog (the options, for example), the help must be
    // modal too, or that dialog would block it; otherwise it stays beside
    // the program's windows.
    QWidget *modal = QApplication::activeModalWidget();
    const Qt::WindowModality modality = modal && modal != window ? Qt::ApplicationModal : Qt::NonModal;
    if (window->windowModality() != modality) {
        window->hide();
        window->setWindowModality(modality);
    }
    window->txtHelp->setSource(TopicUrl(context));
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
    return window;
}

TfrmHelp::TfrmHelp()
{
    registerManual();
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tamsel Help"));

    const auto button = [this](const char *name, const QString &text, QStyle::StandardPixmap icon) {
        auto *made = new QToolButton(this);
        made->setObjectName(QLatin1String(name));
        made->setText(text);
        made->setIcon(style()->standardIcon(icon));
        made->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        made->setAutoRaise(true);
        return made;
    };
    btnContents = button("btnContents", QStringLiteral("&Contents"), QStyle::SP_DirHomeIcon);
    btnBack = button("btnBack", QStringLiteral("&Back"), QStyle::SP_ArrowBack);
    btnForward = button("btnForward", QStringLiteral("&Forward"), QStyle::SP_ArrowForward);
    btnBack->setEnabled(false);
    btnForward->setEnabled(false);

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    // Links are followed here: pages of the manual in this window, web
    // addresses in the user's browser.
    txtHelp->setOpenLinks(false);
    connect(txtHelp, &QTextBrowser::anchorClicked, this, &TfrmHelp::OpenLink);
    connect(txtHelp, &QTextBrowser::backwardAvailable, btnBack, &QWidget::setEnabled);
    connect(txtHelp, &QTextBrowser::forwardAvailable, btnForward, &QWidget::setEnabled);
    connect(txtHelp, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = txtHelp->documentTitle();
        setWindowTitle(
            title.isEmpty() ? QStringLiteral("Tamsel Help") : QStringLiteral("Tamsel Help - ") + title);
    });
    connect(btnContents, &QToolButton::clicked, this, [this] { txtHelp->setSource(ContentsUrl()); });
    connect(btnBack, &QToolButton::clicked, txtHelp, &QTextBrowser::backward);
    connect(btnForward, &QToolButton::clicked, txtHelp, &QTextBrowser::forward);
    auto *closing = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closing, &QShortcut::activated, this, &QWidget::close);
    auto *back = new QShortcut(QKeySequence::Back, this);
    connect(back, &QShortcut::activated, txtHelp, &QTextBrowser::backward);
    auto *forward = new QShortcut(QKeySequence::Forward, this);
    connect(forward, &QShortcut::activated, txtHelp, &QTextBrowser::forward);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnContents);
    buttons->addWidget(btnBack);
    buttons->addWidget(btnForward);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(txtHelp);

    RestorePlace();
    // A help window still open when the program ends keeps its place too.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QWidget::close);
}

void TfrmHelp::OpenLink(const QUrl &url)
{
    const QUrl target = txtHelp->source().resolved(url);
    if (target.scheme() == QLatin1String("qrc"))
        txtHelp->setSource(target);
    else
        UpdateCheck::LaunchWebsite(target.toString());
}

void TfrmHelp::RestorePlace()
{
    resize(640, 560);
    if (const QScreen *shown = screen())
        move(shown->availableGeometry().center() - rect().center());
    try {
        TRegistry registry;
        if (!registry.OpenKey(RegistryKeys::settings(), false))
            return;
        int place[4];
        for (int i = 0; i < 4; ++i) {
            if (!registry.ValueExists(QLatin1String(placeNames[i])))
                return;
            place[i] = registry.ReadInteger(QLatin1String(placeNames[i]));
        }
        const QRect stored(place[0], place[1], place[2], place[3]);
        // A place off every screen (a monitor since removed) is not taken.
        if (stored.width() > 0 && stored.height() > 0 && screen()
            && screen()->virtualGeometry().intersects(stored))
            setGeometry(stored);
    } catch (const ETamselError &error) {
        logHelp("RestorePlace", error.message());
    }
}

void TfrmHelp::StorePlace()
{
    try {
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        const QRect place = geometry();
        const int values[] = { place.left(), place.top(), place.width(), place.height() };
        for (int i = 0; i < 4; ++i)
            registry.WriteInteger(QLatin1String(placeNames[i]), values[i]);
    } catch (const ETamselError &error) {
        logHelp("StorePlace", error.message());
    }
}

void TfrmHelp::closeEvent(QCloseEvent *event)
{
    StorePlace();
    QWidget::closeEvent(event);
}
