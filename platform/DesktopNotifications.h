#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <optional>

class QDBusError;
class QDBusPendingCallWatcher;

// The desktop's notification centre. The program shows one notification at a
// time: each replaces the one shown before. Tests install a stand-in.
class TDesktopNotifications : public QObject {
    Q_OBJECT

public:
    // Shows a notification with a plain-text summary and body in place of
    // the one shown before. Without a notification service nothing happens.
    virtual void show(const QString &summary, const QString &body) = 0;
    // Takes the last notification away, when it is still shown.
    virtual void withdraw() = 0;

    static TDesktopNotifications &current();
    // Installs a notification centre (not owned) until called again; nullptr
    // restores the desktop's.
    static void setCurrent(TDesktopNotifications *notifications);

signals:
    // The user clicked the last notification shown.
    void clicked();
    // A notification service answered with an error (not: there is none).
    void failed(const QString &message);
};

// The freedesktop notification service (org.freedesktop.Notifications) on a
// D-Bus bus, the session bus for the program. Every call is asynchronous, so a
// service that hangs never holds the program up.
class TFreedesktopNotifications : public TDesktopNotifications {
    Q_OBJECT

public:
    explicit TFreedesktopNotifications(const QDBusConnection &bus, QObject *parent = nullptr);

    void show(const QString &summary, const QString &body) override;
    void withdraw() override;

private slots:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    struct TNotice {
        QString summary, body;
    };
    void sendWaiting();
    void askCapabilities();
    void notify(const TNotice &notice);
    void close(uint id);
    void refused(const QDBusError &error);

    QDBusConnection m_bus;
    // Whether the service reads markup in the body; unknown until asked.
    std::optional<bool> m_bodyMarkup;
    // A call to the service awaits its answer.
    bool m_calling = false;
    // The notification to show once the service has answered.
    std::optional<TNotice> m_waiting;
    // The service's number of the notification shown last; 0 for none.
    uint m_shown = 0;
    // Counts the withdrawals: a notification that is answered after one was
    // asked for is closed at once.
    int m_withdrawals = 0;
};
