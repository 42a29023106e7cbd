// The engine against a real dedicated server (OpenArena on the ioquake3 engine) on
// 127.0.0.1, created and called exactly as the server browser does.
#include "core/Activation.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/TestSupport.h"

#include <QtTest>

using namespace fragdeck;

class TestRealServerQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statusPlayersAndRules();
};

void TestRealServerQuery::statusPlayersAndRules()
{
    if (!test::RealGameServer::available())
        QSKIP("no dedicated game server on this machine");
    test::TempStore store;
    QCOMPARE(test::registerBuiltComponent("scoutlink"), QString());
    test::RealGameServer server("pw", "^1Frag^7deck Test");
    QVERIFY2(server.waitUntilReady(), qPrintable(server.log()));

    auto engine = CreateObject("scoutlink.commander");
    CallByName(engine.get(), "Connect", {"127.0.0.1", server.port(), "QUAKE3", 3000});
    QCOMPARE(CallByName(engine.get(), "IsTimeout").toBool(), false);
    QCOMPARE(CallByName(engine.get(), "get_servername").toString(), QString("^1Frag^7deck Test"));
    QCOMPARE(CallByName(engine.get(), "get_mapname").toString(), QString("oa_dm1"));
    QCOMPARE(CallByName(engine.get(), "get_maxclients").toString(), QString("12"));
    QCOMPARE(CallByName(engine.get(), "GetclientCount").toInt(), 2);
    QStringList names;
    for (int i = 0; i < 2; ++i) {
        QVariantList args{i, QVariant(), QVariant(), QVariant(), QVariant()};
        CallByName(engine.get(), "getclientinfo", args);
        bool numeric = false;
        args[2].toString().toInt(&numeric);
        QVERIFY2(numeric, qPrintable(args[2].toString()));
        names.append(args[3].toString());
    }
    names.sort();
    QCOMPARE(names, (QStringList{"Angelyss", "Arachna"}));

    const int rules = CallByName(engine.get(), "GetRulesCount").toInt();
    QVERIFY(rules > 10);
    QHash<QString, QString> byName;
    for (int i = 0; i < rules; ++i) {
        QVariantList args{i, QVariant(), QVariant()};
        CallByName(engine.get(), "getrulesinfo", args);
        byName.insert(args[1].toString(), args[2].toString());
    }
    QCOMPARE(byName.value("mapname"), QString("oa_dm1"));
    QCOMPARE(byName.value("sv_maxclients"), QString("12"));
    QCOMPARE(byName.value("gamename"), QString("baseoa"));
    CallByName(engine.get(), "quit");
}

QTEST_GUILESS_MAIN(TestRealServerQuery)
#include "test_realserver_query.moc"
