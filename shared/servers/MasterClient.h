#pragma once
// Asks master servers for their lists and merges them. Each master is resolved through the
// replaceable resolver, asked once over IPv4 (or over IPv6 when it has no IPv4 address),
// and read until its list ends ("\EOT", and a moment for datagrams it overtook) or
// no datagram has come for collectTimeoutMs.
// Servers are reported as they arrive, each once over all masters.
//
// A master's reply is an unauthenticated datagram: a listed server is taken only when its
// address may be queried (masterMayList), and every list is bounded in servers, datagrams
// and time. What was skipped or cut is counted in the master's outcome.
#include "servers/AddressScope.h"
#include "servers/DatagramSocket.h"
#include "servers/MasterProtocol.h"
#include "servers/Resolver.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUdpSocket>
#include <memory>

namespace fragdeck::servers
{

struct MasterServer {
    QString host;
    quint16 port = kDefaultMasterPort;

    // "host", "host:port", "[v6]" or "[v6]:port"; false for anything else.
    static bool parse(const QString& text, MasterServer* out);
    QString toString() const;
};

// Bounds on what the masters of one refresh may make this machine do.
struct MasterLimits {
    int maxServers = 65536;  // servers from all masters together
    int maxDatagrams = 2000; // datagrams taken from one master
    int maxListMs = 10000;   // a list ends this long after its first datagram
};

struct MasterOutcome {
    enum class State { Waiting, Complete, TimedOut, NoReply, CannotResolve, Stopped };
    MasterServer master;
    State state = State::Waiting;
    QHostAddress address; // the one asked
    int datagrams = 0;
    int servers = 0;                      // records it listed (before merging)
    int skipped[kAddressScopeCount] = {}; // records not taken, by the address's scope
    int overServerLimit = 0;              // records past the limit on servers
    bool datagramLimit = false;           // it sent more datagrams than are taken
    bool timeLimit = false;               // its list was still open at the time limit

    int skippedTotal() const;
    // "skipped 3 private, 1 multicast; server limit reached" or empty.
    QString notes(const MasterLimits& limits) const;
};

// "complete", "time-out after part of the list", "no reply", "cannot resolve", ...
QString describe(MasterOutcome::State state);

class MasterClient : public QObject
{
    Q_OBJECT
public:
    explicit MasterClient(QObject* parent = nullptr);
    ~MasterClient() override;

    void setResolver(Resolver resolver) { m_resolver = std::move(resolver); }
    void setCollectTimeoutMs(int ms) { m_collectTimeoutMs = ms; }
    void setLimits(const MasterLimits& limits) { m_limits = limits; }
    const MasterLimits& limits() const { return m_limits; }

    // Starts over: forgets the previous lists and asks every master.
    void query(const QList<MasterServer>& masters, int protocol);
    void stop();
    bool isRunning() const { return m_running; }

    QList<ServerAddress> servers() const { return m_servers; }
    QList<MasterOutcome> outcomes() const { return m_outcomes; }

Q_SIGNALS:
    void serversFound(const QList<ServerAddress>& servers); // not reported before
    void masterFinished(int index);
    void finished();

private:
    void resolved(int index, quint32 generation, const QList<QHostAddress>& addresses);
    void onReadyRead(QUdpSocket* socket);
    void onTick();
    void finishMaster(int index, MasterOutcome::State state);
    void checkFinished();

    Resolver m_resolver;
    int m_collectTimeoutMs = 3000;
    MasterLimits m_limits;
    int m_protocol = 68;
    bool m_running = false;
    quint32 m_generation = 0;
    QList<MasterOutcome> m_outcomes;
    QList<qint64> m_deadlines; // per master, ns on the Clock; 0: not waiting
    QList<qint64> m_listEnds;  // per master: the time limit, from its first datagram; 0: none
    QList<bool> m_ended;       // per master: its end mark came
    QList<ServerAddress> m_servers;
    QSet<ServerAddress> m_seen;
    DatagramSockets m_sockets;
    QTimer m_tick;
};

} // namespace fragdeck::servers
