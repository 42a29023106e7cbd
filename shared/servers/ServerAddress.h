#pragma once
// One game server's UDP address, as masters list it and as the poller queries it.
#include <QHash>
#include <QHostAddress>
#include <QString>

namespace fragdeck::servers
{

struct ServerAddress {
    QHostAddress host;
    quint16 port = 0;

    bool isNull() const { return host.isNull() || port == 0; }
    // The one form a server is known by: an IPv4-mapped IPv6 address (::ffff:a.b.c.d) as
    // plain IPv4, so that a server never has two keys.
    ServerAddress normalised() const;
    // "1.2.3.4:27960" or "[2001:db8::1]:27960".
    QString toString() const;
    friend bool operator==(const ServerAddress& a, const ServerAddress& b)
    {
        return a.port == b.port && a.host == b.host;
    }
    friend bool operator!=(const ServerAddress& a, const ServerAddress& b) { return !(a == b); }
};

inline size_t qHash(const ServerAddress& a, size_t seed = 0)
{
    return qHashMulti(seed, a.host, a.port);
}

} // namespace fragdeck::servers
