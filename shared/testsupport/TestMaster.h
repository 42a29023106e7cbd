#pragma once
// A master server of the tests' own on 127.0.0.1. It lists the servers a test gives it
// (any bytes, 0.0.0.0 and port 0 included) over several datagrams, the way masters do:
// records packed up to maxDatagramSize, the last datagram ending in "\EOT\0\0\0", every
// other one ending with a whole record and no separator after it. Game servers that send
// it a heartbeat are asked "getinfo <challenge>" and listed once they answer with it.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <random>

namespace fragdeck::test
{

class TestMaster : public QObject
{
    Q_OBJECT
public:
    // Bound to 127.0.0.1 (or ::1); port() is 0 when that fails.
    explicit TestMaster(QObject* parent = nullptr,
                        const QHostAddress& bindTo = QHostAddress(QHostAddress::LocalHost));
    quint16 port() const { return m_socket.localPort(); }

    struct Listed {
        QHostAddress host;
        quint16 port = 0;
        int protocol = 68;
    };
    void addServer(const QHostAddress& host, quint16 port, int protocol = 68);
    void clearServers() { m_servers.clear(); }
    const QList<Listed>& servers() const { return m_servers; }

    int maxDatagramSize = 1400;
    bool shuffleDatagrams = false; // send the datagrams in no fixed order
    bool dropLastDatagram = false; // the one with "\EOT" never leaves
    bool silent = false;           // answers no list request at all
    // A list sent one datagram every dripMs (0: all at once), the end mark left off.
    int dripMs = 0;
    // Replaces the list a request gets (a flood, forged records); empty: the usual one.
    std::function<QList<QByteArray>(const QByteArray& request)> forge;

    QList<QByteArray> received; // every datagram, in order
    int listRequests = 0;
    int datagramsSent = 0;
    QList<QByteArray> heartbeats;

    // The datagrams that answer `request` (empty for anything but a list request).
    QList<QByteArray> listReply(const QByteArray& request) const;

Q_SIGNALS:
    void serverRegistered(const QHostAddress& host, quint16 port);

private:
    void onReadyRead();

    QUdpSocket m_socket;
    QList<Listed> m_servers;
    struct Pending {
        QHostAddress host;
        quint16 port;
        QByteArray challenge;
    };
    QList<Pending> m_pending;
    QTimer m_drip;
    QList<QByteArray> m_dripQueue;
    QHostAddress m_dripTo;
    quint16 m_dripPort = 0;
    std::mt19937 m_random{7};
};

} // namespace fragdeck::test
