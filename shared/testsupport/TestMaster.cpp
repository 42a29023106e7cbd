#include "TestMaster.h"

#include <QNetworkDatagram>
#include <algorithm>

namespace fragdeck::test
{
namespace
{

const QByteArray kPrefix("\xff\xff\xff\xff", 4);

QByteArray record(const TestMaster::Listed& s)
{
    QByteArray r;
    if (s.host.protocol() == QAbstractSocket::IPv6Protocol) {
        r += '/';
        const Q_IPV6ADDR a = s.host.toIPv6Address();
        r += QByteArray(reinterpret_cast<const char*>(a.c), 16);
    } else {
        r += '\\';
        const quint32 v = s.host.toIPv4Address();
        r += char(v >> 24);
        r += char(v >> 16);
        r += char(v >> 8);
        r += char(v);
    }
    r += char(s.port >> 8);
    r += char(s.port & 0xff);
    return r;
}

// The value of `key` in an info string, "" when absent.
QByteArray infoValue(const QByteArray& info, const QByteArray& key)
{
    const QList<QByteArray> parts = info.split('\\');
    for (qsizetype i = 1; i + 1 < parts.size(); i += 2)
        if (parts[i].compare(key, Qt::CaseInsensitive) == 0)
            return parts[i + 1];
    return {};
}

} // namespace

TestMaster::TestMaster(QObject* parent, const QHostAddress& bindTo) : QObject(parent)
{
    m_socket.bind(bindTo, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &TestMaster::onReadyRead);
    connect(&m_drip, &QTimer::timeout, this, [this] {
        if (m_dripQueue.isEmpty()) {
            m_drip.stop();
            return;
        }
        m_socket.writeDatagram(m_dripQueue.takeFirst(), m_dripTo, m_dripPort);
        ++datagramsSent;
    });
}

void TestMaster::addServer(const QHostAddress& host, quint16 port, int protocol)
{
    m_servers.append({host, port, protocol});
}

QList<QByteArray> TestMaster::listReply(const QByteArray& request) const
{
    if (!request.startsWith(kPrefix))
        return {};
    const QList<QByteArray> words = request.mid(4).trimmed().split(' ');
    bool extended = false;
    int protocolAt = 1;
    if (words.value(0) == "getserversExt") {
        extended = true;
        protocolAt = 2;
    } else if (words.value(0) != "getservers") {
        return {};
    }
    const int protocol = words.value(protocolAt).toInt();
    const bool onlyV4 = extended && words.contains("ipv4") && !words.contains("ipv6");
    const bool onlyV6 = extended && words.contains("ipv6") && !words.contains("ipv4");
    const QByteArray header = kPrefix + (extended ? "getserversExtResponse" : "getserversResponse");
    QList<QByteArray> out;
    QByteArray current = header;
    for (const Listed& s : m_servers) {
        const bool v6 = s.host.protocol() == QAbstractSocket::IPv6Protocol;
        if (s.protocol != protocol || (v6 && (!extended || onlyV4)) || (!v6 && onlyV6))
            continue;
        const QByteArray r = record(s);
        if (current.size() + r.size() > maxDatagramSize && current.size() > header.size()) {
            out.append(current);
            current = header;
        }
        current += r;
    }
    const QByteArray eot("\\EOT\0\0\0", 7);
    if (current.size() + eot.size() > maxDatagramSize && current.size() > header.size()) {
        out.append(current);
        current = header;
    }
    out.append(current + eot);
    return out;
}

void TestMaster::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket.receiveDatagram();
        const QByteArray data = d.data();
        const QHostAddress from = d.senderAddress();
        const quint16 fromPort = quint16(d.senderPort());
        received.append(data);
        if (data.startsWith(kPrefix + "heartbeat ")) {
            heartbeats.append(data);
            const QByteArray challenge = QByteArray::number(quint32(m_random()), 16);
            m_pending.append({from, fromPort, challenge});
            m_socket.writeDatagram(kPrefix + "getinfo " + challenge, from, fromPort);
            continue;
        }
        if (data.startsWith(kPrefix + "infoResponse")) {
            const qsizetype start = data.indexOf('\\');
            const QByteArray info = start < 0 ? QByteArray() : data.mid(start).trimmed();
            const QByteArray challenge = infoValue(info, "challenge");
            for (qsizetype i = 0; i < m_pending.size(); ++i) {
                const Pending& p = m_pending[i];
                if (p.host != from || p.port != fromPort || p.challenge != challenge)
                    continue;
                m_pending.removeAt(i);
                bool known = false;
                for (const Listed& s : m_servers)
                    known = known || (s.host == from && s.port == fromPort);
                if (!known) {
                    addServer(from, fromPort, infoValue(info, "protocol").toInt());
                    Q_EMIT serverRegistered(from, fromPort);
                }
                break;
            }
            continue;
        }
        QList<QByteArray> reply = forge ? forge(data) : listReply(data);
        if (reply.isEmpty() || silent)
            continue;
        ++listRequests;
        if (dropLastDatagram)
            reply.removeLast();
        if (dripMs > 0) {
            m_dripQueue = reply;
            m_dripTo = from;
            m_dripPort = fromPort;
            m_drip.start(dripMs);
            continue;
        }
        if (shuffleDatagrams)
            std::shuffle(reply.begin(), reply.end(), m_random);
        for (const QByteArray& r : reply) {
            m_socket.writeDatagram(r, from, fromPort);
            ++datagramsSent;
        }
    }
}

} // namespace fragdeck::test
