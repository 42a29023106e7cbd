#include "ServerStatus.h"

#include "core/Activation.h"
#include "core/Variant.h"

namespace fragdeck
{

TypedAddress splitServerAddress(const QString& text)
{
    const HostPortText p = splitHostPort(text, PortColon::First);
    if (!p.hasPort || p.port.isEmpty())
        return {p.bracketed ? p.host : text, kDefaultGamePort};
    return {p.host, leadingInt32(p.port)};
}

bool connectToServer(QObject* engine, const QString& host, int32_t port)
{
    CallByName(engine, QStringLiteral("Connect"),
               QVariantList{host, port, QStringLiteral("QUAKE3"), queryTimeOutMs});
    return !toBool(CallByName(engine, QStringLiteral("IsTimeout")));
}

ServerStatus readServerStatus(QObject* engine)
{
    ServerStatus s;
    s.serverName = toText(CallByName(engine, QStringLiteral("get_servername")));
    s.mapName = toText(CallByName(engine, QStringLiteral("get_mapname")));
    const QString limit = toText(CallByName(engine, QStringLiteral("get_maxclients")));
    const int16_t count = toInt16(CallByName(engine, QStringLiteral("GetclientCount")));
    s.players = QString::number(count) + u'/' + limit;
    for (int16_t i = 0; i < count; ++i) {
        QVariantList args{int(i), QVariant(), QVariant(), QVariant(), QVariant()};
        CallByName(engine, QStringLiteral("getclientinfo"), args);
        s.playerRows.append({toText(args[3]), toText(args[4]), toText(args[2]), toText(args[1])});
    }
    const int16_t rules = toInt16(CallByName(engine, QStringLiteral("GetRulesCount")));
    for (int16_t i = 0; i < rules; ++i) {
        QVariantList args{int(i), QVariant(), QVariant()};
        CallByName(engine, QStringLiteral("getrulesinfo"), args);
        if (toText(args[1]).compare(QLatin1String("challenge"), Qt::CaseInsensitive) != 0)
            s.rules.append({toText(args[1]), toText(args[2])});
    }
    CallByName(engine, QStringLiteral("quit"));
    return s;
}

QString serverTimeOutText()
{
    return QStringLiteral("Server time-out.");
}

} // namespace fragdeck
