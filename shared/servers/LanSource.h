#pragma once
// Servers on the local networks: "getinfo <nonce>" broadcast to ports 27960-27963 of every
// IPv4 network this machine is on; each server answering with that nonce is reported once.
#include "game/ServerAddress.h"
#include "servers/StatusReply.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUdpSocket>

namespace fragdeck::servers
{

class LanSource : public QObject
{
    Q_OBJECT
public:
    explicit LanSource(QObject* parent = nullptr);

    // The broadcast address of every IPv4 network that is up (loopback left out).
    static QList<QHostAddress> broadcastAddresses();
    // Where the requests go; by default broadcastAddresses() and 27960-27963.
    void setTargets(const QList<QHostAddress>& hosts, const QList<quint16>& ports);

    void start(int listenMs = 1000);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    QList<ServerAddress> servers() const { return m_found; }

Q_SIGNALS:
    void serverFound(const fragdeck::ServerAddress& server,
                     const fragdeck::servers::ServerInfo& info);
    void finished();

private:
    void onReadyRead();

    QUdpSocket m_socket;
    QTimer m_timer;
    QByteArray m_nonce;
    QList<QHostAddress> m_hosts;
    QList<quint16> m_ports;
    bool m_targetsSet = false;
    QList<ServerAddress> m_found;
    QSet<ServerAddress> m_seen;
};

} // namespace fragdeck::servers
