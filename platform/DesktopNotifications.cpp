#include "platform/DesktopNotifications.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notification itself invokes.
const QString defaultAction = QStringLiteral("default");

TDesktopNotifications *installed = nullptr;

QDBusMessage call(const QString &method) { return QDBusMessage::createMethodCall(service, path, interface, method); }

// No notification service: no bus, nobody owns the name, or the bus could
// not start one. That is a desktop without notifications, not a fault.
bool noService(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
    case QDBusError::ServiceUnknown:
        return true;
    default:
        return error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."))
            || error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    }
}
} // namespace

TDesktopNotifications &TDesktopNotifications::current()
{
    // Made on first use and owned by the application, so that it goes before
    // the bus does.
    static QPointer<TDesktopNotifications> desktop;
    if (installed)
        return *installed;
    if (!desktop)
        desktop = new TFreedesktopNotifications(QDBusConnection::sessionBus(), QCoreApplication::instance());
    return *desktop;
}

void TDesktopNotifications::setCurrent(TDesktopNotifications *notifications) { installed = notifications; }

TFreedesktopNotifications::TFreedesktopNotifications(const QDBusConnection &bus, QObject *parent)
    : m_bus(bus)
{
    setParent(parent);
    // Without a bus these connect nothing, and nothing is shown either.
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
        SLOT(actionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
        SLOT(notificationClosed(uint, uint)));
}

void TFreedesktopNotifications::show(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    // One call at a time, so that each notification can name the one it
    // replaces; a later one asked for meanwhile takes the waiting one's place.
    m_waiting = TNotice { summary, body };
    sendWaiting();
}

void TFreedesktopNotifications::sendWaiting()
{
    if (m_calling || !m_waiting)
        return;
    m_calling = true;
    // The first notification waits for the service to say how it reads the
    // body.
    if (!m_bodyMarkup) {
        askCapabilities();
        return;
    }
    notify(*std::exchange(m_waiting, std::nullopt));
}

void TFreedesktopNotifications::askCapabilities()
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *answered) {
        answered->deleteLater();
        m_calling = false;
        const QDBusPendingReply<QStringList> reply = *answered;
        if (reply.isError()) {
            // Asked again with the next notification: a service may start later.
            m_waiting.reset();
            refused(reply.error());
            return;
        }
        m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
        sendWaiting();
    });
}

void TFreedesktopNotifications::notify(const TNotice &notice)
{
    QDBusMessage message = call(QStringLiteral("Notify"));
    // The body is plain text: where the service reads markup, characters
    // such as '<' and '&' must not be taken for it.
    message << QStringLiteral("Tamsel") << m_shown << QString() << notice.summary
            << (*m_bodyMarkup ? notice.body.toHtmlEscaped() : notice.body)
            << QStringList { defaultAction, QStringLiteral("Show Reminders") } << QVariantMap() << -1;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, withdrawals = m_withdrawals](QDBusPendingCallWatcher *answered) {
            answered->deleteLater();
            m_calling = false;
            const QDBusPendingReply<uint> reply = *answered;
            if (reply.isError())
                refused(reply.error());
            else if (withdrawals != m_withdrawals)
                close(reply.value());
            else
                m_shown = reply.value();
            sendWaiting();
        });
}

void TFreedesktopNotifications::withdraw()
{
    ++m_withdrawals;
    m_waiting.reset();
    if (m_shown != 0)
        close(std::exchange(m_shown, 0));
}

void TFreedesktopNotifications::close(uint id)
{
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << id;
    // The answer is not awaited: a notification the user or the service has
    // closed already is answered with an error, and there is nothing to do.
    m_bus.asyncCall(message);
}

void TFreedesktopNotifications::refused(const QDBusError &error)
{
    if (!noService(error))
        emit failed(QStringLiteral("The desktop's notification service refused a notification: %1 (%2)")
                        .arg(error.message(), error.name()));
}

void TFreedesktopNotifications::actionInvoked(uint id, const QString &action)
{
    if (id != 0 && id == m_shown && action == defaultAction)
        emit clicked();
}

void TFreedesktopNotifications::notificationClosed(uint id, uint)
{
    if (id == m_shown)
        m_shown = 0;
}
