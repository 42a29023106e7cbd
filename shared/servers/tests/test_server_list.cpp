// Masters, the merged list and the settings behind it, against the tests' own master and
// fleet on loopback. Names resolve only through a table of the test's own.
#include "core/Settings.h"
#include "servers/LanSource.h"
#include "servers/MasterClient.h"
#include "servers/ServerList.h"
#include "servers/ServerListSettings.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestMaster.h"
#include "testsupport/TestSupport.h"

#include <QSignalSpy>
#include <QtTest>
#include <iterator>

using namespace fragdeck;
using namespace fragdeck::servers;
using fragdeck::test::TestFleet;
using fragdeck::test::TestMaster;

namespace
{

MasterServer local(const TestMaster& m)
{
    return {QStringLiteral("127.0.0.1"), m.port()};
}

QSet<QString> texts(const QList<ServerAddress>& list)
{
    QSet<QString> out;
    for (const ServerAddress& a : list)
        out.insert(a.toString());
    return out;
}

// The list of `master` alone, silent servers given up after 100 ms; true once it is done.
bool refreshFrom(ServerList& list, const TestMaster& master, QSignalSpy& finished)
{
    list.setResolver(fixedResolver({}));
    list.setMasters({local(master)});
    PollerSettings s;
    s.attemptTimeoutMs = 100;
    list.poller().setSettings(s);
    list.refresh();
    return finished.wait(5000);
}

// A list as a forged master sends it: IPv4 records and the end mark.
QByteArray forgedList(const QList<std::pair<QHostAddress, quint16>>& servers, bool end = true)
{
    QByteArray d("\xff\xff\xff\xffgetserversResponse");
    for (const auto& [host, port] : servers) {
        const quint32 v = host.toIPv4Address();
        const char r[] = {'\\',    char(v >> 24),   char(v >> 16), char(v >> 8),
                          char(v), char(port >> 8), char(port)};
        d += QByteArray(r, 7);
    }
    if (end)
        d += QByteArray("\\EOT\0\0\0", 7);
    return d;
}

// Addresses no master on the internet may have this machine query, each with its scope.
const std::pair<const char*, AddressScope> kSpecial[] = {
    {"127.0.0.1", AddressScope::Loopback},        {"10.0.0.1", AddressScope::Private},
    {"172.16.5.4", AddressScope::Private},        {"192.168.1.1", AddressScope::Private},
    {"169.254.1.1", AddressScope::LinkLocal},     {"100.64.0.1", AddressScope::SharedCgnat},
    {"224.0.0.1", AddressScope::Multicast},       {"239.255.255.250", AddressScope::Multicast},
    {"255.255.255.255", AddressScope::Broadcast}, {"240.0.0.1", AddressScope::Reserved},
    {"0.0.0.1", AddressScope::Reserved},          {"192.0.2.1", AddressScope::Documentation},
};

} // namespace

class TestServerList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { m_isolated = test::isolateNetwork(&m_why); }
    void hostileListsDecided();
    void hostileListsQueried();
    void floodAndDripBounded_data();
    void floodAndDripBounded();
    void longListOverManyDatagrams();
    void lostLastDatagram();
    void mastersMergedAndReported();
    void ipv6Master();
    void protocolChosen();
    void listAndQuery();
    void settings();
    void lan();

private:
    bool m_isolated = false;
    QString m_why;
};

void TestServerList::hostileListsDecided()
{
    // What each kind of master may make this machine query; decided, never sent anywhere.
    TestMaster master;
    QList<std::pair<QHostAddress, quint16>> listed;
    for (const auto& [address, scope] : kSpecial)
        listed.append({QHostAddress(QLatin1String(address)), 1900});
    master.forge = [&](const QByteArray&) { return QList<QByteArray>{forgedList(listed)}; };
    MasterClient client;
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({local(master)}, 68);
    QVERIFY(finished.wait(5000));
    // Only its own class: the loopback server.
    QCOMPARE(texts(client.servers()), QSet<QString>{"127.0.0.1:1900"});
    const MasterOutcome o = client.outcomes()[0];
    QCOMPARE(o.skippedTotal(), int(std::size(kSpecial)) - 1);
    QCOMPARE(o.skipped[int(AddressScope::Multicast)], 2);
    QCOMPARE(o.skipped[int(AddressScope::Private)], 3);
    QVERIFY(o.notes(client.limits()).contains("2 multicast"));
    QCOMPARE(o.skipped[int(AddressScope::Loopback)], 0);
}

void TestServerList::hostileListsQueried()
{
    if (!m_isolated)
        QSKIP(qPrintable(m_why));
    // In a namespace with only loopback, so even a wrong decision sends nothing anywhere.
    TestFleet fleet;
    QVERIFY(fleet.start(2));
    TestMaster master;
    QList<std::pair<QHostAddress, quint16>> listed;
    for (const auto& [address, scope] : kSpecial)
        listed.append({QHostAddress(QLatin1String(address)), 27960});
    listed.append({fleet.server(0).host, fleet.server(0).port});
    listed.append({fleet.server(1).host, fleet.server(1).port});
    listed.append({QHostAddress("8.8.4.4"), 27960}); // on the internet: asked, no route here
    master.forge = [&](const QByteArray&) { return QList<QByteArray>{forgedList(listed)}; };
    ServerList list;
    QSignalSpy finished(&list, &ServerList::finished);
    QVERIFY(refreshFrom(list, master, finished));
    QStringList queried;
    for (const ServerResult& r : list.poller().results())
        queried.append(r.address.toString());
    queried.sort();
    QStringList expected{
        fleet.server(0).host.toString() + ':' + QString::number(fleet.server(0).port),
        fleet.server(1).host.toString() + ':' + QString::number(fleet.server(1).port),
        "127.0.0.1:27960", "8.8.4.4:27960"};
    expected.sort();
    QCOMPARE(queried, expected);
    QCOMPARE(list.poller()
                 .at(list.poller().indexOf({fleet.server(0).host, fleet.server(0).port}))
                 .status,
             ServerResult::Status::Ok);
}

void TestServerList::floodAndDripBounded_data()
{
    QTest::addColumn<int>("datagrams"); // the master sends
    QTest::addColumn<int>("dripMs");
    QTest::addColumn<bool>("datagramLimit");
    QTest::addColumn<bool>("serverLimit");
    QTest::addColumn<bool>("timeLimit");
    // Limits here: 40 datagrams, 3000 servers, 600 ms from the first datagram.
    QTest::newRow("flood") << 120 << 0 << true << true << false;
    QTest::newRow("drip without an end") << 40 << 150 << false << false << true;
}

void TestServerList::floodAndDripBounded()
{
    QFETCH(int, datagrams);
    QFETCH(int, dripMs);
    QFETCH(bool, datagramLimit);
    QFETCH(bool, serverLimit);
    QFETCH(bool, timeLimit);
    TestMaster master;
    master.dripMs = dripMs;
    int next = 0;
    master.forge = [&](const QByteArray&) {
        QList<QByteArray> out;
        for (int d = 0; d < datagrams; ++d) {
            QList<std::pair<QHostAddress, quint16>> records;
            for (int k = 0; k < 190; ++k, ++next)
                records.append({QHostAddress(0x7f100000u + quint32(next)), 27960});
            out.append(forgedList(records, false));
        }
        return out;
    };
    MasterClient client;
    client.setLimits({3000, 40, 600});
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({local(master)}, 68);
    QVERIFY(finished.wait(10000));
    const MasterOutcome o = client.outcomes()[0];
    QCOMPARE(o.datagramLimit, datagramLimit);
    QCOMPARE(o.overServerLimit > 0, serverLimit);
    QCOMPARE(o.timeLimit, timeLimit);
    QVERIFY(o.datagrams <= 40);
    QVERIFY(client.servers().size() <= 3000);
    QCOMPARE(o.state, MasterOutcome::State::TimedOut); // no end mark came
    QVERIFY(!o.notes(client.limits()).isEmpty());
}

void TestServerList::longListOverManyDatagrams()
{
    TestMaster master;
    master.shuffleDatagrams = true;
    QSet<QString> expected;
    for (int i = 0; i < 700; ++i) {
        // Every byte value turns up in addresses and ports, 0x5C and 0x2F included.
        // A loopback master may list only loopback servers.
        const quint32 ip = 0x7f000000u | quint32(i * 0x2f5c % 0xffffff);
        const quint16 port = quint16(0x5c00 + i);
        master.addServer(QHostAddress(ip), port);
        expected.insert(QStringLiteral("%1:%2").arg(QHostAddress(ip).toString()).arg(port));
    }
    master.addServer(QHostAddress("127.47.92.47"), 0x5c2f);
    master.addServer(QHostAddress("127.92.47.92"), 0x2f5c);
    expected << "127.47.92.47:23599"
             << "127.92.47.92:12124";
    master.addServer(QHostAddress("0.0.0.0"), 27960);
    master.addServer(QHostAddress("127.0.0.1"), 0);
    master.addServer(QHostAddress("127.47.92.47"), 0x5c2f); // listed twice
    MasterClient client;
    client.setResolver(fixedResolver({}));
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({local(master)}, 68);
    QVERIFY(finished.wait(5000));
    QCOMPARE(master.received.first(), QByteArray("\xff\xff\xff\xffgetservers 68 empty full"));
    QVERIFY(master.datagramsSent >= 4);
    QCOMPARE(texts(client.servers()), expected);
    QCOMPARE(client.servers().size(), expected.size());
    QCOMPARE(client.outcomes()[0].state, MasterOutcome::State::Complete);
    QCOMPARE(client.outcomes()[0].servers, 703);
}

void TestServerList::lostLastDatagram()
{
    TestMaster master;
    for (int i = 0; i < 400; ++i)
        master.addServer(QHostAddress(0x7f0b0001u + quint32(i)), 27960);
    master.dropLastDatagram = true;
    MasterClient client;
    client.setCollectTimeoutMs(300);
    QSignalSpy found(&client, &MasterClient::serversFound);
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({local(master)}, 68);
    QVERIFY(finished.wait(5000));
    QCOMPARE(client.outcomes()[0].state, MasterOutcome::State::TimedOut);
    // Whole datagrams of 196 records; the last one (with the end mark) never came.
    QCOMPARE(client.servers().size(), 392);
    QVERIFY(found.size() >= 2);
}

void TestServerList::mastersMergedAndReported()
{
    TestMaster a;
    TestMaster b;
    TestMaster quiet;
    quiet.silent = true;
    a.addServer(QHostAddress("127.1.1.1"), 27960);
    a.addServer(QHostAddress("127.1.1.2"), 27960);
    b.addServer(QHostAddress("127.1.1.2"), 27960);
    b.addServer(QHostAddress("127.1.1.3"), 27961);
    MasterClient client;
    client.setCollectTimeoutMs(300);
    client.setResolver(fixedResolver({{"master.one.test", QHostAddress("127.0.0.1")}}));
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({{"master.one.test", a.port()}, local(b), local(quiet), {"nowhere.test", 27950}},
                 68);
    QVERIFY(finished.wait(5000));
    QCOMPARE(texts(client.servers()),
             (QSet<QString>{"127.1.1.1:27960", "127.1.1.2:27960", "127.1.1.3:27961"}));
    const QList<MasterOutcome> o = client.outcomes();
    QCOMPARE(o[0].state, MasterOutcome::State::Complete);
    QCOMPARE(o[1].state, MasterOutcome::State::Complete);
    QCOMPARE(o[2].state, MasterOutcome::State::NoReply);
    QCOMPARE(o[3].state, MasterOutcome::State::CannotResolve);
    QCOMPARE(describe(o[3].state), QString("cannot resolve"));
    QCOMPARE(quiet.received.size(), 1);
}

void TestServerList::ipv6Master()
{
    TestMaster master(nullptr, QHostAddress::LocalHostIPv6);
    if (master.port() == 0)
        QSKIP("no IPv6 loopback here");
    master.addServer(QHostAddress("127.2.2.2"), 27960);
    master.addServer(QHostAddress("::1"), 0x5c2f);
    MasterClient client;
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({{"::1", master.port()}}, 71);
    QVERIFY(finished.wait(5000));
    QCOMPARE(master.received.first(),
             QByteArray("\xff\xff\xff\xffgetserversExt Quake3Arena 71 empty full"));
    QCOMPARE(client.servers().size(), 0); // listed under 68 only
    master.clearServers();
    master.addServer(QHostAddress("127.2.2.2"), 27960, 71);
    master.addServer(QHostAddress("::1"), 0x5c2f, 71);
    master.addServer(QHostAddress("::ffff:127.3.3.3"), 27960, 71); // the same as 127.3.3.3
    master.addServer(QHostAddress("127.3.3.3"), 27960, 71);
    client.query({{"::1", master.port()}}, 71);
    QVERIFY(finished.wait(5000));
    QCOMPARE(texts(client.servers()),
             (QSet<QString>{"127.2.2.2:27960", "[::1]:23599", "127.3.3.3:27960"}));
    QCOMPARE(client.servers().size(), 3);
}

void TestServerList::protocolChosen()
{
    TestMaster master;
    master.addServer(QHostAddress("127.3.3.1"), 27960, 68);
    master.addServer(QHostAddress("127.3.3.2"), 27960, 71);
    MasterClient client;
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({local(master)}, 71);
    QVERIFY(finished.wait(5000));
    QCOMPARE(master.received.last(), QByteArray("\xff\xff\xff\xffgetservers 71 empty full"));
    QCOMPARE(texts(client.servers()), QSet<QString>{"127.3.3.2:27960"});
}

void TestServerList::listAndQuery()
{
    TestFleet fleet;
    QVERIFY(fleet.start(10));
    fleet.server(4).silent = true;
    fleet.server(7).silent = true;
    TestMaster master;
    master.maxDatagramSize = 60; // a few records per datagram
    for (int i = 0; i < fleet.size(); ++i)
        master.addServer(fleet.server(i).host, fleet.server(i).port);
    ServerList list;
    QSignalSpy finished(&list, &ServerList::finished);
    QVERIFY(refreshFrom(list, master, finished));
    QCOMPARE(list.poller().size(), 10);
    for (int i = 0; i < fleet.size(); ++i) {
        const ServerResult& r =
            list.poller().at(list.poller().indexOf({fleet.server(i).host, fleet.server(i).port}));
        const bool silent = i == 4 || i == 7;
        QCOMPARE(r.status, silent ? ServerResult::Status::NoReply : ServerResult::Status::Ok);
        QCOMPARE(fleet.server(i).received, silent ? 3 : 1);
    }
    // Again: the master is asked again and every row queried again, none lost meanwhile.
    master.addServer(QHostAddress("127.0.0.1"), 9); // nothing there
    QSignalSpy updated(&list.poller(), &ServerPoller::serverUpdated);
    list.refresh();
    QCOMPARE(list.poller().size(), 10);
    QVERIFY(finished.wait(5000));
    QCOMPARE(list.poller().size(), 11);
    QCOMPARE(updated.size(), 11);
    QCOMPARE(master.listRequests, 2);
    QCOMPARE(fleet.server(0).received, 2);
}

void TestServerList::settings()
{
    test::TempStore store;
    QList<MasterServer> m = loadMasters();
    QCOMPARE(m.size(), 4);
    QCOMPARE(m[0].toString(), QString("master.quake3arena.com:27950"));
    QCOMPARE(m[3].toString(), QString("dpmaster.deathmask.net:27950"));
    QCOMPARE(loadProtocol(), 68);

    SaveSetting("Fragdeck", "Servers", "Masters", " 127.0.0.1:27955,  [::1] bad:port\n10.0.0.1");
    m = loadMasters();
    QCOMPARE(m.size(), 3);
    QCOMPARE(m[0].toString(), QString("127.0.0.1:27955"));
    QCOMPARE(m[1].toString(), QString("[::1]:27950"));
    QCOMPARE(m[2].toString(), QString("10.0.0.1:27950"));
    saveMasters({m[2], m[0]});
    QCOMPARE(GetSetting("Fragdeck", "Servers", "Masters"),
             QString("10.0.0.1:27950 127.0.0.1:27955"));
    saveMasters({});
    QCOMPARE(loadMasters().size(), 0); // emptied by the user: no masters, not the defaults

    SaveSetting("Fragdeck", "Options", "Q3path", "/usr/games/openarena");
    QCOMPARE(loadProtocol(), 71);
    saveProtocol(68);
    QCOMPARE(loadProtocol(), 68);
    SaveSetting("Fragdeck", "Servers", "Protocol", "69");
    QCOMPARE(loadProtocol(), 71);

    SaveSetting("Fragdeck", "Servers", "MaxInFlight", "7");
    SaveSetting("Fragdeck", "Servers", "PaceUs", "-4");
    const PollerSettings p = loadPollerSettings();
    QCOMPARE(p.maxInFlight, 7);
    QCOMPARE(p.paceUs, PollerSettings().paceUs);
    QCOMPARE(p.attemptTimeoutMs, PollerSettings().attemptTimeoutMs);
}

void TestServerList::lan()
{
    TestFleet fleet;
    QVERIFY(fleet.start(3));
    fleet.server(1).silent = true;
    QList<QHostAddress> hosts;
    QList<quint16> ports;
    for (int i = 0; i < fleet.size(); ++i) {
        hosts.append(fleet.server(i).host);
        if (!ports.contains(fleet.server(i).port))
            ports.append(fleet.server(i).port);
    }
    fleet.intercept = [&](int i, const QByteArray& request, const QHostAddress& from,
                          quint16 port) {
        if (i == 2) // answers with another nonce
            fleet.sendFrom(i, fleet.infoReply(i, "feed"), from, port);
        Q_UNUSED(request);
        return i == 2;
    };
    LanSource lan;
    lan.setTargets(hosts, ports);
    QSignalSpy found(&lan, &LanSource::serverFound);
    QSignalSpy finished(&lan, &LanSource::finished);
    lan.start(300);
    QVERIFY(finished.wait(5000));
    QCOMPARE(found.size(), 1);
    const auto a = found[0][0].value<ServerAddress>();
    QCOMPARE(a.host, fleet.server(0).host);
    QCOMPARE(found[0][1].value<ServerInfo>().hostname, QString("Fleet 0"));
    QVERIFY(fleet.server(0).lastRequest.startsWith("\xff\xff\xff\xffgetinfo "));
}

QTEST_GUILESS_MAIN(TestServerList)
#include "test_server_list.moc"
