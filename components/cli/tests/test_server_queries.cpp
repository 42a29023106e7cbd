// fragdeck-query's Quake III path in-process: addresses and masters against the tests' own
// fleet and master, names resolved from a table of the test's own.
#include "ServerQueries.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestMaster.h"
#include "testsupport/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::cli;
using fragdeck::test::TestFleet;
using fragdeck::test::TestMaster;

namespace
{

QString addressOf(const TestFleet& f, int i)
{
    return QStringLiteral("%1:%2").arg(f.server(i).host.toString()).arg(f.server(i).port);
}

struct Outcome {
    int status = -1;
    QList<ResultView> streamed;
    QStringList problems;
    QList<ResultView> all;
};

Outcome run(const Options& o, const servers::Resolver& resolver)
{
    Outcome out;
    QueryOutput q;
    q.result = [&](const ResultView& r) { out.streamed.append(r); };
    q.problem = [&](const QString& p) { out.problems.append(p); };
    out.status = runServerQueries(o, resolver, q, &out.all);
    return out;
}

} // namespace

class TestServerQueries : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressesAtOnce();
    void everyoneAnswers();
    void mastersAndTheirProblems();
    void jsonOfListedServers();
    void mappedAndPlainAddressesInOneList();
};

void TestServerQueries::addressesAtOnce()
{
    test::TempStore store;
    TestFleet fleet;
    QVERIFY(fleet.start(8));
    QList<int> order; // fleet server of each datagram, in arrival order
    fleet.intercept = [&](int i, const QByteArray&, const QHostAddress&, quint16) {
        order.append(i);
        return false;
    };
    for (int i = 0; i < fleet.size(); i += 2)
        fleet.server(i).silent = true;
    Options o;
    o.timeoutMs = 300;
    for (int i = 0; i < fleet.size(); ++i)
        o.addresses.append(addressOf(fleet, i));
    o.addresses.insert(3, "no.such.host.test:27960");
    o.addresses.append(QStringLiteral("fleet.test:%1").arg(fleet.server(1).port));
    const Outcome r = run(o, servers::fixedResolver({{"fleet.test", fleet.server(1).host}}));
    QCOMPARE(r.status, int(ExitTimedOut));
    QCOMPARE(r.streamed.size(), 10);
    for (int i = 0; i < r.streamed.size(); ++i)
        QCOMPARE(r.streamed[i].address, o.addresses[i]); // the command line's order
    QCOMPARE(r.streamed[3].status, ResultView::CannotResolve);
    QCOMPARE(formatPlain(r.streamed[3], o), QString("no.such.host.test:27960\tcannot resolve\n"));
    QCOMPARE(r.streamed[0].status, ResultView::TimedOut);
    QCOMPARE(r.streamed[1].status, ResultView::Ok);
    QCOMPARE(r.streamed[1].name, QString("Fleet 1"));
    QCOMPARE(r.streamed[9].status, ResultView::Ok); // the same server under a name
    QCOMPARE(r.streamed[9].name, QString("Fleet 1"));
    QCOMPARE(fleet.server(1).received, 1);
    // All at once: every server was asked before any silent one was asked again.
    QCOMPARE(QSet<int>(order.begin(), order.begin() + 8).size(), 8);
    for (int i = 0; i < fleet.size(); ++i)
        QCOMPARE(fleet.server(i).received, i % 2 == 0 ? 3 : 1);
}

void TestServerQueries::everyoneAnswers()
{
    test::TempStore store;
    TestFleet fleet;
    QVERIFY(fleet.start(3));
    fleet.server(2).bots = 1;
    fleet.server(2).humans = 2;
    Options o;
    o.players = true;
    o.rules = true;
    for (int i = 0; i < fleet.size(); ++i)
        o.addresses.append(addressOf(fleet, i));
    const Outcome r = run(o, servers::fixedResolver({}));
    QCOMPARE(r.status, int(ExitOk));
    QCOMPARE(r.streamed.size(), 3);
    const ResultView& s = r.streamed[2];
    QCOMPARE(s.playerCount, 3);
    QCOMPARE(s.botCount, 1);
    QCOMPARE(s.maxClients, QString("16"));
    QCOMPARE(s.players[0].name, QString("Bot0"));
    QCOMPARE(s.players[0].ping, QString("0"));
    QCOMPARE(s.players[1].score, QString("10"));
    bool challenge = false;
    for (const RuleLine& rule : s.rules)
        challenge = challenge || rule.name == "challenge";
    QVERIFY(!challenge); // our own nonce is no server rule
    QVERIFY(formatPlain(s, o).startsWith(addressOf(fleet, 2) + "\tFleet 2\tq3dm17\t3/16\t"));
}

void TestServerQueries::mastersAndTheirProblems()
{
    test::TempStore store;
    TestFleet fleet;
    QVERIFY(fleet.start(5));
    fleet.server(4).silent = true;
    TestMaster master;
    master.maxDatagramSize = 40;
    for (int i = fleet.size() - 1; i >= 0; --i)
        master.addServer(fleet.server(i).host, fleet.server(i).port, 71);
    TestMaster quiet;
    quiet.silent = true;
    Options o;
    o.timeoutMs = 300;
    o.protocolVersion = 71;
    o.addresses = {addressOf(fleet, 2)};
    o.masters = {QStringLiteral("127.0.0.1:%1").arg(master.port()),
                 QStringLiteral("127.0.0.1:%1").arg(quiet.port()), "master.nowhere.test"};
    const Outcome r = run(o, servers::fixedResolver({}));
    QCOMPARE(r.status, int(ExitTimedOut));
    QCOMPARE(master.received.first(), QByteArray("\xff\xff\xff\xffgetservers 71 empty full"));
    QStringList shown;
    for (const ResultView& s : r.streamed)
        shown.append(s.address);
    // The command line's address first, then the master's in its order, each once.
    QCOMPARE(shown, (QStringList{addressOf(fleet, 2), addressOf(fleet, 4), addressOf(fleet, 3),
                                 addressOf(fleet, 1), addressOf(fleet, 0)}));
    QCOMPARE(r.streamed[1].status, ResultView::TimedOut);
    QCOMPARE(r.streamed[4].status, ResultView::Ok);
    QCOMPARE(fleet.server(2).received, 1);
    QStringList problems = r.problems;
    problems.sort();
    QCOMPARE(problems,
             (QStringList{QStringLiteral("master 127.0.0.1:%1: no reply").arg(quiet.port()),
                          "master master.nowhere.test:27950: cannot resolve"}));
}

void TestServerQueries::jsonOfListedServers()
{
    test::TempStore store;
    TestFleet fleet;
    QVERIFY(fleet.start(2));
    fleet.server(0).humans = 2;
    TestMaster master;
    for (int i = 0; i < fleet.size(); ++i)
        master.addServer(fleet.server(i).host, fleet.server(i).port);
    Options o;
    o.masters = {QStringLiteral("127.0.0.1:%1").arg(master.port())};
    Outcome r = run(o, servers::fixedResolver({}));
    QCOMPARE(r.status, int(ExitOk));
    QJsonArray a = QJsonDocument::fromJson(formatJson(r.all, o)).array();
    QCOMPARE(a.size(), 2);
    QJsonObject s = a[0].toObject();
    QCOMPARE(s["address"].toString(), addressOf(fleet, 0));
    QCOMPARE(s["status"].toString(), QString("ok"));
    QCOMPARE(s["name"].toString(), QString("Fleet 0"));
    QCOMPARE(s["map"].toString(), QString("q3dm17"));
    QCOMPARE(s["maxclients"].toInt(), 16);
    QCOMPARE(s["players"].toInt(), 2);
    QVERIFY(s["ping"].isDouble());
    o.players = true;
    r = run(o, servers::fixedResolver({}));
    a = QJsonDocument::fromJson(formatJson(r.all, o)).array();
    s = a[0].toObject();
    QCOMPARE(s["playercount"].toInt(), 2);
    const QJsonArray players = s["players"].toArray();
    QCOMPARE(players.size(), 2);
    QCOMPARE(players[1].toObject()["name"].toString(), QString("Player 1"));
    QCOMPARE(players[1].toObject()["score"].toInt(), 11);
    QCOMPARE(players[1].toObject()["ping"].toInt(), 20);
}

void TestServerQueries::mappedAndPlainAddressesInOneList()
{
    // One server under its IPv4 and its v4-mapped IPv6 form is one row, answered once.
    test::TempStore store;
    TestMaster master(nullptr, QHostAddress::LocalHostIPv6);
    if (master.port() == 0)
        QSKIP("no IPv6 loopback here");
    TestFleet fleet;
    QVERIFY(fleet.start(2));
    const QHostAddress mapped(QStringLiteral("::ffff:") + fleet.server(1).host.toString());
    master.addServer(fleet.server(0).host, fleet.server(0).port);
    master.addServer(mapped, fleet.server(1).port);
    Options o;
    o.timeoutMs = 600;
    o.addresses = {QStringLiteral("[%1]:%2").arg(mapped.toString()).arg(fleet.server(1).port)};
    o.masters = {QStringLiteral("[::1]:%1").arg(master.port())};
    const Outcome r = run(o, servers::fixedResolver({}));
    QCOMPARE(r.problems, QStringList());
    QCOMPARE(r.status, int(ExitOk));
    QCOMPARE(r.streamed.size(), 2);
    QCOMPARE(r.streamed[0].address, o.addresses[0]);
    QCOMPARE(r.streamed[1].address, addressOf(fleet, 0));
    for (const ResultView& s : r.streamed)
        QCOMPARE(s.status, ResultView::Ok);
    QCOMPARE(r.streamed[0].name, QString("Fleet 1"));
    QCOMPARE(fleet.server(1).received, 1);
}

QTEST_GUILESS_MAIN(TestServerQueries)
#include "test_server_queries.moc"
