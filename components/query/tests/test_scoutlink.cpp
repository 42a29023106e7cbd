// The component as its clients use it: created by name from system/scoutlink.so and
// called late-bound, under a QCoreApplication (no display, no widgets).
#include "core/Activation.h"
#include "core/Error.h"
#include "testsupport/TestSupport.h"
#include "testsupport/UdpTestServer.h"

#include <QCoreApplication>
#include <QtTest>

using namespace fragdeck;
using fragdeck::test::oob;
using fragdeck::test::UdpTestServer;

namespace
{

QByteArray reply(const QByteArray& name, const QByteArray& map, const QByteArray& players)
{
    return oob("statusResponse\n\\sv_hostname\\" + name + "\\mapname\\" + map +
               "\\sv_maxclients\\16\\g_gametype\\0\n" + players);
}

QVariant call(QObject* o, const char* name, QVariantList args = {})
{
    return CallByName(o, QString::fromLatin1(name), args);
}

} // namespace

class TestScoutlink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void clientsCallingOrder();
    void namesIgnoreCase_data();
    void namesIgnoreCase();
    void commandersShareOneState();
    void quitThenConnectElsewhere();
    void overflowReachesTheCaller();

private:
    std::unique_ptr<test::TempStore> m_store;
};

void TestScoutlink::initTestCase()
{
    QVERIFY(qobject_cast<QCoreApplication*>(QCoreApplication::instance()));
    m_store = std::make_unique<test::TempStore>();
    QCOMPARE(test::registerBuiltComponent("scoutlink"), QString());
}

void TestScoutlink::cleanupTestCase()
{
    m_store.reset();
}

void TestScoutlink::clientsCallingOrder()
{
    UdpTestServer server;
    server.answer(oob("getstatus"),
                  {reply("My Server", "q3dm17", "5 48 \"^1Fr^7ag\"\n0 999 \"Bot\"\n")});
    auto engine = CreateObject("scoutlink.commander");
    QCOMPARE(engine->metaObject()->className(), "fragdeck::query::Commander");
    QCOMPARE(call(engine.get(), "Connect", {"127.0.0.1", server.port(), "QUAKE3", 3000}).toString(),
             QString("OK"));
    QCOMPARE(call(engine.get(), "IsTimeout").toBool(), false);
    QCOMPARE(call(engine.get(), "get_servername").toString(), QString("My Server"));
    QCOMPARE(call(engine.get(), "get_mapname").toString(), QString("q3dm17"));
    QCOMPARE(call(engine.get(), "get_maxclients").toString(), QString("16"));
    QCOMPARE(call(engine.get(), "GetclientCount").toInt(), 2);
    QVariantList args{0, QVariant(), QVariant(), QVariant(), QVariant()};
    CallByName(engine.get(), "getclientinfo", args);
    QCOMPARE(args[1].toString(), QString("5"));
    QCOMPARE(args[2].toString(), QString("48"));
    QCOMPARE(args[3].toString(), QString("Frag"));
    QCOMPARE(args[4].toString(), QString("^1Fr^7ag"));
    QCOMPARE(call(engine.get(), "GetRulesCount").toInt(), 4);
    QVariantList rule{99, QVariant(), QVariant()};
    CallByName(engine.get(), "getrulesinfo", rule);
    QCOMPARE(rule[1].toString(), QString("g_gametype"));
    QCOMPARE(rule[2].toString(), QString("0"));
    QCOMPARE(call(engine.get(), "quit").toString(), QString("OK"));
}

void TestScoutlink::namesIgnoreCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("IsTimeout") << "IsTimeout";
    QTest::newRow("ISTIMEOUT") << "ISTIMEOUT";
    QTest::newRow("IsTimeOut") << "IsTimeOut";
    QTest::newRow("istimeout") << "istimeout";
}

void TestScoutlink::namesIgnoreCase()
{
    QFETCH(QString, name);
    auto engine = CreateObject("SCOUTLINK.Commander");
    UdpTestServer silent;
    call(engine.get(), "connect", {"127.0.0.1", silent.port(), "QUAKE3", 30});
    QCOMPARE(CallByName(engine.get(), name).toBool(), true);
}

void TestScoutlink::commandersShareOneState()
{
    UdpTestServer a, b;
    a.answer(oob("getstatus"), {reply("A", "mapa", "")});
    b.answer(oob("getstatus"), {reply("B", "mapb", "")});
    auto first = CreateObject("scoutlink.commander");
    auto second = CreateObject("scoutlink.commander");
    call(first.get(), "Connect", {"127.0.0.1", a.port(), "QUAKE3", 3000});
    QCOMPARE(call(first.get(), "get_mapname").toString(), QString("mapa"));
    QCOMPARE(call(first.get(), "GetClientCount").toInt(), 0);
    call(second.get(), "Connect", {"127.0.0.1", b.port(), "QUAKE3", 3000});
    QCOMPARE(call(first.get(), "get_mapname").toString(), QString("mapb"));
}

void TestScoutlink::quitThenConnectElsewhere()
{
    UdpTestServer a, b;
    a.answer(oob("getstatus"), {reply("A", "mapa", "")});
    b.answer(oob("getstatus"), {reply("B", "mapb", "1 2 \"x\"\n")});
    auto engine = CreateObject("scoutlink.commander");
    call(engine.get(), "Connect", {"127.0.0.1", a.port(), "QUAKE3", 3000});
    call(engine.get(), "Quit");
    call(engine.get(), "Connect", {"127.0.0.1", b.port(), "QUAKE3", 3000});
    QCOMPARE(call(engine.get(), "IsTimeOut").toBool(), false);
    QCOMPARE(call(engine.get(), "get_servername").toString(), QString("B"));
    QCOMPARE(call(engine.get(), "GetClientInfo_name", {0}).toString(), QString("x"));
}

void TestScoutlink::overflowReachesTheCaller()
{
    UdpTestServer server;
    server.answer(oob("getstatus"), {reply("Big", "m", QByteArray(40000, 'x'))});
    auto engine = CreateObject("scoutlink.commander");
    call(engine.get(), "Connect", {"127.0.0.1", server.port(), "QUAKE3", 3000});
    QCOMPARE(call(engine.get(), "IsTimeOut").toBool(), false);
    QCOMPARE(test::errorOf([&] { call(engine.get(), "get_mapname"); }), int(ErrorCode::Overflow));
}

QTEST_GUILESS_MAIN(TestScoutlink)
#include "test_scoutlink.moc"
