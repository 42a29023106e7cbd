#pragma once
// The server list's sockets: one unconnected UDP socket per address family, bound to any
// local port, with room in the kernel for the replies of a whole refresh, and broadcasts
// refused by the system.
#include <QUdpSocket>
#include <memory>

namespace fragdeck::servers
{

// A bound socket for IPv6 (or IPv4) with a receive buffer of `receiveBytes`; null when
// the system cannot give one.
std::unique_ptr<QUdpSocket> bindDatagramSocket(bool v6, int receiveBytes);

} // namespace fragdeck::servers
