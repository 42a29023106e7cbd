// The cutting rules, driven directly on reply bytes and on a query state.
#include "FieldOps.h"
#include "ReplyParser.h"
#include "core/Error.h"
#include "game/GameText.h"
#include "testsupport/TestSupport.h"
#include "testsupport/UdpTestServer.h"

#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::query;
using namespace fragdeck::test;

namespace
{

// The example server: four pairs, two players.
QByteArray quake3Reply()
{
    return oob("statusResponse\n\\sv_hostname\\My Server\\mapname\\q3dm17\\sv_maxclients\\16"
               "\\g_gametype\\0\n5 48 \"^1Fr^7ag\"\n0 999 \"Bot\"\n");
}

QueryState stateWith(const QString& type, const QByteArray& reply)
{
    QueryState st;
    st.HostType = type;
    st.Reply = reply;
    return st;
}

// The rule at `index` and its value, as the late-bound rules operation gives them.
QStringList ruleAt(QueryState& st, int index)
{
    QVariant rule, value;
    fields::getRulesInfo(st, index, rule, value);
    return {rule.toString(), value.toString()};
}

} // namespace

class TestReplyParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requests_data();
    void requests();
    void quake3ExampleFieldByField();
    void keyLookup_data();
    void keyLookup();
    void clientCount_data();
    void clientCount();
    void playerLines_data();
    void playerLines();
    void colorCodes_data();
    void colorCodes();
    void rules_data();
    void rules();
    void halfLife();
    void outValuesKeptWhenNothingFound();
    void overlongReplyOverflows();
};

void TestReplyParser::requests_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("stage");
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("quake3") << "QUAKE3" << 0 << oob("getstatus info");
    QTest::newRow("quake2") << "QUAKE2" << 0 << oob("status info");
    QTest::newRow("quakeworld") << "QUAKEWORLD" << 0 << oob("status info");
    QTest::newRow("halflife info") << "HALFLIFE" << 0 << oob("info");
    QTest::newRow("halflife rules") << "HALFLIFE" << 1 << oob("rules");
    QTest::newRow("halflife players") << "HALFLIFE" << 2 << oob("players");
    QTest::newRow("halflife done") << "HALFLIFE" << 3 << QByteArray();
    QTest::newRow("custom, empty") << "CUSTOM" << 0 << QByteArray();
    QTest::newRow("lower case") << "quake3" << 0 << QByteArray();
    QTest::newRow("unknown") << "DOOM" << 0 << QByteArray();
}

void TestReplyParser::requests()
{
    QFETCH(QString, type);
    QFETCH(int, stage);
    QFETCH(QByteArray, datagram);
    QCOMPARE(requestDatagram(protocolOf(type), stage, QString()), datagram);
    if (type == "QUAKE3")
        QCOMPARE(datagram.size(), 18);
}

void TestReplyParser::quake3ExampleFieldByField()
{
    QueryState st = stateWith("QUAKE3", quake3Reply());
    QCOMPARE(fields::getField(st, Key::ServerName).toString(), QString("My Server"));
    QCOMPARE(fields::getField(st, Key::MapName).toString(), QString("q3dm17"));
    QCOMPARE(fields::getField(st, Key::MaxClients).toString(), QString("16"));
    QCOMPARE(fields::getClientCount(st).toInt(), 2);
    QVariant score, ping, name, colorName;
    fields::getClientInfo(st, 0, score, ping, name, colorName);
    QCOMPARE(score.toString(), QString("5"));
    QCOMPARE(ping.toString(), QString("48"));
    QCOMPARE(name.toString(), QString("Frag"));
    QCOMPARE(colorName.toString(), QString("^1Fr^7ag"));
    fields::getClientInfo(st, 1, score, ping, name, colorName);
    QCOMPARE(score.toString(), QString("0"));
    QCOMPARE(ping.toString(), QString("999"));
    QCOMPARE(name.toString(), QString("Bot"));
    QCOMPARE(fields::getRulesCount(st).toInt(), 4);
    QCOMPARE(ruleAt(st, 3), QStringList({"g_gametype", "0"}));
    QCOMPARE(ruleAt(st, 99).first(), QString("g_gametype"));
    QVERIFY(!fields::getField(st, Key::ScoreA).isValid());
}

void TestReplyParser::keyLookup_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("key");
    QTest::addColumn<QVariant>("value");
    const QByteArray head = oob("statusResponse\n");
    QTest::newRow("upper-case key keeps value case")
        << "QUAKE3" << head + "\\SV_HOSTNAME\\Big Room\\x\\y\n"
        << int(Key::ServerName) << QVariant("Big Room");
    QTest::newRow("quake2 uses hostname")
        << "QUAKE2" << oob("print\n\\hostname\\Q2 Box\\maxclients\\8\n") << int(Key::ServerName)
        << QVariant("Q2 Box");
    QTest::newRow("quake3 ignores plain hostname")
        << "QUAKE3" << head + "\\hostname\\Q2 Box\\x\\y\n"
        << int(Key::ServerName) << QVariant();
    QTest::newRow("absent key") << "QUAKE3" << quake3Reply() << int(Key::ScoreA) << QVariant();
    QTest::newRow("found inside a longer key") << "QUAKE3" << head + "\\xmapname\\dm6\\a\\b\n"
                                               << int(Key::MapName) << QVariant("dm6");
    QTest::newRow("empty value") << "QUAKE3" << head + "\\mapname\\\\a\\b\n"
                                 << int(Key::MapName) << QVariant("");
    QTest::newRow("time skips the backslash") << "QUAKE3" << head + "\\time_remaining\\5:00\\a\\b\n"
                                              << int(Key::TimeRemaining) << QVariant("5:00");
    QTest::newRow("scores") << "QUAKE3" << head + "\\score_a\\12\\score_b\\7\\x\\y\n"
                            << int(Key::ScoreB) << QVariant("7");
    QTest::newRow("last value ends at its line")
        << "QUAKE3" << head + "\\a\\b\\mapname\\q3tourney2\n0 0 \"x\"\n"
        << int(Key::MapName) << QVariant("q3tourney2");
    QTest::newRow("last value of a cut-off reply")
        << "QUAKE3" << head + "\\mapname\\q3dm" << int(Key::MapName) << QVariant("q3dm");
    QTest::newRow("key at the very end")
        << "QUAKE3" << head + "\\mapname\\" << int(Key::MapName) << QVariant("");
    QTest::newRow("placeholder") << "HALFLIFE" << QByteArray("EMPTY") << int(Key::MapName)
                                 << QVariant();
}

void TestReplyParser::keyLookup()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, reply);
    QFETCH(int, key);
    QFETCH(QVariant, value);
    QueryState st = stateWith(type, reply);
    const QVariant got = fields::getField(st, Key(key));
    QCOMPARE(got.isValid(), value.isValid());
    QCOMPARE(got.toString(), value.toString());
}

void TestReplyParser::clientCount_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("count");
    QTest::newRow("example") << "QUAKE3" << quake3Reply() << 2;
    QTest::newRow("no players") << "QUAKE3" << oob("statusResponse\n\\a\\b\n") << 0;
    QTest::newRow("last line without LF")
        << "QUAKE3" << oob("statusResponse\n\\a\\b\n1 2 \"x\"\n3 4 \"y\"") << 1;
    QTest::newRow("info line without LF") << "QUAKE3" << oob("statusResponse\n\\a\\b") << 0;
    QTest::newRow("no LF at all") << "QUAKE3" << oob("statusResponse") << 0;
    QTest::newRow("empty") << "QUAKE3" << QByteArray() << 0;
    QTest::newRow("quakeworld") << "QUAKEWORLD"
                                << oob("n\\hostname\\qw\n12 7 25 80 \"Quaker\" \"base\" 4 4\n")
                                << 1;
}

void TestReplyParser::clientCount()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, reply);
    QFETCH(int, count);
    QueryState st = stateWith(type, reply);
    QCOMPARE(fields::getClientCount(st).toInt(), count);
}

void TestReplyParser::playerLines_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("expected"); // score, ping, name, colour name; empty: none
    const QByteArray head = oob("statusResponse\n\\a\\b\n");
    QTest::newRow("quakeworld line")
        << "QUAKEWORLD" << oob("n\\hostname\\qw\n12 7 25 80 \"Quaker\" \"base\" 4 4\n") << 0
        << QStringList{"7", "80", "Quaker", "Quaker"};
    QTest::newRow("blank inside the name") << "QUAKE3" << head + "3 50 \"Big ^3Bob\"\n"
                                           << 0 << QStringList{"3", "50", "Big Bob", "Big ^3Bob"};
    QTest::newRow("quote and backslash in the name")
        << "QUAKE3" << head + "1 2 \"a\"b\\c\"\n"
        << 0 << QStringList{"1", "2", "a\"b\\c", "a\"b\\c"};
    QTest::newRow("last line without LF is shortened")
        << "QUAKE3" << head + "1 2 \"Name\"" << 0 << QStringList{"1", "2", "Name", "Name"};
    QTest::newRow("line with score only") << "QUAKE3" << head + "17\n"
                                          << 0 << QStringList{"17", "", "", ""};
    QTest::newRow("index past the players") << "QUAKE3" << head + "1 2 \"x\"\n"
                                            << 1 << QStringList();
    QTest::newRow("negative index") << "QUAKE3" << head + "1 2 \"x\"\n" << -1 << QStringList();
    QTest::newRow("no reply") << "QUAKE3" << QByteArray() << 0 << QStringList();
}

void TestReplyParser::playerLines()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, reply);
    QFETCH(int, index);
    QFETCH(QStringList, expected);
    QueryState st = stateWith(type, reply);
    QVariant score = "keep", ping = "keep", name = "keep", colorName = "keep";
    fields::getClientInfo(st, index, score, ping, name, colorName);
    if (expected.isEmpty()) {
        QVERIFY(!score.isValid() && !ping.isValid() && !name.isValid() && !colorName.isValid());
        return;
    }
    QCOMPARE(
        QStringList({score.toString(), ping.toString(), name.toString(), colorName.toString()}),
        expected);
}

void TestReplyParser::colorCodes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("codes") << QByteArray("^1Na^2me") << QByteArray("Name");
    QTest::newRow("double caret") << QByteArray("a^^b") << QByteArray("ab");
    QTest::newRow("trailing caret") << QByteArray("Name^") << QByteArray("Name");
    QTest::newRow("lone caret") << QByteArray("^") << QByteArray("^");
    QTest::newRow("code then caret") << QByteArray("^1^") << QByteArray("^");
    QTest::newRow("none") << QByteArray("Plain") << QByteArray("Plain");
}

void TestReplyParser::colorCodes()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, plain);
    QCOMPARE(withoutColourCodes(name, CaretRule::QueryEngine), plain);
}

void TestReplyParser::rules_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    const QByteArray head = oob("statusResponse\n");
    QTest::newRow("first") << quake3Reply() << 4 << 0 << QByteArray("sv_hostname")
                           << QByteArray("My Server");
    QTest::newRow("past the end gives the last")
        << quake3Reply() << 4 << 99 << QByteArray("g_gametype") << QByteArray("0");
    QTest::newRow("name without closing backslash ends the walk")
        << head + "\\a\\1\\dangling" << 2 << 5 << QByteArray("dangling") << QByteArray();
    QTest::newRow("value without end runs to the end")
        << head + "\\a\\1\\b\\2" << 2 << 1 << QByteArray("b") << QByteArray("2");
    QTest::newRow("lone backslash") << QByteArray("\\") << 1 << 0 << QByteArray() << QByteArray();
}

void TestReplyParser::rules()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QCOMPARE(rulesCount(reply), count);
    const auto f = rulesInfo(reply, index);
    QVERIFY(f.has_value());
    QCOMPARE(f->name, name);
    QCOMPARE(f->value, value);
}

void TestReplyParser::halfLife()
{
    QueryState st;
    st.HostType = "HALFLIFE";
    st.InfoReply = oob(raw("C127.0.0.1:27015\0HL Server\0crossfire\0valve\0Half-Life\0"));
    st.RulesReply = oob(raw("E\x02\0mp_timelimit\0"
                            "30\0sv_gravity\0"
                            "800\0"));
    st.PlayersReply = oob(raw("D\x02\x01Gordon\0\x05\0\0\0\x02"
                              "Barney\0\x01\0\0\0"));
    st.Reply = st.PlayersReply;

    QCOMPARE(fields::getClientCount(st).toInt(), 3); // 0, 1 and 2 occur; 3 does not
    QVariant score = "s", ping = "p", name, colorName;
    fields::getClientInfo(st, 0, score, ping, name, colorName);
    QCOMPARE(name.toString(), QString("Gordon"));
    QCOMPARE(score.toInt(), 0);
    QCOMPARE(colorName.toString(), QString("Gordon"));
    score = "s";
    fields::getClientInfo(st, 40, score, ping, name, colorName);
    QCOMPARE(name.toString(), QString("Overload"));
    QCOMPARE(score.toString(), QString("s"));

    QCOMPARE(fields::getRulesCount(st).toInt(), 4);
    QCOMPARE(st.Reply, st.RulesReply); // rule operations read the rules reply from now on
    QCOMPARE(ruleAt(st, 0), QStringList({"mapname", "crossfire"}));
    QCOMPARE(ruleAt(st, 1), QStringList({"gamedir", "valve"}));
    QCOMPARE(ruleAt(st, 2), QStringList({"mp_timelimit", "30"}));
    QCOMPARE(ruleAt(st, 99), QStringList({"sv_gravity", "800"}));

    // Placeholders parse like any text.
    st.PlayersReply = "EMPTY";
    st.RulesReply = "EMPTY";
    st.InfoReply = "info_empty";
    QCOMPARE(fields::getRulesCount(st).toInt(), 2);
    QCOMPARE(ruleAt(st, 0).last(), QString());
}

void TestReplyParser::outValuesKeptWhenNothingFound()
{
    QueryState st = stateWith("QUAKE3", oob("statusResponse\nno pairs here\n"));
    QVERIFY(!fields::getRulesCount(st).isValid());
    QVariant name = "before", value = "before";
    fields::getRulesInfo(st, 0, name, value);
    QCOMPARE(name.toString(), QString("before"));
    QCOMPARE(value.toString(), QString("before"));
}

void TestReplyParser::overlongReplyOverflows()
{
    QueryState st = stateWith("QUAKE3", quake3Reply() + QByteArray(kMaxReplyLength, 'x'));
    QVariant a, b, c, d;
    QCOMPARE(errorOf([&] { fields::getField(st, Key::ServerName); }), int(ErrorCode::Overflow));
    QCOMPARE(errorOf([&] { fields::getClientCount(st); }), int(ErrorCode::Overflow));
    QCOMPARE(errorOf([&] { fields::getClientInfo(st, 0, a, b, c, d); }), int(ErrorCode::Overflow));
    QCOMPARE(errorOf([&] { fields::getRulesCount(st); }), int(ErrorCode::Overflow));
    QCOMPARE(errorOf([&] { fields::getClientInfo(st, 40000, a, b, c, d); }),
             int(ErrorCode::Overflow));
    st.Reply = quake3Reply().left(kMaxReplyLength);
    QCOMPARE(errorOf([&] { fields::getField(st, Key::ServerName); }), 0);
    QCOMPARE(errorOf([&] { fields::getClientInfo(st, 40000, a, b, c, d); }),
             int(ErrorCode::Overflow)); // the index does not fit 16 bits either
}

QTEST_APPLESS_MAIN(TestReplyParser)
#include "test_reply_parser.moc"
