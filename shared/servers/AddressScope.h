#pragma once
// Where an address reaches: the one judgement of which servers a master may make this
// machine query. A master's reply is a plain UDP datagram that anyone can forge, so a
// listed address is queried only when it is a server on the internet, or when the master
// itself sits in the same loopback or private network (a LAN game, a test fleet).
#include <QHostAddress>
#include <QString>

namespace fragdeck::servers
{

enum class AddressScope {
    Global,        // global unicast
    Loopback,      // 127/8, ::1
    Private,       // 10/8, 172.16/12, 192.168/16, fc00::/7
    LinkLocal,     // 169.254/16, fe80::/10
    SharedCgnat,   // 100.64/10
    Multicast,     // 224/4, ff00::/8
    Broadcast,     // 255.255.255.255
    Reserved,      // 0/8, 240/4, 192.0.0/24, 198.18/15, IPv6 outside 2000::/3, ...
    Unspecified,   // 0.0.0.0, ::
    Documentation, // 192.0.2/24, 198.51.100/24, 203.0.113/24, 2001:db8::/32
};
constexpr int kAddressScopeCount = int(AddressScope::Documentation) + 1;

// An IPv4-mapped IPv6 address (::ffff:a.b.c.d) is judged as the IPv4 address inside it.
AddressScope addressScope(const QHostAddress& address);
// "loopback", "private", "multicast", ... as status lines show it.
QString scopeName(AddressScope scope);

// Whether a master reached at `master` may have this machine query `server`.
bool masterMayList(AddressScope master, AddressScope server);
// Whether the server list may send a query to this address at all, whoever named it.
// Multicast, broadcast and unspecified addresses never: one datagram would reach many
// hosts or none.
bool queryable(AddressScope scope);

} // namespace fragdeck::servers
