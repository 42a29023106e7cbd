#pragma once
// Looks at a set of servers every interval and tells what changed: friends coming and
// going, full servers with a seat again. The set is the servers given, the servers the
// masters list (their lists read again every tenth look) and the servers where a friend
// was last seen.
//
// Each look sends one datagram to each server and at most one more when the first gets no
// answer; looks are never closer than kMinWatchIntervalS, so a watched ioquake3 server
// (a burst of 10 requests per client address, then one a second, shared with rcon) is
// never pressed.
#include "servers/MasterClient.h"
#include "servers/ServerPoller.h"
#include "servers/Watch.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace fragdeck::servers
{

constexpr int kMinWatchIntervalS = 10;
constexpr int kDefaultWatchIntervalS = 60;
constexpr int kMasterEveryLooks = 10;

class Watcher : public QObject
{
    Q_OBJECT
public:
    explicit Watcher(QObject* parent = nullptr);
    ~Watcher() override;

    void setServers(const QList<ServerAddress>& servers) { m_given = servers; }
    void setMasters(const QList<MasterServer>& masters, int protocol);
    void setResolver(Resolver resolver) { m_masters.setResolver(std::move(resolver)); }
    void setFriends(const FriendList& friends) { m_friends = friends; }
    const FriendList& friends() const { return m_friends; }
    // Seconds between looks; raised to kMinWatchIntervalS.
    void setIntervalSeconds(int seconds);
    int intervalSeconds() const { return m_intervalS; }
    void setPollerSettings(const PollerSettings& settings);

    // Looks now and then every interval.
    void start();
    void stop();
    // One look at every watched server, now (the masters first when they are due).
    void lookNow();
    bool isLooking() const { return m_looking; }

    const WatchState& state() const { return m_state; }
    int looks() const { return m_looks; }
    qint64 datagramsSent() const { return m_sent; }
    // The servers the next look asks.
    QList<ServerAddress> watched() const;

Q_SIGNALS:
    void event(const fragdeck::servers::WatchEvent& event);
    void lookFinished();
    // A master that gave no complete list ("master HOST:PORT: no reply").
    void problem(const QString& text);

private:
    void pollWatched();
    void onPolled();

    QList<ServerAddress> m_given;
    QList<MasterServer> m_masterList;
    QList<ServerAddress> m_listed;
    int m_protocol = 68;
    FriendList m_friends;
    WatchState m_state;
    PollerSettings m_settings;
    MasterClient m_masters;
    std::unique_ptr<ServerPoller> m_poller;
    QTimer m_timer;
    int m_intervalS = kDefaultWatchIntervalS;
    int m_looks = 0;
    qint64 m_sent = 0;
    bool m_looking = false;
};

} // namespace fragdeck::servers
