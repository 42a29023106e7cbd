#include "DatagramSocket.h"

#include <QVariant>
#include <sys/socket.h>

namespace fragdeck::servers
{

std::unique_ptr<QUdpSocket> bindDatagramSocket(bool v6, int receiveBytes)
{
    auto s = std::make_unique<QUdpSocket>();
    if (!s->bind(v6 ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4, 0))
        return nullptr;
    s->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(receiveBytes));
    // Qt allows broadcasts on every UDP socket. These sockets only ever ask single servers, so
    // the system refuses a broadcast address that slipped through.
    const int off = 0;
    if (::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &off, sizeof off) != 0)
        return nullptr;
    return s;
}

DatagramSockets::DatagramSockets(int receiveBytes, std::function<void(QUdpSocket*)> onReadyRead)
    : m_receiveBytes(receiveBytes), m_onReadyRead(std::move(onReadyRead))
{
}

QUdpSocket* DatagramSockets::forFamily(bool v6)
{
    std::unique_ptr<QUdpSocket>& s = v6 ? m_v6 : m_v4;
    if (!s) {
        s = bindDatagramSocket(v6, m_receiveBytes);
        if (!s)
            return nullptr;
        QUdpSocket* raw = s.get();
        QObject::connect(raw, &QUdpSocket::readyRead, raw, [this, raw] { m_onReadyRead(raw); });
    }
    return s.get();
}

} // namespace fragdeck::servers
