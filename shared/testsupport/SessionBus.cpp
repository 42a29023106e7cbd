#include "SessionBus.h"

#include <QStandardPaths>

namespace fragdeck::test
{

SessionBus::SessionBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        return;
    m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000))
        return;
    m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLatin1());
}

SessionBus::~SessionBus()
{
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(3000))
        m_daemon.kill();
    m_daemon.waitForFinished(3000);
}

NotificationService::NotificationService(const QString& address, QObject* parent)
    : QObject(parent),
      m_connection(QDBusConnection::connectToBus(address, QStringLiteral("notification-service")))
{
    m_registered = m_connection.isConnected() &&
                   m_connection.registerObject(
                       QStringLiteral("/org/freedesktop/Notifications"), this,
                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
                   m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

NotificationService::~NotificationService()
{
    m_connection.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("notification-service"));
}

uint NotificationService::Notify(const QString& appName, uint, const QString& appIcon,
                                 const QString& summary, const QString& body,
                                 const QStringList& actions, const QVariantMap& hints, int)
{
    Notice n{appName, appIcon, summary, body, actions, hints, uint(notices.size() + 1)};
    notices.append(n);
    Q_EMIT noticed();
    return n.id;
}

QStringList NotificationService::GetCapabilities()
{
    return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
}

} // namespace fragdeck::test
