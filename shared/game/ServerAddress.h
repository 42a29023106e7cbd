#pragma once
// A game server's address, and the one reading of "host:port" text every caller builds on:
// the command line's addresses, the masters, the browser's keys and its typed address.
#include <QHash>
#include <QHostAddress>
#include <QString>
#include <QStringView>

namespace fragdeck
{

constexpr quint16 kDefaultGamePort = 27960;

// One game server's UDP address, as masters list it and as the poller queries it.
struct ServerAddress {
    QHostAddress host;
    quint16 port = 0;

    bool isNull() const { return host.isNull() || port == 0; }
    // The one form a server is known by: an IPv4-mapped IPv6 address (::ffff:a.b.c.d) as
    // plain IPv4, so that a server never has two keys.
    ServerAddress normalised() const;
    // "1.2.3.4:27960" or "[2001:db8::1]:27960".
    QString toString() const;
    // A numeric address, normalised: "1.2.3.4", "1.2.3.4:27960", "[::1]:27960", a bare
    // IPv6 address; no port or an empty one gives `defaultPort`. A null address for a host
    // name, a port outside 1..65535, a scoped IPv6 address or any other text.
    static ServerAddress fromText(QStringView text, quint16 defaultPort = kDefaultGamePort);

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

// Which colon separates the port when the text is not in brackets.
enum class PortColon {
    OnlyOne, // a single colon; with more the text is a bare IPv6 address
    First,   // the first colon, whatever follows (the browser's typed address)
};
// Whether "[host]" is read as brackets around the host.
enum class Brackets {
    Read,
    Plain, // a key of a host name: a bracket is only a character
};

// "host", "host:port", "[host]" or "[host]:port" cut apart, nothing checked or converted.
struct HostPortText {
    QString host;
    QString port;           // the text after the separating colon
    bool hasPort = false;   // a colon separates a port, maybe an empty one
    bool bracketed = false; // the host came in brackets
    // Text after "]" that is not ":port", or a "[" without a host and "]" after it; the
    // text is then cut by the colon rule alone.
    bool stray = false;
};
HostPortText splitHostPort(QStringView text, PortColon colon = PortColon::OnlyOne,
                           Brackets brackets = Brackets::Read);

// "1" to "65535"; false for anything else.
bool readPort(QStringView text, quint16* port);

// The strict reading of an address to look up: "host", "host:port", "[v6]", "[v6]:port" or
// a bare IPv6 address, with a port of 1..65535 when one is given (`defaultPort` when not)
// and a host that is not empty and holds no blank. False for anything else; `host` and
// `port` are only set on success.
bool readHostPort(QStringView text, quint16 defaultPort, QString* host, quint16* port);

} // namespace fragdeck
