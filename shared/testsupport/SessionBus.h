#pragma once
// A D-Bus session bus of the test's own (a real dbus-daemon), and on it a notification
// service the test implements: it owns org.freedesktop.Notifications, records every
// Notify and can press a notice's button (ActionInvoked).
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

namespace fragdeck::test
{

// Starts dbus-daemon and points DBUS_SESSION_BUS_ADDRESS at it (before the process's first
// use of the session bus). address() is empty when dbus-daemon is not there.
class SessionBus
{
public:
    SessionBus();
    ~SessionBus();
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

struct Notice {
    QString appName;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    uint id = 0;
};

class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    // On its own connection to the bus at `address`; registered() says whether it owns
    // the name.
    explicit NotificationService(const QString& address, QObject* parent = nullptr);
    ~NotificationService() override;
    bool registered() const { return m_registered; }
    QList<Notice> notices;
    // Presses `action` on the notice `id`, as a person would.
    void invoke(uint id, const QString& action) { Q_EMIT ActionInvoked(id, action); }

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    QStringList GetCapabilities();

Q_SIGNALS:
    void ActionInvoked(uint id, const QString& actionKey);
    void noticed();

private:
    QDBusConnection m_connection;
    bool m_registered = false;
};

} // namespace fragdeck::test
