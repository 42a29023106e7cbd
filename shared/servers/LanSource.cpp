#include "LanSource.h"

#include <QNetworkInterface>
#include <QRandomGenerator>

namespace fragdeck::servers
{

LanSource::LanSource(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_socket.close();
        Q_EMIT finished();
    });
    connect(&m_socket, &QUdpSocket::readyRead, this, &LanSource::onReadyRead);
}

QList<QHostAddress> LanSource::broadcastAddresses()
{
    QList<QHostAddress> out;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::CanBroadcast) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && !e.broadcast().isNull() &&
                !out.contains(e.broadcast()))
                out.append(e.broadcast());
    }
    return out;
}

void LanSource::setTargets(const QList<QHostAddress>& hosts, const QList<quint16>& ports)
{
    m_hosts = hosts;
    m_ports = ports;
    m_targetsSet = true;
}

void LanSource::start(int listenMs)
{
    stop();
    m_found.clear();
    m_seen.clear();
    m_nonce = QByteArray::number(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 16);
    if (!m_socket.bind(QHostAddress::AnyIPv4, 0)) {
        Q_EMIT finished();
        return;
    }
    const QList<QHostAddress> hosts = m_targetsSet ? m_hosts : broadcastAddresses();
    const QList<quint16> ports =
        m_targetsSet ? m_ports : QList<quint16>{27960, 27961, 27962, 27963};
    const QByteArray request = infoRequest(m_nonce);
    for (const QHostAddress& h : hosts)
        for (quint16 p : ports)
            m_socket.writeDatagram(request, h, p);
    m_timer.start(listenMs);
}

void LanSource::stop()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    m_socket.close();
    Q_EMIT finished();
}

void LanSource::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        QByteArray data(int(qMax<qint64>(m_socket.pendingDatagramSize(), 0)), Qt::Uninitialized);
        QHostAddress host;
        quint16 port = 0;
        const qint64 len = m_socket.readDatagram(data.data(), data.size(), &host, &port);
        if (len < 0)
            break;
        data.truncate(len);
        const auto parsed = parseInfoResponse(data);
        if (!parsed || parsed->challenge != m_nonce)
            continue;
        const ServerAddress a{host, port};
        if (m_seen.contains(a))
            continue;
        m_seen.insert(a);
        m_found.append(a);
        Q_EMIT serverFound(a, parsed->info);
    }
}

} // namespace fragdeck::servers
