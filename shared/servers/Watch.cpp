#include "Watch.h"

#include "game/GameText.h"

namespace fragdeck::servers
{

FriendList::FriendList(const QStringList& patterns)
{
    for (const QString& p : patterns) {
        const QString plain = withoutColourCodes(p).trimmed();
        if (plain.isEmpty() || m_patterns.contains(plain, Qt::CaseInsensitive))
            continue;
        QStringList parts = plain.split(u'*');
        for (QString& part : parts)
            part = QRegularExpression::escape(part);
        m_patterns.append(plain);
        m_expressions.append(QRegularExpression(
            QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption));
    }
}

QString FriendList::match(const QString& name) const
{
    const QString plain = withoutColourCodes(name).trimmed();
    for (qsizetype i = 0; i < m_expressions.size(); ++i)
        if (m_expressions[i].match(plain).hasMatch())
            return m_patterns[i];
    return QString();
}

int seatsTaken(const ServerInfo& info)
{
    return info.humanPlayers >= 0 ? info.humanPlayers : info.playerCount();
}

int publicSeats(const ServerInfo& info)
{
    const int privateSeats = std::max(0, info.value("sv_privateClients").toInt());
    return std::max(0, info.maxClients - privateSeats);
}

bool hasFreeSeat(const ServerInfo& info)
{
    return info.maxClients > 0 && seatsTaken(info) < publicSeats(info);
}

QString eventName(WatchEvent::Kind kind)
{
    switch (kind) {
    case WatchEvent::FriendOnline:
        return QStringLiteral("friend-online");
    case WatchEvent::FriendOffline:
        return QStringLiteral("friend-offline");
    case WatchEvent::SeatFree:
        return QStringLiteral("seat-free");
    }
    return {};
}

QString noticeSummary(const WatchEvent& e)
{
    const QString name = withoutColourCodes(e.friendName);
    switch (e.kind) {
    case WatchEvent::FriendOnline:
        return QStringLiteral("%1 is playing").arg(name);
    case WatchEvent::FriendOffline:
        return QStringLiteral("%1 left").arg(name);
    case WatchEvent::SeatFree:
        return QStringLiteral("A seat is free");
    }
    return {};
}

QString noticeBody(const WatchEvent& e)
{
    return QStringLiteral("%1\n%2, %3/%4")
        .arg(withoutColourCodes(e.server), e.map)
        .arg(e.clients)
        .arg(e.max);
}

QList<WatchEvent> WatchState::update(const ServerAddress& server, const ServerInfo& info,
                                     const FriendList& friends)
{
    QList<WatchEvent> events;
    Known& k = m_servers[server];
    const auto event = [&](WatchEvent::Kind kind, const QString& name) {
        WatchEvent e;
        e.kind = kind;
        e.address = server;
        e.server = info.hostname;
        e.map = info.mapname;
        e.friendName = name;
        e.clients = seatsTaken(info);
        e.max = publicSeats(info);
        events.append(e);
    };
    QStringList now;
    for (const PlayerInfo& p : info.players)
        if (!friends.match(p.name).isEmpty() && !now.contains(p.name))
            now.append(p.name);
    // A rename is one leaving and one coming: the names are what the player sees.
    for (const QString& name : k.friends)
        if (!now.contains(name))
            event(WatchEvent::FriendOffline, name);
    for (const QString& name : now)
        if (!k.friends.contains(name))
            event(WatchEvent::FriendOnline, name);
    const bool full = !hasFreeSeat(info);
    if (k.seen && k.full && !full)
        event(WatchEvent::SeatFree, QString());
    k.friends = now;
    k.full = full;
    k.seen = true;
    return events;
}

QList<ServerAddress> WatchState::serversWithFriends() const
{
    QList<ServerAddress> out;
    for (auto it = m_servers.constBegin(); it != m_servers.constEnd(); ++it)
        if (!it->friends.isEmpty())
            out.append(it.key());
    return out;
}

QStringList WatchState::friendsOn(const ServerAddress& server) const
{
    return m_servers.value(server).friends;
}

} // namespace fragdeck::servers
