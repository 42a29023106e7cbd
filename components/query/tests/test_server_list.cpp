// Masters, the merged list and the settings behind it, against the tests' own master and
// fleet on loopback. Names resolve only through a table of the test's own.
#include "LanSource.h"
#include "MasterClient.h"
#include "ServerList.h"
#include "ServerListSettings.h"
#include "Settings.h"
#include "TestFleet.h"
#include "TestMaster.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::query;
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

} // namespace

class TestServerList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void longListOverManyDatagrams();
    void lostLastDatagram();
    void mastersMergedAndReported();
    void ipv6Master();
    void protocolChosen();
    void listAndQuery();
    void settings();
    void lan();
};

void TestServerList::longListOverManyDatagrams()
{
    TestMaster master;
    master.shuffleDatagrams = true;
    QSet<QString> expected;
    for (int i = 0; i < 700; ++i) {
        // Every byte value turns up in addresses and ports, 0x5C and 0x2F included.
        const quint32 ip = 0x0a000000u | quint32(i * 0x2f5c % 0xffffff);
        const quint16 port = quint16(0x5c00 + i);
        master.addServer(QHostAddress(ip), port);
        expected.insert(QStringLiteral("%1:%2").arg(QHostAddress(ip).toString()).arg(port));
    }
    master.addServer(QHostAddress("92.47.92.47"), 0x5c2f);
    master.addServer(QHostAddress("47.92.47.92"), 0x2f5c);
    expected << "92.47.92.47:23599"
             << "47.92.47.92:12124";
    master.addServer(QHostAddress("0.0.0.0"), 27960);
    master.addServer(QHostAddress("10.0.0.1"), 0);
    master.addServer(QHostAddress("92.47.92.47"), 0x5c2f); // listed twice
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
        master.addServer(QHostAddress(0x0b000001u + quint32(i)), 27960);
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
    a.addServer(QHostAddress("10.1.1.1"), 27960);
    a.addServer(QHostAddress("10.1.1.2"), 27960);
    b.addServer(QHostAddress("10.1.1.2"), 27960);
    b.addServer(QHostAddress("10.1.1.3"), 27961);
    MasterClient client;
    client.setCollectTimeoutMs(300);
    client.setResolver(fixedResolver({{"master.one.test", QHostAddress("127.0.0.1")}}));
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({{"master.one.test", a.port()}, local(b), local(quiet), {"nowhere.test", 27950}},
                 68);
    QVERIFY(finished.wait(5000));
    QCOMPARE(texts(client.servers()),
             (QSet<QString>{"10.1.1.1:27960", "10.1.1.2:27960", "10.1.1.3:27961"}));
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
    master.addServer(QHostAddress("10.2.2.2"), 27960);
    master.addServer(QHostAddress("2001:db8::2f5c"), 0x5c2f);
    MasterClient client;
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({{"::1", master.port()}}, 71);
    QVERIFY(finished.wait(5000));
    QCOMPARE(master.received.first(),
             QByteArray("\xff\xff\xff\xffgetserversExt Quake3Arena 71 empty full"));
    QCOMPARE(client.servers().size(), 0); // listed under 68 only
    master.clearServers();
    master.addServer(QHostAddress("10.2.2.2"), 27960, 71);
    master.addServer(QHostAddress("2001:db8::2f5c"), 0x5c2f, 71);
    client.query({{"::1", master.port()}}, 71);
    QVERIFY(finished.wait(5000));
    QCOMPARE(texts(client.servers()), (QSet<QString>{"10.2.2.2:27960", "[2001:db8::2f5c]:23599"}));
}

void TestServerList::protocolChosen()
{
    TestMaster master;
    master.addServer(QHostAddress("10.3.3.1"), 27960, 68);
    master.addServer(QHostAddress("10.3.3.2"), 27960, 71);
    MasterClient client;
    QSignalSpy finished(&client, &MasterClient::finished);
    client.query({local(master)}, 71);
    QVERIFY(finished.wait(5000));
    QCOMPARE(master.received.last(), QByteArray("\xff\xff\xff\xffgetservers 71 empty full"));
    QCOMPARE(texts(client.servers()), QSet<QString>{"10.3.3.2:27960"});
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
    list.setResolver(fixedResolver({}));
    list.setMasters({local(master)});
    PollerSettings s;
    s.attemptTimeoutMs = 100;
    list.poller().setSettings(s);
    QSignalSpy finished(&list, &ServerList::finished);
    list.refresh();
    QVERIFY(finished.wait(5000));
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
