#pragma once
// The desktop's notification service (org.freedesktop.Notifications on the session bus):
// a notice with a button, and the button pressed. Nothing here blocks: the calls go out
// asynchronously, and without a bus or a service available() is false and notify() does
// nothing, so a caller falls back on its own way of telling.
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class QDBusPendingCallWatcher;

namespace fragdeck
{

class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    // On the session bus of DBUS_SESSION_BUS_ADDRESS.
    explicit DesktopNotifications(QObject* parent = nullptr);
    ~DesktopNotifications() override;

    // A session bus, and a service owning the notifications name on it.
    bool available() const;
    // Sends a notice from "Fragdeck" with one action (`actionKey`, shown as `actionLabel`;
    // none when empty). `summary` is plain text; `body` is escaped for services that read
    // markup in it. `tag` comes back with the action. False when no service is there.
    bool notify(const QString& summary, const QString& body, const QString& actionKey,
                const QString& actionLabel, const QVariant& tag = QVariant());

Q_SIGNALS:
    void actionInvoked(const QVariant& tag, const QString& actionKey);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& actionKey);

private:
    bool m_markup = true; // until the service says otherwise
    QHash<uint, QVariant> m_tags;
};

} // namespace fragdeck
