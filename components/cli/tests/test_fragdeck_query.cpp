// The program itself, against UDP servers on 127.0.0.1 in this process, with a fresh
// settings store (so it registers the engine by itself) and no display.
#include "core/Activation.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestMaster.h"
#include "testsupport/TestSupport.h"
#include "testsupport/UdpTestServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace fragdeck;
using fragdeck::test::oob;
using fragdeck::test::UdpTestServer;

namespace
{

using Run = test::ProgramRun;

Run runQuery(const QStringList& args)
{
    return test::runCommandLine(FRAGDECK_QUERY, args);
}

QByteArray q3Reply(const QByteArray& name, const QByteArray& players,
                   const QByteArray& challenge = {})
{
    return oob("statusResponse\n\\sv_hostname\\" + name +
               "\\mapname\\q3dm17\\sv_maxclients\\16\\g_gametype\\0" +
               (challenge.isEmpty() ? QByteArray() : "\\challenge\\" + challenge) + "\n" + players);
}

// Answers "getstatus <challenge>" as Quake III servers do, echoing the challenge.
void answerStatus(UdpTestServer& server, const QByteArray& name, const QByteArray& players)
{
    server.responder = [name, players](const QByteArray& request) -> QList<QByteArray> {
        if (!request.startsWith(oob("getstatus")))
            return {};
        return {q3Reply(name, players, request.mid(4 + 9).trimmed())};
    };
}

} // namespace

class TestFragdeckQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void plainWithPlayers();
    void jsonWithPlayers();
    void serverWithoutPlayers();
    void timeOutAmongTwo();
    void badOption();
    void helpText();
    void quake2Protocol();
    void masterList();

private:
    std::unique_ptr<test::TempStore> m_store;
    UdpTestServer* m_server = nullptr;
    QString m_address;
};

void TestFragdeckQuery::init()
{
    m_store = std::make_unique<test::TempStore>();
    m_server = new UdpTestServer(this);
    answerStatus(*m_server, "^1Big ^7Room", "5 48 \"^1Fr^7ag\"\n0 999 \"Q\"uo\\te\"\n");
    m_address = QStringLiteral("127.0.0.1:%1").arg(m_server->port());
}

void TestFragdeckQuery::cleanup()
{
    delete m_server;
    m_store.reset();
}

void TestFragdeckQuery::plainWithPlayers()
{
    const Run r = runQuery({"--players", "--rules", m_address});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
    const QList<QByteArray> lines = r.out.split('\n');
    QVERIFY2(lines[0].startsWith(m_address.toUtf8() + "\tBig Room\tq3dm17\t2/16\t"), r.out);
    QVERIFY(lines[0].endsWith(" ms\t-")); // a loopback address has no country
    QCOMPARE(lines[1], QByteArray("  player\t5\t48\tFrag"));
    QCOMPARE(lines[2], QByteArray("  player\t0\t999\tQ\"uo\\te"));
    QVERIFY(r.out.contains("  rule\tmapname\tq3dm17\n"));

    const Run raw = runQuery({"--players", "--raw-names", m_address});
    QVERIFY(raw.out.startsWith(m_address.toUtf8() + "\t^1Big ^7Room\t"));
    QVERIFY(raw.out.contains("  player\t5\t48\t^1Fr^7ag\n"));
}

void TestFragdeckQuery::jsonWithPlayers()
{
    const Run r = runQuery({"--json", "--players", m_address});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject s = doc.array()[0].toObject();
    QCOMPARE(s["address"].toString(), m_address);
    QCOMPARE(s["status"].toString(), QString("ok"));
    QCOMPARE(s["name"].toString(), QString("Big Room"));
    QCOMPARE(s["map"].toString(), QString("q3dm17"));
    QVERIFY(s.contains("country"));
    QVERIFY(s["country"].isNull());
    QCOMPARE(s["maxclients"].toInt(), 16);
    QCOMPARE(s["playercount"].toInt(), 2);
    QVERIFY(s["rtt_ms"].isDouble());
    const QJsonArray players = s["players"].toArray();
    QCOMPARE(players.size(), 2);
    QCOMPARE(players[0].toObject()["score"].toInt(), 5);
    QCOMPARE(players[1].toObject()["name"].toString(), QString("Q\"uo\\te"));
}

void TestFragdeckQuery::serverWithoutPlayers()
{
    UdpTestServer empty;
    answerStatus(empty, "Empty", "");
    const QString address = QStringLiteral("127.0.0.1:%1").arg(empty.port());
    const Run r = runQuery({"--players", address});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n'), 1);
    QVERIFY(r.out.contains("\tEmpty\tq3dm17\t0/16\t"));
    const Run j = runQuery({"--json", "--players", address});
    const QJsonObject s = QJsonDocument::fromJson(j.out).array()[0].toObject();
    QCOMPARE(s["playercount"].toInt(), 0);
    QCOMPARE(s["players"].toArray().size(), 0);
}

void TestFragdeckQuery::timeOutAmongTwo()
{
    UdpTestServer silent;
    const QString dead = QStringLiteral("127.0.0.1:%1").arg(silent.port());
    const Run r = runQuery({"--timeout", "200", dead, m_address});
    QCOMPARE(r.exitCode, 1);
    const QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines[0], dead.toUtf8() + "\ttimeout\t-");
    QVERIFY(lines[1].startsWith(m_address.toUtf8() + "\tBig Room\t"));
    const Run j = runQuery({"--json", "--timeout", "200", dead, m_address});
    QCOMPARE(j.exitCode, 1);
    const QJsonArray a = QJsonDocument::fromJson(j.out).array();
    QCOMPARE(a.size(), 2);
    QCOMPARE(a[0].toObject()["status"].toString(), QString("timeout"));
    QCOMPARE(a[1].toObject()["status"].toString(), QString("ok"));
}

void TestFragdeckQuery::badOption()
{
    const Run r = runQuery({"--frobnicate", m_address});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    QVERIFY(r.err.contains("--frobnicate"));
    QVERIFY(r.err.contains("Usage: fragdeck-query"));
    QCOMPARE(m_server->received.size(), 0);
    QCOMPARE(runQuery({}).exitCode, 2);
}

void TestFragdeckQuery::helpText()
{
    const Run r = runQuery({"--help"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("Usage: fragdeck-query [options] ADDRESS..."));
}

void TestFragdeckQuery::quake2Protocol()
{
    UdpTestServer q2;
    q2.answer(oob("status info"),
              {oob("print\n\\hostname\\Q2 Box\\mapname\\q2dm1\\maxclients\\8\n3 50 \"Grunt\"\n")});
    const Run r = runQuery(
        {"--protocol", "QUAKE2", "--players", QStringLiteral("127.0.0.1:%1").arg(q2.port())});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(q2.received, QList<QByteArray>{oob("status info")});
    // The program registered the engine itself, from its own folder.
    QCOMPARE(registeredLibrary("scoutlink.commander"), test::builtComponent("scoutlink"));
    QVERIFY2(r.out.contains("\tQ2 Box\tq2dm1\t1/\t"), r.out); // Quake II has no sv_maxclients
    QVERIFY(r.out.contains("  player\t3\t50\tGrunt\n"));
}

void TestFragdeckQuery::masterList()
{
    test::TestFleet fleet;
    QVERIFY(fleet.start(3));
    test::TestMaster master;
    for (int i = 0; i < fleet.size(); ++i)
        master.addServer(fleet.server(i).host, fleet.server(i).port, 71);
    const QString at = QStringLiteral("127.0.0.1:%1").arg(master.port());
    const Run r = runQuery({"--master", at, "--protocol-version", "71", "--json"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
    const QJsonArray a = QJsonDocument::fromJson(r.out).array();
    QCOMPARE(a.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject s = a[i].toObject();
        QCOMPARE(s["status"].toString(), QString("ok"));
        QCOMPARE(s["name"].toString(), QStringLiteral("Fleet %1").arg(i));
        QCOMPARE(s["players"].toInt(), 0);
    }
    const Run plain = runQuery({"--master=" + at, "--protocol-version=71"});
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(plain.out.count('\n'), 3);

    QCOMPARE(runQuery({"--master", at, "--protocol-version", "70"}).exitCode, 2);
    QCOMPARE(runQuery({"--master", at, "--protocol", "QUAKE2"}).exitCode, 2);
    QCOMPARE(runQuery({"--master", "host:0"}).exitCode, 2);
    QCOMPARE(master.listRequests, 2);
}

QTEST_GUILESS_MAIN(TestFragdeckQuery)
#include "test_fragdeck_query.moc"
