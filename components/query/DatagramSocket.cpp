#include "DatagramSocket.h"

#include <QVariant>

namespace fragdeck::query
{

std::unique_ptr<QUdpSocket> bindDatagramSocket(bool v6, int receiveBytes)
{
    auto s = std::make_unique<QUdpSocket>();
    if (!s->bind(v6 ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4, 0))
        return nullptr;
    s->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(receiveBytes));
    return s;
}

} // namespace fragdeck::query
