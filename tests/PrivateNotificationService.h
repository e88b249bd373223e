#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

// A notification service of the test's own, on a D-Bus bus of its own: the
// service records every Notify and CloseNotification call and sends
// ActionInvoked when the test clicks a notification. The program's side
// reaches it through Client(), a connection of its own to the same bus.
class TPrivateNotificationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct TNotify {
        QString appName;
        uint replacesId = 0;
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<TNotify> notified;
    QList<uint> closed;
    QStringList capabilities { QStringLiteral("body"), QStringLiteral("actions") };
    // When set, Notify answers with this error; `refused` counts the calls.
    QString refusal;
    int refused = 0;

    ~TPrivateNotificationService() override
    {
        QDBusConnection::disconnectFromBus(clientName);
        QDBusConnection::disconnectFromBus(serviceName);
        m_bus.terminate();
        if (!m_bus.waitForFinished(5000))
            m_bus.kill();
        m_bus.waitForFinished(5000);
    }

    // Empty when the bus runs, otherwise why not. With `offered` false the
    // bus runs without the notification service.
    QString Start(bool offered = true)
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        // No service folders: nothing on the machine is started for a name.
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return QStringLiteral("no bus configuration: ") + config.errorString();
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                     "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig>"
                     "<type>session</type><listen>unix:path="
            + m_dir.filePath(QStringLiteral("bus")).toUtf8()
            + "</listen><policy context=\"default\"><allow send_destination=\"*\"/><allow own=\"*\"/><allow receive_sender=\"*\"/>"
              "</policy></busconfig>");
        config.close();
        m_bus.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1") });
        if (!m_bus.waitForStarted(10000))
            return QStringLiteral("dbus-daemon does not start: ") + m_bus.errorString();
        if (!QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 10000))
            return QStringLiteral("dbus-daemon gave no address");
        const QString address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QDBusConnection service = QDBusConnection::connectToBus(address, serviceName);
        if (!QDBusConnection::connectToBus(address, clientName).isConnected() || !service.isConnected())
            return QStringLiteral("no connection to the private bus");
        if (!offered)
            return {};
        if (!service.registerObject(path, this, QDBusConnection::ExportAllSlots)
            || !service.registerService(QStringLiteral("org.freedesktop.Notifications")))
            return QStringLiteral("the notification service could not be registered: ")
                + service.lastError().message();
        return {};
    }

    // The connection the program's side uses.
    static QDBusConnection Client() { return QDBusConnection(clientName); }

    // The user clicks the notification with this number.
    void Click(uint id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        QDBusConnection(serviceName).send(signal);
    }

    // Returns once everything sent on the connection before has reached the
    // bus and every answer the bus itself gave has been handled.
    static void Settle(const QDBusConnection &bus)
    {
        if (bus.isConnected())
            bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }

public slots:
    QStringList GetCapabilities() { return capabilities; }

    uint Notify(const QString &appName, uint replacesId, const QString &, const QString &summary,
        const QString &body, const QStringList &actions, const QVariantMap &, int)
    {
        if (!refusal.isEmpty()) {
            ++refused;
            sendErrorReply(QDBusError::Failed, refusal);
            return 0;
        }
        notified.append({ appName, replacesId, summary, body, actions });
        return replacesId != 0 ? replacesId : uint(notified.size()) + 40;
    }

    void CloseNotification(uint id) { closed.append(id); }

private:
    static constexpr const char *clientName = "tamsel notification client";
    static constexpr const char *serviceName = "tamsel notification service";
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    QTemporaryDir m_dir;
    QProcess m_bus;
};
