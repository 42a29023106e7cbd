// The command line, the addresses and the output of fragdeck-query, without the network.
#include "QueryCli.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace fragdeck::cli;

class TestCliLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arguments_data();
    void arguments();
    void addresses_data();
    void addresses();
    void jsonStaysValid();
    void plainLinesCannotBeBroken();
};

void TestCliLogic::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<int>("timeout");
    QTest::newRow("defaults") << QStringList{"a"} << true << "QUAKE3" << 3000;
    QTest::newRow("protocol and time-out")
        << QStringList{"--protocol", "QUAKE2", "--timeout", "500", "a"} << true << "QUAKE2" << 500;
    QTest::newRow("equals form, lower case")
        << QStringList{"--protocol=halflife", "--timeout=0", "a"} << true << "HALFLIFE" << 0;
    QTest::newRow("flags") << QStringList{"--players", "--rules", "--json", "--raw-names", "a"}
                           << true << "QUAKE3" << 3000;
    QTest::newRow("help alone") << QStringList{"--help"} << true << "QUAKE3" << 3000;
    QTest::newRow("unknown option") << QStringList{"--bogus", "a"} << false << "" << 0;
    QTest::newRow("unknown protocol") << QStringList{"--protocol", "DOOM", "a"} << false << "" << 0;
    QTest::newRow("missing value") << QStringList{"a", "--timeout"} << false << "" << 0;
    QTest::newRow("time-out too long")
        << QStringList{"--timeout", "40000", "a"} << false << "" << 0;
    QTest::newRow("time-out not a number")
        << QStringList{"--timeout", "soon", "a"} << false << "" << 0;
    QTest::newRow("value on a flag") << QStringList{"--json=yes", "a"} << false << "" << 0;
    QTest::newRow("no address") << QStringList{"--json"} << false << "" << 0;
    QTest::newRow("bad port") << QStringList{"host:99999"} << false << "" << 0;
}

void TestCliLogic::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(QString, protocol);
    QFETCH(int, timeout);
    Options o;
    QString error;
    QCOMPARE(parseArguments(args, &o, &error), ok);
    if (!ok) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(o.protocol, protocol);
    QCOMPARE(o.timeoutMs, timeout);
}

void TestCliLogic::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host") << "q3.example.org" << true << "q3.example.org" << 27960;
    QTest::newRow("host and port") << "10.0.0.5:27961" << true << "10.0.0.5" << 27961;
    QTest::newRow("bracketed v6") << "[::1]:27962" << true << "::1" << 27962;
    QTest::newRow("bare v6") << "::1" << true << "::1" << 27960;
    QTest::newRow("empty port") << "host:" << false << "" << 0;
    QTest::newRow("port zero") << "host:0" << false << "" << 0;
    QTest::newRow("no host") << ":27960" << false << "" << 0;
}

void TestCliLogic::addresses()
{
    QFETCH(QString, address);
    QFETCH(bool, ok);
    QFETCH(QString, host);
    QFETCH(int, port);
    const Target t = parseAddress(address);
    QCOMPARE(t.ok, ok);
    if (ok) {
        QCOMPARE(t.host, host);
        QCOMPARE(t.port, port);
    }
}

void TestCliLogic::jsonStaysValid()
{
    ResultView r;
    r.address = "127.0.0.1:27960";
    r.status = ResultView::Ok;
    r.name = QString::fromLatin1("^1Caf\xe9 \"quoted\" back\\slash\x01\x1b[31m");
    r.map = "q3dm17";
    r.maxClients = "16";
    r.playerCount = 1;
    r.players.append(PlayerLine{"5", "48", QString::fromLatin1("a\"b\\c\n\t")});
    r.rules.append(RuleLine{"sv_hostname", "x"});
    ResultView t;
    t.address = "10.0.0.1:27960";
    t.country = "DE"; // silent servers have their country too
    Options o;
    o.players = true;
    o.rules = true;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(formatJson({r, t}, o), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray a = doc.array();
    QCOMPARE(a.size(), 2);
    const QJsonObject s = a[0].toObject();
    QCOMPARE(s["status"].toString(), QString("ok"));
    QCOMPARE(s["name"].toString(),
             QString::fromUtf8("Caf\u00e9 \"quoted\" back\\slash\x01\x1b[31m"));
    QCOMPARE(s["maxclients"].toInt(), 16);
    QCOMPARE(s["players"].toArray()[0].toObject()["name"].toString(), QString("a\"b\\c\n\t"));
    QCOMPARE(s["players"].toArray()[0].toObject()["ping"].toInt(), 48);
    QCOMPARE(s["rules"].toArray()[0].toObject()["name"].toString(), QString("sv_hostname"));
    QCOMPARE(a[1].toObject()["status"].toString(), QString("timeout"));
    QVERIFY(s["country"].isNull());
    QCOMPARE(a[1].toObject()["country"].toString(), QString("DE"));
    o.rawNames = true;
    QCOMPARE(QJsonDocument::fromJson(formatJson({r}, o)).array()[0].toObject()["name"].toString(),
             r.name);
}

void TestCliLogic::plainLinesCannotBeBroken()
{
    ResultView r;
    r.address = "h:1";
    r.status = ResultView::Ok;
    r.name = "^3Evil\nname\x1b]0;x\x07";
    r.maxClients = "8";
    r.players.append(PlayerLine{"1", "2", "bad\rname"});
    Options o;
    o.players = true;
    const QString out = formatPlain(r, o);
    QCOMPARE(out.count(u'\n'), 2);
    QVERIFY(!out.contains(QChar(0x1b)));
    QVERIFY(out.startsWith("h:1\tEvil?name?]0;x?\t\t0/8\t"));
    QVERIFY(out.contains("  player\t1\t2\tbad?name\n"));
    ResultView t;
    t.address = "h:2";
    QCOMPARE(formatPlain(t, o), QString("h:2\ttimeout\t-\n"));
    t.country = "NL";
    QCOMPARE(formatPlain(t, o), QString("h:2\ttimeout\tNL\n"));
    r.country = "US";
    QVERIFY(formatPlain(r, o).startsWith("h:1\tEvil?name?]0;x?\t\t0/8\t0.0 ms\tUS\n"));
}

QTEST_APPLESS_MAIN(TestCliLogic)
#include "test_cli_logic.moc"
