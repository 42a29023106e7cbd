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

} // namespace fragdeck::servers
