#include "ServerStatus.h"

#include "core/Activation.h"
#include "core/Variant.h"

namespace fragdeck
{

ServerAddress splitServerAddress(const QString& text)
{
    // An IPv6 address with a port comes in brackets, as the game writes it: "[::1]:27960".
    const qsizetype close = text.startsWith(u'[') ? text.indexOf(u']') : -1;
    if (close > 1) {
        const QString host = text.mid(1, close - 1);
        if (close + 1 >= text.size() - 1 || text.at(close + 1) != u':')
            return {host, defaultGamePort};
        return {host, leadingInt32(text.mid(close + 2))};
    }
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0 || colon == text.size() - 1)
        return {text, defaultGamePort};
    return {text.left(colon), leadingInt32(text.mid(colon + 1))};
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
