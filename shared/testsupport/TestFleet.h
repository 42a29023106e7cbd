#pragma once
// A fleet of game server stand-ins, one socket each on 127.0.0.2, 127.0.0.3, ... (all of
// 127/8 is loopback on Linux; nothing to set up). Each answers "getstatus <nonce>" and
// "getinfo <nonce>" as ioquake3 does, echoing the nonce as "challenge", after its own
// latency; requests may be lost at a given rate, servers may be silent, and each server
// limits every client address as ioquake3 does (a burst of 10, then one a second).
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <memory>
#include <queue>
#include <random>
#include <vector>

namespace fragdeck::test
{

class TestFleet : public QObject
{
    Q_OBJECT
public:
    struct Server {
        QHostAddress host;
        quint16 port = 0;
        int latencyMs = 0; // added before every reply
        bool silent = false;
        QByteArray hostname;
        QByteArray map = "q3dm17";
        int protocol = 68;
        int maxClients = 16;
        int bots = 0;               // players with ping 0, listed first
        int humans = 0;             // players with a ping
        bool sendHumanCount = true; // g_humanplayers
        int gametype = 0;
        QByteArray gamename = "baseq3";
        bool needPass = false;        // g_needpass
        QList<QByteArray> humanNames; // names of the humans; "Player N" for those not named
        QByteArray extraInfo;         // more info pairs, e.g. "\\sv_allowDownload\\1"
        int received = 0;             // datagrams of any kind
        int answered = 0;
        int rateLimited = 0; // requests refused by the limit
        int lost = 0;
        QByteArray lastRequest;
    };

    explicit TestFleet(QObject* parent = nullptr);
    ~TestFleet() override;

    // `count` servers on consecutive addresses from `first` (127.0.0.2 by default), each on
    // port `port` (0: one the system picks). False when a socket cannot be bound.
    bool start(int count, quint32 first = 0x7f000002, quint16 port = 0);
    int size() const { return int(m_servers.size()); }
    Server& server(int i) { return m_servers[size_t(i)]; }
    const Server& server(int i) const { return m_servers[size_t(i)]; }
    int indexOf(const QHostAddress& host, quint16 port) const;

    double lossRate = 0; // share of requests dropped unseen
    bool rateLimit = true;
    quint32 seed = 1;
    // Called first for every datagram; true means it was handled (nothing else happens).
    std::function<bool(int server, const QByteArray& request, const QHostAddress& from,
                       quint16 fromPort)>
        intercept;

    // Sends a datagram from server i's socket.
    void sendFrom(int server, const QByteArray& datagram, const QHostAddress& to, quint16 port);
    // The replies ioquake3 would give, `nonce` echoed (no challenge key when empty).
    QByteArray statusReply(int server, const QByteArray& nonce) const;
    QByteArray infoReply(int server, const QByteArray& nonce) const;
    // Total requests (any datagram) server i received from one client address.
    int requestsFrom(int server, const QHostAddress& client) const;

private:
    struct Bucket {
        quint32 client = 0;
        int burst = 0;
        qint64 lastMs = 0;
        int total = 0;
    };
    struct Due {
        qint64 ns;
        int server;
        QByteArray data;
        QHostAddress to;
        quint16 port;
        bool operator>(const Due& o) const { return ns > o.ns; }
    };
    void onReadyRead(int server);
    bool limited(int server, const QHostAddress& from);
    void sendDue();
    qint64 nowNs() const;

    std::vector<Server> m_servers;
    std::vector<std::unique_ptr<QUdpSocket>> m_sockets;
    std::vector<std::vector<Bucket>> m_buckets;
    std::priority_queue<Due, std::vector<Due>, std::greater<Due>> m_due;
    QTimer m_timer;
    std::mt19937 m_random;
    qint64 m_epochNs = 0;
};

} // namespace fragdeck::test
