// Watching for friends and free seats: the name patterns, the seat rule, the events between
// looks, and the watcher against the tests' own fleet and the real OpenArena server.
#include "servers/SeatWait.h"
#include "servers/Watcher.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/TestFleet.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

using namespace fragdeck::servers;
using fragdeck::ServerAddress;
using fragdeck::test::TestFleet;

namespace
{

ServerInfo serverWith(const QStringList& players, int maxClients, const QByteArray& extra = {})
{
    QByteArray d = "\xff\xff\xff\xffstatusResponse\n\\sv_hostname\\^1Red\\mapname\\q3dm17"
                   "\\sv_maxclients\\" +
                   QByteArray::number(maxClients) + extra + '\n';
    for (const QString& p : players)
        d += "0 40 \"" + p.toLatin1() + "\"\n";
    return parseStatusResponse(d)->info;
}

QStringList described(const QList<WatchEvent>& events)
{
    QStringList out;
    for (const WatchEvent& e : events)
        out.append(eventName(e.kind) + ' ' + e.friendName + ' ' + QString::number(e.clients) + '/' +
                   QString::number(e.max));
    return out;
}

} // namespace

class TestWatch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void friendPatterns_data();
    void friendPatterns();
    void seats_data();
    void seats();
    void eventsBetweenLooks();
    void watcherOnTheFleet();
    void realServerBotJoins();
    void seatWaitEndsWhenOneFrees();
};

void TestWatch::seatWaitEndsWhenOneFrees()
{
    TestFleet fleet;
    QVERIFY(fleet.start(1));
    fleet.server(0).maxClients = 2;
    fleet.server(0).humans = 2;
    SeatWait wait;
    QSignalSpy full(&wait, &SeatWait::answered);
    QSignalSpy free(&wait, &SeatWait::seatFree);
    wait.start({fleet.server(0).host, fleet.server(0).port});
    QVERIFY(full.wait(3000));
    QVERIFY(wait.isWaiting());
    fleet.server(0).humans = 1;
    wait.checkNow();
    QVERIFY(free.wait(3000));
    QVERIFY(!wait.isWaiting());
    QCOMPARE(free[0][0].value<ServerInfo>().playerCount(), 1);
    // One datagram a check, no more.
    QCOMPARE(fleet.server(0).received, wait.checks());
    QCOMPARE(wait.checks(), 2);
    wait.checkNow(); // after the seat: nothing more is sent
    QCOMPARE(wait.checks(), 2);
}

void TestWatch::friendPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFriend");
    QTest::newRow("whole name, any case") << "sarge"
                                          << "SARGE" << true;
    QTest::newRow("colour codes ignored") << "Sarge"
                                          << "^1Sa^7rge" << true;
    QTest::newRow("colours in the pattern too") << "^2Sarge"
                                                << "Sarge" << true;
    QTest::newRow("no star: whole name") << "Sarge"
                                         << "Sarge2" << false;
    QTest::newRow("star on both sides") << "*Sarge*"
                                        << "[CLAN]^3Sarge^7!" << true;
    QTest::newRow("star at the start") << "*doom"
                                       << "BigDoom" << true;
    QTest::newRow("regex characters are plain") << "a.b"
                                                << "axb" << false;
    QTest::newRow("regex characters match themselves") << "(a.b)"
                                                       << "(A.B)" << true;
}

void TestWatch::friendPatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, isFriend);
    const FriendList list({"nobody", pattern});
    QCOMPARE(!list.match(name).isEmpty(), isFriend);
}

void TestWatch::seats_data()
{
    QTest::addColumn<QStringList>("players");
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<bool>("free");
    QTest::newRow("one left") << QStringList{"a", "b", "c"} << QByteArray() << true;
    QTest::newRow("full") << QStringList{"a", "b", "c", "d"} << QByteArray() << false;
    QTest::newRow("the last seat is private")
        << QStringList{"a", "b", "c"} << QByteArray("\\sv_privateClients\\1") << false;
    QTest::newRow("bots do not count when the server says so")
        << QStringList{"a", "b", "c", "d"} << QByteArray("\\g_humanplayers\\2") << true;
}

void TestWatch::seats()
{
    QFETCH(QStringList, players);
    QFETCH(QByteArray, extra);
    QFETCH(bool, free);
    QCOMPARE(hasFreeSeat(serverWith(players, 4, extra)), free);
}

void TestWatch::eventsBetweenLooks()
{
    const FriendList friends({"*Sarge*", "Doom"});
    const ServerAddress s{QHostAddress("127.0.0.2"), 27960};
    WatchState state;
    // The first look: a friend there, the server full; no seat news yet.
    QCOMPARE(described(state.update(s, serverWith({"^1Sarge", "x", "y", "z"}, 4), friends)),
             QStringList{"friend-online ^1Sarge 4/4"});
    // The same again: nothing new.
    QCOMPARE(described(state.update(s, serverWith({"^1Sarge", "x", "y", "z"}, 4), friends)),
             QStringList());
    // A rename is one leaving and one coming; someone left: a seat.
    QCOMPARE(described(state.update(s, serverWith({"^1Sarge^7[afk]", "Doom", "y"}, 4), friends)),
             (QStringList{"friend-offline ^1Sarge 3/4", "friend-online ^1Sarge^7[afk] 3/4",
                          "friend-online Doom 3/4", "seat-free  3/4"}));
    QCOMPARE(state.serversWithFriends(), QList<ServerAddress>{s});
    QCOMPARE(described(state.update(s, serverWith({"y"}, 4), friends)),
             (QStringList{"friend-offline ^1Sarge^7[afk] 1/4", "friend-offline Doom 1/4"}));
    QVERIFY(state.serversWithFriends().isEmpty());
}

void TestWatch::watcherOnTheFleet()
{
    TestFleet fleet;
    QVERIFY(fleet.start(3));
    fleet.server(0).humans = 2;
    fleet.server(0).humanNames = {"Visor", "Orbb"};
    fleet.server(1).maxClients = 2;
    fleet.server(1).humans = 2; // full
    fleet.server(2).silent = true;
    Watcher w;
    QList<ServerAddress> all;
    for (int i = 0; i < fleet.size(); ++i)
        all.append({fleet.server(i).host, fleet.server(i).port});
    w.setServers(all);
    w.setFriends(FriendList({"^5sarge"}));
    PollerSettings s;
    s.attemptTimeoutMs = 100;
    w.setPollerSettings(s);
    QSignalSpy events(&w, &Watcher::event);
    QSignalSpy looked(&w, &Watcher::lookFinished);
    const auto look = [&] {
        looked.clear();
        w.lookNow();
        return looked.wait(5000) || !looked.isEmpty();
    };
    QVERIFY(look());
    QCOMPARE(events.size(), 0);
    // A friend joins, and a seat frees on the full server.
    fleet.server(0).humanNames = {"Visor", "^1Sarge"};
    fleet.server(1).humans = 1;
    QVERIFY(look());
    QCOMPARE(events.size(), 2);
    const auto kinds = [&] {
        QList<int> k;
        for (const QList<QVariant>& e : events)
            k.append(int(e[0].value<WatchEvent>().kind));
        std::sort(k.begin(), k.end());
        return k;
    };
    QCOMPARE(kinds(), (QList<int>{WatchEvent::FriendOnline, WatchEvent::SeatFree}));
    events.clear();
    fleet.server(0).humanNames = {"Visor", "Orbb"};
    QVERIFY(look());
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].value<WatchEvent>().kind, WatchEvent::FriendOffline);
    QCOMPARE(events[0][0].value<WatchEvent>().friendName, QString("^1Sarge"));
    // One datagram a server a look, and one retry for the silent one.
    QCOMPARE(w.looks(), 3);
    QCOMPARE(fleet.server(0).received, 3);
    QCOMPARE(fleet.server(2).received, 6);
    QCOMPARE(w.datagramsSent(), 12);
    // The floor holds however short an interval is asked for.
    w.setIntervalSeconds(1);
    QCOMPARE(w.intervalSeconds(), kMinWatchIntervalS);
}

void TestWatch::realServerBotJoins()
{
    if (!fragdeck::test::RealGameServer::available())
        QSKIP("no OpenArena server here");
    fragdeck::test::RealGameServer server("watchpass");
    QVERIFY2(server.waitUntilReady(), qPrintable(server.log()));
    Watcher w;
    w.setServers({{QHostAddress::LocalHost, server.port()}});
    w.setFriends(FriendList({"*Sarge*"}));
    QSignalSpy events(&w, &Watcher::event);
    QSignalSpy looked(&w, &Watcher::lookFinished);
    w.lookNow();
    QVERIFY(looked.wait(5000));
    QCOMPARE(events.size(), 0); // Angelyss and Arachna only
    QUdpSocket rcon;
    rcon.writeDatagram("\xff\xff\xff\xffrcon watchpass addbot Sarge 1", QHostAddress::LocalHost,
                       server.port());
    // The bot takes a moment to join; look until it is there.
    for (int i = 0; i < 20 && events.isEmpty(); ++i) {
        QTest::qWait(250);
        looked.clear();
        w.lookNow();
        QVERIFY(looked.wait(5000));
    }
    QCOMPARE(events.size(), 1);
    const WatchEvent e = events[0][0].value<WatchEvent>();
    QCOMPARE(e.kind, WatchEvent::FriendOnline);
    QVERIFY(e.friendName.contains("Sarge"));
    QCOMPARE(e.clients, 3);
}

QTEST_GUILESS_MAIN(TestWatch)
#include "test_watch.moc"
