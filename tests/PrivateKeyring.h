#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

// A Secret Service of the test's own: a D-Bus session bus on a private
// address and gnome-keyring-daemon on it, its login keyring unlocked with a
// known password and kept in the fixture's folder. Start points this process
// at that bus; both daemons stop when the fixture goes.
class TPrivateKeyring {
public:
    ~TPrivateKeyring()
    {
        for (QProcess *daemon : {&m_keyring, &m_bus}) {
            daemon->terminate();
            if (!daemon->waitForFinished(5000))
                daemon->kill();
            daemon->waitForFinished(5000);
        }
    }

    // Empty when the service runs, otherwise why not.
    QString Start()
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        const QString run = m_dir.path() + QStringLiteral("/run");
        QDir().mkpath(run);
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_dir.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path() + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.path() + QStringLiteral("/cache"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);

        m_bus.setProcessEnvironment(environment);
        m_bus.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                QStringLiteral("--address=unix:path=") + run + QStringLiteral("/bus")});
        if (!m_bus.waitForStarted(10000))
            return QStringLiteral("dbus-daemon does not start: ") + m_bus.errorString();
        if (!QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 10000))
            return QStringLiteral("dbus-daemon gave no address");
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();

        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_keyring.setProcessEnvironment(environment);
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
        if (!m_keyring.waitForStarted(10000))
            return QStringLiteral("gnome-keyring-daemon does not start: ") + m_keyring.errorString();
        m_keyring.write("keyring password of the test");
        m_keyring.closeWriteChannel();

        QDBusConnection probe = QDBusConnection::connectToBus(m_address, QStringLiteral("private keyring probe"));
        const bool answering = QTest::qWaitFor(
            [&] { return probe.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")).value(); },
            10000);
        QDBusConnection::disconnectFromBus(QStringLiteral("private keyring probe"));
        if (!answering)
            return QStringLiteral("gnome-keyring-daemon did not offer the Secret Service: ")
                + QString::fromLocal8Bit(m_keyring.readAllStandardError());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        return {};
    }

    // Where the keyring keeps its files: the desktop keeps them in the home.
    QString Folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_address;
};
