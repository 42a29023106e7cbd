#include "UdpTestServer.h"

#include <QNetworkDatagram>
#include <QTimer>

namespace fragdeck::test
{

QByteArray oob(const QByteArray& text)
{
    return QByteArray(4, '\xff') + text;
}

UdpTestServer::UdpTestServer(QObject* parent) : QObject(parent)
{
    m_socket.bind(QHostAddress::LocalHost, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpTestServer::onReadyRead);
}

void UdpTestServer::answer(const QByteArray& prefix, const QList<QByteArray>& replies)
{
    m_answers.append({prefix, replies});
}

void UdpTestServer::sendToLastClient(const QByteArray& datagram)
{
    if (m_lastPort)
        m_socket.writeDatagram(datagram, m_lastHost, m_lastPort);
}

void UdpTestServer::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket.receiveDatagram();
        const QByteArray data = d.data();
        received.append(data);
        m_lastHost = d.senderAddress();
        m_lastPort = quint16(d.senderPort());
        Q_EMIT datagramReceived(data);
        QList<QByteArray> replies;
        if (responder) {
            replies = responder(data);
        } else {
            for (const auto& a : m_answers)
                if (data.startsWith(a.first)) {
                    replies = a.second;
                    break;
                }
        }
        const QHostAddress host = m_lastHost;
        const quint16 port = m_lastPort;
        for (const QByteArray& r : replies) {
            if (replyDelayMs > 0)
                QTimer::singleShot(replyDelayMs, this, [this, r, host, port] {
                    m_socket.writeDatagram(r, host, port);
                });
            else
                m_socket.writeDatagram(r, host, port);
        }
    }
}

} // namespace fragdeck::test
