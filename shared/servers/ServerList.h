#pragma once
// The internet server list: the masters' lists merged into one poller, each server queried
// as soon as a master names it. A refresh asks the masters again and queries every row,
// old and new; it never empties the list first.
#include "servers/MasterClient.h"
#include "servers/ServerPoller.h"

#include <QObject>

namespace fragdeck::servers
{

class ServerList : public QObject
{
    Q_OBJECT
public:
    explicit ServerList(QObject* parent = nullptr);

    void setMasters(const QList<MasterServer>& masters) { m_masters = masters; }
    void setProtocol(int protocol) { m_protocol = protocol; }
    void setResolver(Resolver resolver) { m_masterClient.setResolver(std::move(resolver)); }
    // Masters, protocol and poller settings from the store.
    void loadSettings();

    void refresh();
    void stop();
    bool isRunning() const { return m_running; }

    ServerPoller& poller() { return m_poller; }
    MasterClient& masterClient() { return m_masterClient; }
    const MasterClient& masterClient() const { return m_masterClient; }

Q_SIGNALS:
    void finished(); // masters done and every server answered or out of attempts

private:
    QList<MasterServer> m_masters;
    int m_protocol = 68;
    bool m_running = false;
    MasterClient m_masterClient;
    ServerPoller m_poller;
};

} // namespace fragdeck::servers
