// The poller against a fleet of loopback servers: what it sends, what it accepts, and
// that every server keeps its row.
#include "servers/DatagramSocket.h"
#include "servers/ServerPoller.h"
#include "testsupport/ManualClock.h"
#include "testsupport/TestFleet.h"

#include <sys/socket.h>

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QtTest>

using namespace fragdeck::servers;
using fragdeck::ServerAddress;
using fragdeck::test::ManualClock;
using fragdeck::test::TestFleet;

namespace
{

QByteArray oob(const QByteArray& text)
{
    return QByteArray(4, '\xff') + text;
}

ServerAddress addressOf(const TestFleet& fleet, int i)
{
    return {fleet.server(i).host, fleet.server(i).port};
}

QList<ServerAddress> allOf(const TestFleet& fleet)
{
    QList<ServerAddress> out;
    for (int i = 0; i < fleet.size(); ++i)
        out.append(addressOf(fleet, i));
    return out;
}

PollerSettings fast(int attemptTimeoutMs = 150)
{
    PollerSettings s;
    s.attemptTimeoutMs = attemptTimeoutMs;
    s.paceUs = 100;
    return s;
}

// One round of `poller` with `settings` over `servers`, waited for; false when it did
// not end.
bool pollOnce(ServerPoller& poller, const PollerSettings& settings,
              const QList<ServerAddress>& servers)
{
    poller.setSettings(settings);
    poller.addServers(servers);
    QSignalSpy finished(&poller, &ServerPoller::finished);
    poller.refreshAll();
    return finished.wait(5000);
}

// The nonce of a "getstatus <nonce>" request.
QByteArray nonceOf(const QByteArray& request)
{
    return request.mid(4 + 10);
}

// One refresh on a clock the test moves, of servers that hold every request until the test
// answers it.
struct HeldRefresh {
    struct Held {
        int server;
        QByteArray nonce;
        QHostAddress from;
        quint16 port;
    };
    ManualClock clock;
    TestFleet fleet;
    QList<Held> held; // in the order they came
    ServerPoller poller;
    QSignalSpy finished{&poller, &ServerPoller::finished};
    int64_t startNs = clock.nowNs();

    // False when the fleet cannot start.
    bool run(int servers, int attemptTimeoutMs, int minAttemptTimeoutMs = 1, int paceUs = 0)
    {
        if (!fleet.start(servers))
            return false;
        fleet.intercept = [this](int i, const QByteArray& request, const QHostAddress& from,
                                 quint16 port) {
            held.append({i, nonceOf(request), from, port});
            return true;
        };
        PollerSettings s;
        s.attemptTimeoutMs = attemptTimeoutMs;
        s.minAttemptTimeoutMs = minAttemptTimeoutMs;
        s.paceUs = paceUs;
        poller.setSettings(s);
        poller.addServers(allOf(fleet));
        poller.refreshAll();
        return true;
    }
    void answer(const Held& h)
    {
        fleet.sendFrom(h.server, fleet.statusReply(h.server, h.nonce), h.from, h.port);
    }
    void at(int ms) { clock.setNs(startNs + int64_t(ms) * 1000000); }
    // Time for the poller's timers to see where the clock was moved: what the clock does
    // not yet allow would have happened by then.
    static void settle() { QTest::qWait(100); }
};

} // namespace

class TestServerPoller : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void neverBroadcasts();
    void waitFollowsTheAnswers_data();
    void waitFollowsTheAnswers();
    void earlierAttemptsRunOutWithTheShorterWait();
    void pacingFollowsTheClock();
    void everyServerAnswers();
    void eachAttemptHasItsOwnNonce_data();
    void eachAttemptHasItsOwnNonce();
    void foreignDatagramsDropped_data();
    void foreignDatagramsDropped();
    void silentServersKeepTheirRows();
    void rateLimitNeverReached();
    void inFlightBound();
    void refreshOne();
    void stop();
    void botsAndPlayers();
    void ipv6Server();
};

void TestServerPoller::neverBroadcasts()
{
    for (bool v6 : {false, true}) {
        const auto socket = bindDatagramSocket(v6, 65536);
        if (!socket)
            continue; // no IPv6 here
        int on = 1;
        socklen_t size = sizeof on;
        QCOMPARE(
            ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &on, &size), 0);
        QCOMPARE(on, 0);
    }
    // Addresses that reach many hosts or none get no row, whoever named them.
    ServerPoller poller;
    QCOMPARE(poller.addServers({{QHostAddress("224.0.0.1"), 27960},
                                {QHostAddress("255.255.255.255"), 27960},
                                {QHostAddress("ff02::1"), 27960},
                                {QHostAddress("::"), 27960},
                                {QHostAddress("127.0.0.1"), 9}}),
             1);
    QCOMPARE(poller.refused(), 4);
    poller.refresh({QHostAddress("239.255.255.250"), 1900});
    QCOMPARE(poller.size(), 1);
    QCOMPARE(poller.datagramsSent(), 0);
}

void TestServerPoller::waitFollowsTheAnswers_data()
{
    // Round trips in ms, one server each; the wait is 1.5 times the 98th percentile + 20.
    QTest::addColumn<QList<int>>("pings");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("expectedMs");
    const QList<int> quick(20, 10);
    QTest::newRow("too few answers: the whole time-out") << QList<int>(19, 10) << 1 << 400;
    QTest::newRow("enough answers") << quick << 1 << 36;
    QTest::newRow("instant answers") << QList<int>(20, 0) << 1 << 21;
    QTest::newRow("never below the floor") << quick << 100 << 100;
    QTest::newRow("never above the time-out") << QList<int>(20, 300) << 1 << 400;
    QTest::newRow("one slow server in fifty left out")
        << QList<int>(49, 10) + QList<int>{300} << 1 << 36;
    QTest::newRow("two slow servers in fifty count")
        << QList<int>(48, 10) + QList<int>{200, 200} << 1 << 321;
}

void TestServerPoller::waitFollowsTheAnswers()
{
    QFETCH(QList<int>, pings);
    QFETCH(int, minMs);
    QFETCH(int, expectedMs);
    HeldRefresh r;
    QVERIFY(r.run(int(pings.size()), 400, minMs));
    QCOMPARE(r.poller.attemptTimeoutMs(), 400); // nothing seen yet
    QTRY_COMPARE(r.held.size(), pings.size());
    // Slow ones may be asked again once the quick ones shortened the wait; the answer to
    // their first attempt still counts.
    const QList<HeldRefresh::Held> first = r.held;
    for (const HeldRefresh::Held& h : first) {
        r.at(pings[h.server]);
        r.answer(h);
        QTRY_COMPARE(r.poller.at(h.server).status, ServerResult::Status::Ok);
        QCOMPARE(r.poller.at(h.server).pingUs, qint64(pings[h.server]) * 1000);
    }
    QCOMPARE(r.poller.attemptTimeoutMs(), expectedMs);
}

void TestServerPoller::earlierAttemptsRunOutWithTheShorterWait()
{
    // A silent server asked together with twenty quick ones: once they answered, its
    // attempts wait 36 ms and the last one twice that, counted from each one's send.
    HeldRefresh r;
    QVERIFY(r.run(21, 400));
    QTRY_COMPARE(r.held.size(), 21);
    r.at(10);
    for (int i = 0; i < 20; ++i)
        r.answer(r.held[i]);
    QTRY_COMPARE(r.poller.doneCount(), 20);
    QCOMPARE(r.poller.attemptTimeoutMs(), 36);
    const ServerResult& silent = r.poller.at(20);
    for (const auto& [ms, attempts] : {std::pair{35, 1}, {36, 2}, {71, 2}, {72, 3}, {143, 3}}) {
        r.at(ms);
        r.settle();
        QTRY_COMPARE(r.fleet.server(20).received, attempts);
        QCOMPARE(silent.status, ServerResult::Status::Querying);
    }
    r.at(144);
    QTRY_COMPARE(silent.status, ServerResult::Status::NoReply);
    QCOMPARE(r.finished.size(), 1);
    QCOMPARE(r.poller.datagramsSent(), 23);
}

void TestServerPoller::pacingFollowsTheClock()
{
    // One datagram per paceUs of the clock; a late turn sends at most 2 ms of them at once.
    HeldRefresh r;
    QVERIFY(r.run(12, 5000, 1, 1000));
    QCOMPARE(r.poller.datagramsSent(), 1);
    for (const auto& [us, sent] :
         {std::pair{0, 1}, {1000, 2}, {3000, 4}, {500, 4}, {500, 5}, {1000000, 7}}) {
        r.clock.advanceUs(us);
        r.settle();
        QTRY_COMPARE(r.poller.datagramsSent(), sent);
    }
    QTRY_COMPARE(r.held.size(), 7);
}

void TestServerPoller::everyServerAnswers()
{
    TestFleet fleet;
    QVERIFY(fleet.start(12));
    for (int i = 0; i < fleet.size(); ++i)
        fleet.server(i).latencyMs = i % 3 * 5;
    ServerPoller poller;
    poller.setSettings(fast());
    QCOMPARE(poller.addServers(allOf(fleet)), 12);
    QCOMPARE(poller.addServers({addressOf(fleet, 0), ServerAddress{}}), 0);
    QSignalSpy finished(&poller, &ServerPoller::finished);
    QSignalSpy updated(&poller, &ServerPoller::serverUpdated);
    QSignalSpy progress(&poller, &ServerPoller::progress);
    poller.refreshAll();
    QVERIFY(poller.isRunning());
    QVERIFY(finished.wait(5000));
    QCOMPARE(updated.size(), 12);
    QCOMPARE(progress.last(), (QList<QVariant>{12, 12}));
    for (int i = 0; i < fleet.size(); ++i) {
        const ServerResult& r = poller.at(poller.indexOf(addressOf(fleet, i)));
        QCOMPARE(r.status, ServerResult::Status::Ok);
        QCOMPARE(r.info.hostname, QString("Fleet %1").arg(i));
        QCOMPARE(r.attempts, 1);
        QVERIFY(r.pingUs >= 0);
        QCOMPARE(fleet.server(i).received, 1);
        const QByteArray request = fleet.server(i).lastRequest;
        QVERIFY2(request.startsWith(oob("getstatus ")), request);
        QVERIFY(!nonceOf(request).isEmpty());
    }
}

void TestServerPoller::eachAttemptHasItsOwnNonce_data()
{
    // Attempts go out 100 ms apart and are lost until one is answered, maybe after a later
    // one went out: it counts, and its ping runs from its own send, not from the first.
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("answered"); // 0-based
    QTest::addColumn<int>("atMs");
    QTest::newRow("the third, 7 ms after it went out") << 3 << 2 << 207;
    QTest::newRow("the first, after the second went out") << 2 << 0 << 125;
    QTest::newRow("the second, after the third went out") << 3 << 1 << 230;
}

void TestServerPoller::eachAttemptHasItsOwnNonce()
{
    QFETCH(int, sent);
    QFETCH(int, answered);
    QFETCH(int, atMs);
    HeldRefresh r;
    QVERIFY(r.run(1, 100));
    for (int attempts = 1; attempts < sent; ++attempts) {
        QTRY_COMPARE(r.held.size(), attempts);
        r.at(attempts * 100);
    }
    QTRY_COMPARE(r.held.size(), sent);
    QSet<QByteArray> nonces;
    for (const HeldRefresh::Held& h : r.held)
        nonces.insert(h.nonce);
    QCOMPARE(nonces.size(), sent);
    r.at(atMs);
    r.answer(r.held[answered]);
    QVERIFY(r.finished.wait(5000));
    QCOMPARE(r.poller.at(0).status, ServerResult::Status::Ok);
    QCOMPARE(r.poller.at(0).attempts, sent);
    QCOMPARE(r.poller.at(0).pingUs, qint64(atMs - answered * 100) * 1000);
}

void TestServerPoller::foreignDatagramsDropped_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("wrong nonce") << "wrong nonce";
    QTest::newRow("no challenge") << "no challenge";
    QTest::newRow("right nonce from another address") << "other address";
    QTest::newRow("right nonce from another port") << "other port";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("info reply with the nonce") << "info";
}

void TestServerPoller::foreignDatagramsDropped()
{
    QFETCH(QString, kind);
    TestFleet fleet;
    QVERIFY(fleet.start(2));
    QUdpSocket otherPort;
    QVERIFY(otherPort.bind(fleet.server(0).host, 0));
    fleet.intercept = [&](int i, const QByteArray& request, const QHostAddress& from,
                          quint16 port) {
        if (i != 0)
            return true;
        const QByteArray nonce = nonceOf(request);
        if (kind == "wrong nonce")
            fleet.sendFrom(0, fleet.statusReply(0, "0123456789ab"), from, port);
        else if (kind == "no challenge")
            fleet.sendFrom(0, fleet.statusReply(0, QByteArray()), from, port);
        else if (kind == "other address")
            fleet.sendFrom(1, fleet.statusReply(0, nonce), from, port);
        else if (kind == "other port")
            otherPort.writeDatagram(fleet.statusReply(0, nonce), from, port);
        else if (kind == "info")
            fleet.sendFrom(0, fleet.infoReply(0, nonce), from, port);
        else
            for (const QByteArray& g :
                 {QByteArray(), oob(""), oob("statusResponse"), QByteArray(3000, '\\'),
                  oob("statusResponse\n\\challenge\\") + nonce.left(5),
                  fleet.statusReply(0, nonce).left(30)})
                fleet.sendFrom(0, g, from, port);
        return true;
    };
    ServerPoller poller;
    QVERIFY(pollOnce(poller, fast(80), {addressOf(fleet, 0)}));
    QCOMPARE(poller.at(0).status, ServerResult::Status::NoReply);
    QVERIFY(!poller.at(0).answered);
    QCOMPARE(fleet.server(0).received, 3);
}

void TestServerPoller::silentServersKeepTheirRows()
{
    TestFleet fleet;
    QVERIFY(fleet.start(4));
    fleet.server(3).silent = true;
    ServerPoller poller;
    QVERIFY(pollOnce(poller, fast(80), allOf(fleet)));
    QCOMPARE(poller.at(3).status, ServerResult::Status::NoReply);
    QCOMPARE(fleet.server(3).received, 3);
    QCOMPARE(poller.at(1).status, ServerResult::Status::Ok);

    // Server 1 goes quiet: its row stays, with its last answer, marked as not answering.
    fleet.server(1).silent = true;
    fleet.server(1).hostname = "Renamed";
    QSignalSpy finished(&poller, &ServerPoller::finished);
    QSignalSpy updated(&poller, &ServerPoller::serverUpdated);
    poller.refreshAll();
    QCOMPARE(poller.size(), 4);
    QCOMPARE(poller.at(1).info.hostname, QString("Fleet 1")); // not emptied while it runs
    QVERIFY(finished.wait(5000));
    QCOMPARE(poller.size(), 4);
    QCOMPARE(poller.at(1).status, ServerResult::Status::NoReply);
    QVERIFY(poller.at(1).answered);
    QCOMPARE(poller.at(1).info.hostname, QString("Fleet 1"));
    QCOMPARE(poller.at(0).status, ServerResult::Status::Ok);
    QCOMPARE(updated.size(), 4);
}

void TestServerPoller::rateLimitNeverReached()
{
    // Three refreshes in a row of servers that never answer: at most three datagrams each
    // per refresh, never refused by ioquake3's limit (10 at once, then 1 a second).
    TestFleet fleet;
    QVERIFY(fleet.start(6));
    for (int i = 0; i < fleet.size(); ++i)
        fleet.server(i).silent = i % 2 == 0;
    ServerPoller poller;
    poller.setSettings(fast(30));
    poller.addServers(allOf(fleet));
    QSignalSpy finished(&poller, &ServerPoller::finished);
    for (int round = 1; round <= 3; ++round) {
        poller.refreshAll();
        QVERIFY(finished.wait(5000));
        for (int i = 0; i < fleet.size(); ++i) {
            QCOMPARE(fleet.server(i).received, round * (i % 2 == 0 ? 3 : 1));
            QCOMPARE(fleet.server(i).rateLimited, 0);
        }
    }
    QCOMPARE(poller.datagramsSent(), 3 * (3 * 3 + 3));
}

void TestServerPoller::inFlightBound()
{
    // One server at a time: each silent server gets all three attempts before the next
    // one is asked at all.
    TestFleet fleet;
    QVERIFY(fleet.start(4));
    QList<int> order;
    fleet.intercept = [&](int i, const QByteArray&, const QHostAddress&, quint16) {
        order.append(i);
        return true;
    };
    ServerPoller poller;
    PollerSettings s = fast(30);
    s.maxInFlight = 1;
    poller.setSettings(s);
    poller.addServers(allOf(fleet));
    QSignalSpy finished(&poller, &ServerPoller::finished);
    poller.refreshAll();
    QVERIFY(finished.wait(5000));
    QCOMPARE(order, (QList<int>{0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}));
}

void TestServerPoller::refreshOne()
{
    TestFleet fleet;
    QVERIFY(fleet.start(3));
    ServerPoller poller;
    poller.setSettings(fast());
    poller.addServers({addressOf(fleet, 0), addressOf(fleet, 1)});
    QSignalSpy finished(&poller, &ServerPoller::finished);
    poller.refresh(addressOf(fleet, 2)); // not listed yet: gets a row
    QVERIFY(finished.wait(5000));
    QCOMPARE(poller.size(), 3);
    QCOMPARE(fleet.server(0).received + fleet.server(1).received, 0);
    QCOMPARE(poller.at(2).status, ServerResult::Status::Ok);
    QCOMPARE(poller.at(0).status, ServerResult::Status::Pending);
    QCOMPARE(poller.totalCount(), 1);
    poller.refresh(addressOf(fleet, 0));
    QVERIFY(finished.wait(5000));
    QCOMPARE(poller.at(0).status, ServerResult::Status::Ok);
    QCOMPARE(fleet.server(1).received, 0);
}

void TestServerPoller::stop()
{
    TestFleet fleet;
    QVERIFY(fleet.start(8));
    fleet.server(0).silent = true;
    ServerPoller poller;
    PollerSettings s = fast(2000);
    s.maxInFlight = 2;
    poller.setSettings(s);
    poller.addServers({addressOf(fleet, 0)});
    QSignalSpy finished(&poller, &ServerPoller::finished);
    poller.refreshAll();
    QTRY_COMPARE(fleet.server(0).received, 1);
    poller.stop();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!poller.isRunning());
    QCOMPARE(poller.at(0).status, ServerResult::Status::Pending);
    // Rows added after the stop are not queried, and nothing more is sent.
    poller.addServers(allOf(fleet));
    const int sent = poller.datagramsSent();
    // Proved by what comes after: one server refreshed on its own is the only one asked.
    poller.refresh(addressOf(fleet, 1));
    QTRY_COMPARE(fleet.server(1).received, 1);
    QCOMPARE(poller.datagramsSent(), sent + 1);
    for (int i = 2; i < fleet.size(); ++i)
        QCOMPARE(fleet.server(i).received, 0);
}

void TestServerPoller::botsAndPlayers()
{
    TestFleet fleet;
    QVERIFY(fleet.start(2));
    fleet.server(0).bots = 2;
    fleet.server(0).humans = 1;
    fleet.server(1).bots = 1;
    fleet.server(1).sendHumanCount = false;
    ServerPoller poller;
    QVERIFY(pollOnce(poller, fast(), allOf(fleet)));
    const ServerInfo& a = poller.at(0).info;
    QCOMPARE(a.players.size(), 3);
    QCOMPARE(a.botCount(), 2);
    QVERIFY(a.players[0].bot);
    QVERIFY(!a.players[2].bot);
    QCOMPARE(a.players[2].name, QString("Player 0"));
    QCOMPARE(a.maxClients, 16);
    QCOMPARE(a.mapname, QString("q3dm17"));
    QCOMPARE(poller.at(1).info.botCount(), 1);
}

void TestServerPoller::ipv6Server()
{
    QUdpSocket server;
    if (!server.bind(QHostAddress::LocalHostIPv6, 0))
        QSKIP("no IPv6 loopback here");
    connect(&server, &QUdpSocket::readyRead, this, [&server] {
        while (server.hasPendingDatagrams()) {
            const QNetworkDatagram d = server.receiveDatagram();
            server.writeDatagram(d.makeReply(oob("statusResponse\n\\sv_hostname\\Six"
                                                 "\\challenge\\" +
                                                 nonceOf(d.data()) + "\n")));
        }
    });
    ServerPoller poller;
    QVERIFY(pollOnce(poller, fast(), {{QHostAddress::LocalHostIPv6, server.localPort()}}));
    QCOMPARE(poller.at(0).status, ServerResult::Status::Ok);
    QCOMPARE(poller.at(0).info.hostname, QString("Six"));
}

QTEST_GUILESS_MAIN(TestServerPoller)
#include "test_server_poller.moc"
