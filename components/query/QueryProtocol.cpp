#include "QueryProtocol.h"

namespace fragdeck::query
{

Protocol protocolOf(const QString& hostType)
{
    if (hostType == QLatin1String("QUAKE3"))
        return Protocol::Quake3;
    if (hostType == QLatin1String("QUAKE2"))
        return Protocol::Quake2;
    if (hostType == QLatin1String("QUAKEWORLD"))
        return Protocol::QuakeWorld;
    if (hostType == QLatin1String("HALFLIFE"))
        return Protocol::HalfLife;
    if (hostType == QLatin1String("CUSTOM"))
        return Protocol::Custom;
    return Protocol::None;
}

QByteArray requestDatagram(Protocol protocol, int stage, const QString& customRequest)
{
    const QByteArray oob(4, '\xff');
    switch (protocol) {
    case Protocol::Quake3:
        return oob + "getstatus info";
    case Protocol::Quake2:
    case Protocol::QuakeWorld:
        return oob + "status info";
    case Protocol::HalfLife:
        switch (stage) {
        case 0:
            return oob + "info";
        case 1:
            return oob + "rules";
        case 2:
            return oob + "players";
        default:
            return QByteArray();
        }
    case Protocol::Custom:
        // An empty custom request puts nothing on the wire.
        return customRequest.toLatin1();
    case Protocol::None:
        break;
    }
    return QByteArray();
}

} // namespace fragdeck::query
