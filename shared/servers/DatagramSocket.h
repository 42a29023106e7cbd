#pragma once
// The server list's sockets: one unconnected UDP socket per address family, bound to any
// local port, with room in the kernel for the replies of a whole refresh, and broadcasts
// refused by the system.
#include <QUdpSocket>
#include <functional>
#include <memory>

namespace fragdeck::servers
{

// A bound socket for IPv6 (or IPv4) with a receive buffer of `receiveBytes`; null when
// the system cannot give one.
std::unique_ptr<QUdpSocket> bindDatagramSocket(bool v6, int receiveBytes);

// A socket for each address family, bound when first asked for; whatever arrives on one
// is handed to `onReadyRead` with that socket.
class DatagramSockets
{
public:
    DatagramSockets(int receiveBytes, std::function<void(QUdpSocket*)> onReadyRead);
    // Null when the system cannot give one (asked again the next time).
    QUdpSocket* forFamily(bool v6);

private:
    int m_receiveBytes;
    std::function<void(QUdpSocket*)> m_onReadyRead;
    std::unique_ptr<QUdpSocket> m_v4;
    std::unique_ptr<QUdpSocket> m_v6;
};

} // namespace fragdeck::servers
