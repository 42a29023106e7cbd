// The exchange against a real UDP server on 127.0.0.1, through the engine itself.
#include "Commander.h"
#include "QuerySocket.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "testsupport/TestSupport.h"
#include "testsupport/UdpTestServer.h"

#include <QUdpSocket>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::query;
using fragdeck::test::errorOf;
using fragdeck::test::oob;
using fragdeck::test::raw;
using fragdeck::test::UdpTestServer;

namespace
{

QByteArray statusReply(const QByteArray& map)
{
    return oob("statusResponse\n\\sv_hostname\\Loop\\mapname\\" + map +
               "\\sv_maxclients\\8\\g_gametype\\0\n");
}

} // namespace

class TestQueryExchange : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void oneRequestPerProtocol_data();
    void oneRequestPerProtocol();
    void halfLifeSequence();
    void halfLifeRulesNeverAnswered();
    void halfLifeBurstIsTakenInByNestedWaits();
    void secondReplyReplacesTheFirst();
    void lateReplyIsTakenIn();
    void timeOutKeepsThePreviousReply();
    void otherAddressesAreIgnored();
    void badTargetsEndAsTimeOut_data();
    void badTargetsEndAsTimeOut();
    void conversionsOverflow();
    void quitInsideTheWaitEndsIt();
};

void TestQueryExchange::init()
{
    queryState() = QueryState();
}

void TestQueryExchange::oneRequestPerProtocol_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("quake3") << "QUAKE3" << oob("getstatus info");
    QTest::newRow("quake2") << "QUAKE2" << oob("status info");
    QTest::newRow("quakeworld") << "QUAKEWORLD" << oob("status info");
}

void TestQueryExchange::oneRequestPerProtocol()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, request);
    UdpTestServer server;
    server.answer(oob(""), {statusReply("q3dm1")});
    Commander c;
    QCOMPARE(c.Connect("127.0.0.1", server.port(), type, 3000).toString(), QString("OK"));
    QCOMPARE(server.received, QList<QByteArray>{request});
    QCOMPARE(c.IsTimeOut().toBool(), false);
    QCOMPARE(queryState().Waiting, false);
    QCOMPARE(c.get_mapname().toString(), QString("q3dm1"));
}

void TestQueryExchange::halfLifeSequence()
{
    UdpTestServer server;
    const QByteArray info = oob(raw("C1.2.3.4:27015\0Half\0crossfire\0valve\0x\0"));
    int rules = 0, players = 0;
    server.responder = [&](const QByteArray& r) -> QList<QByteArray> {
        if (r == oob("info"))
            return {info};
        if (r == oob("rules"))
            return {oob("E\x01") + QByteArray("\0rule\0", 6) + QByteArray::number(++rules) +
                    QByteArray(1, '\0')};
        if (r == oob("players"))
            return {oob("D\x02\x01P") + QByteArray::number(++players) + QByteArray(1, '\0')};
        return {};
    };
    Commander c;
    c.Connect("localhost", server.port(), "HALFLIFE", 3000);
    const QByteArray rulesReq = oob("rules"), playersReq = oob("players");
    QCOMPARE(server.received, (QList<QByteArray>{oob("info"), rulesReq, rulesReq, rulesReq,
                                                 playersReq, playersReq, playersReq}));
    QCOMPARE(c.IsTimeOut().toBool(), false);
    QueryState& st = queryState();
    QCOMPARE(st.Stage, int16_t(3));
    QCOMPARE(st.InfoReply, info);
    QVERIFY(st.RulesReply.endsWith(QByteArray("rule\0"
                                              "3",
                                              6) +
                                   '\0')); // the third is kept
    QCOMPARE(c.GetClientInfo_name(0).toString(), QString("P3"));
    QCOMPARE(c.GetRulesInfo_varvalue(0).toString(), QString("crossfire"));
    QCOMPARE(c.GetRulesInfo_varname(2).toString(), QString("rule"));
}

void TestQueryExchange::halfLifeRulesNeverAnswered()
{
    UdpTestServer server;
    const QByteArray info = oob(raw("C\0n\0newmap\0valve\0"));
    server.answer(oob("info"), {info});
    QueryState& st = queryState();
    st.InfoReply = "old";
    Commander c;
    c.Connect("127.0.0.1", server.port(), "HALFLIFE", 150);
    QCOMPARE(c.IsTimeOut().toBool(), true);
    QCOMPARE(st.Reply, QByteArray("EMPTY"));
    QCOMPARE(st.InfoReply, info);
    QCOMPARE(c.GetRulesInfo_varvalue(0).toString(), QString("newmap"));
}

void TestQueryExchange::halfLifeBurstIsTakenInByNestedWaits()
{
    // Three replies at once to the first rules and players requests: the second and third
    // arrive while the handler waits nested in itself, and must still be counted there.
    UdpTestServer server;
    int rules = 0, players = 0;
    server.responder = [&](const QByteArray& r) -> QList<QByteArray> {
        if (r == oob("info"))
            return {oob(raw("C\0n\0burst\0valve\0"))};
        if (r == oob("rules") && rules++ == 0)
            return {oob("E1"), oob("E2"), oob("E3")};
        if (r == oob("players") && players++ == 0)
            return {oob("D1"), oob("D2"), oob("D3")};
        return {};
    };
    Commander c;
    c.Connect("127.0.0.1", server.port(), "HALFLIFE", 2000);
    QCOMPARE(c.IsTimeOut().toBool(), false);
    QueryState& st = queryState();
    QCOMPARE(st.Stage, int16_t(3));
    QCOMPARE(st.RulesReply, oob("E3"));
    QCOMPARE(st.PlayersReply, oob("D3"));
}

void TestQueryExchange::secondReplyReplacesTheFirst()
{
    UdpTestServer server;
    server.answer(oob("getstatus"), {statusReply("first"), statusReply("second")});
    Commander c;
    c.Connect("127.0.0.1", server.port(), "QUAKE3", 3000);
    QCOMPARE(c.IsTimeOut().toBool(), false);
    QVERIFY(test::spinUntil([&] { return c.get_mapname().toString() == "second"; }));
    QCOMPARE(server.received.size(), 1);
}

void TestQueryExchange::lateReplyIsTakenIn()
{
    UdpTestServer server;
    server.replyDelayMs = 300;
    server.answer(oob("getstatus"), {statusReply("late")});
    Commander c;
    c.Connect("127.0.0.1", server.port(), "QUAKE3", 50);
    QCOMPARE(c.IsTimeOut().toBool(), true);
    QVERIFY(test::spinUntil([&] { return c.get_mapname().toString() == "late"; }));
    QCOMPARE(c.IsTimeOut().toBool(), true); // until the next Connect
}

void TestQueryExchange::timeOutKeepsThePreviousReply()
{
    UdpTestServer server;
    server.answer(oob("getstatus"), {statusReply("kept")});
    Commander c;
    c.Connect("127.0.0.1", server.port(), "QUAKE3", 3000);
    UdpTestServer silent;
    c.Connect("127.0.0.1", silent.port(), "QUAKE3", 200);
    QCOMPARE(c.IsTimeOut().toBool(), true);
    QCOMPARE(silent.received.size(), 1);
    QCOMPARE(c.get_servername().toString(), QString("Loop"));
    QCOMPARE(c.get_mapname().toString(), QString("kept"));

    // The wait never ends early: a reply that comes inside the time-out is taken.
    UdpTestServer slow;
    slow.replyDelayMs = 100;
    slow.answer(oob("getstatus"), {statusReply("in time")});
    c.Connect("127.0.0.1", slow.port(), "QUAKE3", 3000);
    QCOMPARE(c.IsTimeOut().toBool(), false);
    QCOMPARE(c.get_mapname().toString(), QString("in time"));
}

void TestQueryExchange::otherAddressesAreIgnored()
{
    UdpTestServer silent;
    QUdpSocket impostor;
    impostor.bind(QHostAddress::LocalHost, 0);
    connect(&silent, &UdpTestServer::datagramReceived, this, [&] {
        const quint16 port = QuerySocket::instance().socket()->localPort();
        impostor.writeDatagram(statusReply("forged"), QHostAddress::LocalHost, port);
    });
    Commander c;
    c.Connect("127.0.0.1", silent.port(), "QUAKE3", 300);
    QCOMPARE(c.IsTimeOut().toBool(), true);
    QVERIFY(!c.get_mapname().isValid());
}

void TestQueryExchange::badTargetsEndAsTimeOut_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("type");
    QTest::newRow("lower-case type") << "127.0.0.1" << -1 << "quake3";
    QTest::newRow("unknown type") << "127.0.0.1" << -1 << "DOOM";
    QTest::newRow("custom sends nothing") << "127.0.0.1" << -1 << "CUSTOM";
    QTest::newRow("bad port") << "127.0.0.1" << 70000 << "QUAKE3";
    QTest::newRow("zero port") << "127.0.0.1" << 0 << "QUAKE3";
    QTest::newRow("unresolvable host") << "no-such-host.invalid" << -1 << "QUAKE3";
    QTest::newRow("empty host") << "" << -1 << "QUAKE3";
}

void TestQueryExchange::badTargetsEndAsTimeOut()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, type);
    UdpTestServer server;
    server.answer(oob(""), {statusReply("x")});
    Commander c;
    QCOMPARE(c.Connect(host, port < 0 ? server.port() : port, type, 100).toString(), QString("OK"));
    QCOMPARE(c.IsTimeOut().toBool(), true);
    QCOMPARE(server.received.size(), 0);
}

void TestQueryExchange::conversionsOverflow()
{
    UdpTestServer server;
    Commander c;
    QCOMPARE(errorOf([&] { c.Connect("127.0.0.1", server.port(), "QUAKE3", 40000); }),
             int(ErrorCode::Overflow));
    QCOMPARE(errorOf([&] { c.Connect("127.0.0.1", 5e9, "QUAKE3", 100); }),
             int(ErrorCode::Overflow));
    QCOMPARE(server.received.size(), 0);
    QCOMPARE(
        errorOf([&] { c.Connect("127.0.0.1", QString::number(server.port()), "QUAKE3", "100"); }),
        0);
    QCOMPARE(server.received.size(), 1);
}

void TestQueryExchange::quitInsideTheWaitEndsIt()
{
    UdpTestServer silent;
    Commander c;
    connect(&silent, &UdpTestServer::datagramReceived, this, [&] { c.Quit(); });
    c.Connect("127.0.0.1", silent.port(), "QUAKE3", 30000);
    QCOMPARE(c.IsTimeOut().toBool(), true);
}

QTEST_GUILESS_MAIN(TestQueryExchange)
#include "test_query_exchange.moc"
