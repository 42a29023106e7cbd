#pragma once
// The master server protocol, pure: request datagrams and the parsing of list replies.
// No sockets here.
#include "game/ServerAddress.h"

#include <QByteArray>
#include <QList>

namespace fragdeck::servers
{

constexpr quint16 kDefaultMasterPort = 27950;

enum class AddressFamilies { Both, IPv4Only, IPv6Only };

// "getservers <protocol> empty full" for a master reached over IPv4 (id's masters ignore a
// request with any further word); "getserversExt Quake3Arena <protocol> empty full", with
// "ipv4" or "ipv6" when one family is asked for, for a master reached over IPv6.
QByteArray masterRequest(int protocol, bool overIPv6,
                         AddressFamilies families = AddressFamilies::Both);

struct MasterReply {
    bool valid = false;           // a getserversResponse or getserversExtResponse
    bool extended = false;        // getserversExtResponse
    bool endOfList = false;       // the datagram carried "\EOT\0\0\0"
    bool truncated = false;       // bytes that were not a whole record were left over
    QList<ServerAddress> servers; // in datagram order; 0.0.0.0, :: and port 0 left out
};

// Records are cut by length ("\" + 4 + 2 bytes, "/" + 16 + 2 bytes), never by looking for
// the next separator: address and port bytes may themselves be 0x5C or 0x2F. A record
// that ends exactly at the end of the datagram is complete and kept.
MasterReply parseMasterReply(const QByteArray& datagram);

} // namespace fragdeck::servers
