#pragma once
// Watching servers for friends and free seats, pure: which names are friends, when a server
// has a seat, and what changed between two looks at the same servers. No sockets here.
#include "game/ServerAddress.h"
#include "servers/StatusReply.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace fragdeck::servers
{

// A friend is a name pattern: colour codes and case ignored, "*" any run of characters
// ("*Sarge*"); without a "*" the whole name must match.
class FriendList
{
public:
    FriendList() = default;
    explicit FriendList(const QStringList& patterns);
    bool isEmpty() const { return m_patterns.isEmpty(); }
    const QStringList& patterns() const { return m_patterns; }
    // The first pattern that `name` (as the server sends it) matches; empty for none.
    QString match(const QString& name) const;

private:
    QStringList m_patterns;
    QList<QRegularExpression> m_expressions;
};

// Players that take a seat: the people when the server says how many (g_humanplayers),
// else everyone listed. A seat is free while they are fewer than sv_maxclients less
// sv_privateClients.
int seatsTaken(const ServerInfo& info);
int publicSeats(const ServerInfo& info);
bool hasFreeSeat(const ServerInfo& info);

struct WatchEvent {
    enum Kind { FriendOnline, FriendOffline, SeatFree } kind = FriendOnline;
    ServerAddress address;
    QString server; // its name, colour codes kept
    QString map;
    QString friendName; // as the server reports it, colour codes kept
    int clients = 0;
    int max = 0;
};

// "friend-online", "friend-offline", "seat-free".
QString eventName(WatchEvent::Kind kind);
// How a notice tells of it: "Sarge is playing", "Sarge left", "A seat is free"; the body
// the server's name (colour codes out), its map and players/max.
QString noticeSummary(const WatchEvent& event);
QString noticeBody(const WatchEvent& event);
// Whether the notice offers to join (not for a friend who left).
inline bool noticeJoins(const WatchEvent& event)
{
    return event.kind != WatchEvent::FriendOffline;
}

// What is known of each watched server between looks. A friend is announced once per
// server until they leave it; a server that does not answer changes nothing.
class WatchState
{
public:
    // The events one answer brings.
    QList<WatchEvent> update(const ServerAddress& server, const ServerInfo& info,
                             const FriendList& friends);
    // Servers where a friend was last seen.
    QList<ServerAddress> serversWithFriends() const;
    // The friends seen on `server` now (names as reported).
    QStringList friendsOn(const ServerAddress& server) const;

private:
    struct Known {
        QStringList friends; // names as reported
        bool full = false;
        bool seen = false;
    };
    QHash<ServerAddress, Known> m_servers;
};

} // namespace fragdeck::servers
