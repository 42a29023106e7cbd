#include "ServerAddress.h"

namespace fragdeck
{

ServerAddress ServerAddress::normalised() const
{
    bool ok = false;
    const quint32 v4 = host.toIPv4Address(&ok);
    if (ok && host.protocol() == QAbstractSocket::IPv6Protocol)
        return {QHostAddress(v4), port};
    return *this;
}

QString ServerAddress::toString() const
{
    if (host.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(host.toString()).arg(port);
    return QStringLiteral("%1:%2").arg(host.toString()).arg(port);
}

ServerAddress ServerAddress::fromText(QStringView text, quint16 defaultPort)
{
    const HostPortText p = splitHostPort(text);
    quint16 port = defaultPort;
    if (p.stray || p.host.isEmpty() || (!p.port.isEmpty() && !readPort(p.port, &port)))
        return {};
    QHostAddress numeric;
    if (!numeric.setAddress(p.host) || !numeric.scopeId().isEmpty())
        return {};
    return ServerAddress{numeric, port}.normalised();
}

HostPortText splitHostPort(QStringView text, PortColon colon, Brackets brackets)
{
    HostPortText p;
    if (brackets == Brackets::Read && text.startsWith(u'[')) {
        // An IPv6 address with a port comes in brackets, as the game writes it: "[::1]:27960".
        const qsizetype close = text.indexOf(u']');
        if (close >= 2) {
            p.bracketed = true;
            p.host = text.mid(1, close - 1).toString();
            const QStringView rest = text.mid(close + 1);
            if (rest.startsWith(u':')) {
                p.hasPort = true;
                p.port = rest.mid(1).toString();
            } else {
                p.stray = !rest.isEmpty();
            }
            return p;
        }
        p.stray = true;
    }
    const qsizetype at =
        colon == PortColon::First || text.count(u':') == 1 ? text.indexOf(u':') : -1;
    if (at < 0) {
        p.host = text.toString(); // a host name, a dotted address or a bare IPv6 address
        return p;
    }
    p.host = text.left(at).toString();
    p.port = text.mid(at + 1).toString();
    p.hasPort = true;
    return p;
}

bool readPort(QStringView text, quint16* port)
{
    bool ok = false;
    const int p = text.toInt(&ok);
    if (!ok || p < 1 || p > 65535)
        return false;
    *port = quint16(p);
    return true;
}

bool readHostPort(QStringView text, quint16 defaultPort, QString* host, quint16* port)
{
    const HostPortText p = splitHostPort(text);
    quint16 n = defaultPort;
    if (p.stray || (p.hasPort && !readPort(p.port, &n)) || p.host.isEmpty() ||
        p.host.contains(u' '))
        return false;
    *host = p.host;
    *port = n;
    return true;
}

} // namespace fragdeck
