#include "AddressScope.h"

namespace fragdeck::servers
{
namespace
{

struct V4Range {
    quint32 net;
    int bits;
    AddressScope scope;
};

// Checked in order: the first match wins.
constexpr V4Range kV4Ranges[] = {
    {0x00000000, 32, AddressScope::Unspecified},   {0xffffffff, 32, AddressScope::Broadcast},
    {0x00000000, 8, AddressScope::Reserved},       {0x7f000000, 8, AddressScope::Loopback},
    {0x0a000000, 8, AddressScope::Private},        {0xac100000, 12, AddressScope::Private},
    {0xc0a80000, 16, AddressScope::Private},       {0xa9fe0000, 16, AddressScope::LinkLocal},
    {0x64400000, 10, AddressScope::SharedCgnat},   {0xc0000200, 24, AddressScope::Documentation},
    {0xc6336400, 24, AddressScope::Documentation}, {0xcb007100, 24, AddressScope::Documentation},
    {0xc0000000, 24, AddressScope::Reserved},      {0xc6120000, 15, AddressScope::Reserved},
    {0xe0000000, 4, AddressScope::Multicast},      {0xf0000000, 4, AddressScope::Reserved},
};

AddressScope v4Scope(quint32 a)
{
    for (const V4Range& r : kV4Ranges) {
        const quint32 mask = r.bits == 0 ? 0 : ~quint32(0) << (32 - r.bits);
        if ((a & mask) == r.net)
            return r.scope;
    }
    return AddressScope::Global;
}

AddressScope v6Scope(const Q_IPV6ADDR& a)
{
    bool zeroTo14 = true;
    for (int i = 0; i < 15; ++i)
        zeroTo14 = zeroTo14 && a[i] == 0;
    if (zeroTo14)
        return a[15] == 0   ? AddressScope::Unspecified
               : a[15] == 1 ? AddressScope::Loopback
                            : AddressScope::Reserved;
    if (a[0] == 0xff)
        return AddressScope::Multicast;
    if ((a[0] & 0xfe) == 0xfc)
        return AddressScope::Private; // unique local
    if (a[0] == 0xfe && (a[1] & 0xc0) == 0x80)
        return AddressScope::LinkLocal;
    if (a[0] == 0x20 && a[1] == 0x01 && a[2] == 0x0d && a[3] == 0xb8)
        return AddressScope::Documentation;
    // Global unicast is 2000::/3; the rest is unassigned or special.
    if ((a[0] & 0xe0) != 0x20)
        return AddressScope::Reserved;
    return AddressScope::Global;
}

} // namespace

AddressScope addressScope(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4); // also true for ::ffff:a.b.c.d
    if (isV4)
        return v4Scope(v4);
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return v6Scope(address.toIPv6Address());
    return AddressScope::Unspecified;
}

QString scopeName(AddressScope scope)
{
    switch (scope) {
    case AddressScope::Global:
        return QStringLiteral("global");
    case AddressScope::Loopback:
        return QStringLiteral("loopback");
    case AddressScope::Private:
        return QStringLiteral("private");
    case AddressScope::LinkLocal:
        return QStringLiteral("link-local");
    case AddressScope::SharedCgnat:
        return QStringLiteral("carrier-grade NAT");
    case AddressScope::Multicast:
        return QStringLiteral("multicast");
    case AddressScope::Broadcast:
        return QStringLiteral("broadcast");
    case AddressScope::Reserved:
        return QStringLiteral("reserved");
    case AddressScope::Unspecified:
        return QStringLiteral("unspecified");
    case AddressScope::Documentation:
        return QStringLiteral("documentation");
    }
    return {};
}

bool masterMayList(AddressScope master, AddressScope server)
{
    if (server == AddressScope::Global)
        return true;
    return server == master &&
           (master == AddressScope::Loopback || master == AddressScope::Private);
}

bool queryable(AddressScope scope)
{
    return scope != AddressScope::Multicast && scope != AddressScope::Broadcast &&
           scope != AddressScope::Unspecified;
}

} // namespace fragdeck::servers
