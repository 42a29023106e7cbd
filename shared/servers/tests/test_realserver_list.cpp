// The real dedicated server (OpenArena, ioquake3 engine) found through a master: it sends
// its heartbeat to the tests' master, answers the master's getinfo, is listed, and the
// server list then finds and queries it.
#include "servers/ServerList.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/TestMaster.h"
#include "testsupport/TestSupport.h"

#include <QSignalSpy>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::servers;

class TestRealServerList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void foundThroughTheMaster();
};

void TestRealServerList::foundThroughTheMaster()
{
    if (!test::RealGameServer::available())
        QSKIP("openarena-server is not installed here (package openarena-server)");
    test::TestMaster master;
    QSignalSpy registered(&master, &test::TestMaster::serverRegistered);
    test::RealGameServer server(master.port(), QStringLiteral("^2Listed ^7Arena"));
    QVERIFY2(server.waitUntilReady(), qPrintable(server.log()));
    if (registered.isEmpty())
        QVERIFY2(registered.wait(20000), qPrintable(server.log()));
    QCOMPARE(master.heartbeats.first(), QByteArray("\xff\xff\xff\xffheartbeat QuakeArena-1\n"));
    QCOMPARE(master.servers().size(), 1);
    QCOMPARE(master.servers()[0].port, server.port());
    QCOMPARE(master.servers()[0].protocol, 71);

    // It heartbeats to our master only and resolves no host name.
    const QString log = server.log();
    const QString ours = QStringLiteral("127.0.0.1:%1").arg(master.port());
    QVERIFY2(log.contains("Sending heartbeat to " + ours), qPrintable(log));
    QCOMPARE(log.count("Resolving "), log.count("Resolving " + ours));

    ServerList list;
    list.setResolver(fixedResolver({}));
    list.setMasters({{QStringLiteral("127.0.0.1"), master.port()}});
    list.setProtocol(71);
    QSignalSpy finished(&list, &ServerList::finished);
    list.refresh();
    QVERIFY(finished.wait(15000));
    QCOMPARE(list.poller().size(), 1);
    const ServerResult r = list.poller().at(0);
    QCOMPARE(r.address.toString(), QStringLiteral("127.0.0.1:%1").arg(server.port()));
    QCOMPARE(r.status, ServerResult::Status::Ok);
    QCOMPARE(r.attempts, 1);
    QCOMPARE(r.info.hostname, QString("^2Listed ^7Arena"));
    QCOMPARE(r.info.mapname, QString("oa_dm1"));
    QCOMPARE(r.info.maxClients, 12);
    QCOMPARE(r.info.protocol, 71);
    QCOMPARE(r.info.gamename, QString("baseoa"));
    QCOMPARE(r.info.players.size(), 2);
    QCOMPARE(r.info.botCount(), 2);
    QVERIFY(r.info.players[0].bot && r.info.players[1].bot);
    QVERIFY(r.info.value("challenge").isEmpty());
}

QTEST_GUILESS_MAIN(TestRealServerList)
#include "test_realserver_list.moc"
