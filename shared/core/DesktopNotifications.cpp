#include "DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace fragdeck
{
namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kKeptTags = 256; // notices whose button may still be pressed

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    auto* w = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                     QStringLiteral("GetCapabilities"))),
        this);
    connect(w, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QStringList> reply = *call;
        if (!reply.isError())
            m_markup = reply.value().contains(QStringLiteral("body-markup"));
        call->deleteLater();
    });
}

DesktopNotifications::~DesktopNotifications() = default;

bool DesktopNotifications::available() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(kService).value();
}

bool DesktopNotifications::notify(const QString& summary, const QString& body,
                                  const QString& actionKey, const QString& actionLabel,
                                  const QVariant& tag)
{
    if (!available())
        return false;
    QDBusMessage m =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions =
        actionKey.isEmpty() ? QStringList() : QStringList{actionKey, actionLabel};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("io.github.fragdeck.Fragdeck"));
    // Server names are anyone's text: never markup.
    m << QStringLiteral("Fragdeck") << uint(0) << QStringLiteral("io.github.fragdeck.Fragdeck")
      << summary << (m_markup ? body.toHtmlEscaped() : body) << actions << hints << int(-1);
    auto* w = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m), this);
    connect(w, &QDBusPendingCallWatcher::finished, this,
            [this, tag](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> reply = *call;
                if (!reply.isError()) {
                    if (m_tags.size() >= kKeptTags)
                        m_tags.erase(m_tags.begin());
                    m_tags.insert(reply.value(), tag);
                }
                call->deleteLater();
            });
    return true;
}

void DesktopNotifications::onActionInvoked(uint id, const QString& actionKey)
{
    const auto it = m_tags.constFind(id);
    if (it != m_tags.constEnd())
        Q_EMIT actionInvoked(*it, actionKey);
}

} // namespace fragdeck
