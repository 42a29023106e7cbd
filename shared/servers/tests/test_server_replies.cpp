// Master list and status reply parsing: bytes in, plain values out.
#include "servers/AddressScope.h"
#include "servers/MasterProtocol.h"
#include "servers/StatusReply.h"

#include <QtTest>

using namespace fragdeck::servers;
using fragdeck::ServerAddress;

namespace
{

QByteArray oob(const QByteArray& text)
{
    return QByteArray(4, '\xff') + text;
}

QByteArray v4(quint8 a, quint8 b, quint8 c, quint8 d, quint16 port)
{
    const char r[] = {'\\', char(a), char(b), char(c), char(d), char(port >> 8), char(port)};
    return QByteArray(r, 7);
}

QByteArray v6(const QByteArray& sixteen, quint16 port)
{
    return '/' + sixteen + char(port >> 8) + char(port & 0xff);
}

const QByteArray kEot("\\EOT\0\0\0", 7);

QStringList texts(const QList<ServerAddress>& list)
{
    QStringList out;
    for (const ServerAddress& a : list)
        out.append(a.toString());
    return out;
}

} // namespace

class TestServerReplies : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requests();
    void masterReplies_data();
    void masterReplies();
    void statusReply();
    void statusReplyEdges_data();
    void statusReplyEdges();
    void bots_data();
    void bots();
    void infoReply();
    void addressScopes_data();
    void addressScopes();
    void replyBounds_data();
    void replyBounds();
};

void TestServerReplies::requests()
{
    QCOMPARE(masterRequest(68, false), oob("getservers 68 empty full"));
    QCOMPARE(masterRequest(71, false, AddressFamilies::IPv6Only), oob("getservers 71 empty full"));
    QCOMPARE(masterRequest(71, true), oob("getserversExt Quake3Arena 71 empty full"));
    QCOMPARE(masterRequest(68, true, AddressFamilies::IPv6Only),
             oob("getserversExt Quake3Arena 68 empty full ipv6"));
    QCOMPARE(statusRequest("0a1b2c"), oob("getstatus 0a1b2c"));
    QCOMPARE(infoRequest("77"), oob("getinfo 77"));
}

void TestServerReplies::masterReplies_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("end");
    QTest::addColumn<bool>("truncated");
    QTest::addColumn<QStringList>("servers");

    const QByteArray h = oob("getserversResponse");
    const QByteArray x = oob("getserversExtResponse");
    QTest::newRow("two and the end")
        << h + v4(1, 2, 3, 4, 27960) + v4(5, 6, 7, 8, 27961) + kEot << true << true << false
        << QStringList{"1.2.3.4:27960", "5.6.7.8:27961"};
    QTest::newRow("last record at the datagram's end")
        << h + v4(1, 2, 3, 4, 27960) + v4(9, 9, 9, 9, 1) << true << false << false
        << QStringList{"1.2.3.4:27960", "9.9.9.9:1"};
    QTest::newRow("separator bytes inside records")
        << h + v4(92, 47, 92, 47, 0x5c2f) + v4(47, 92, 0, 92, 0x2f5c) + kEot << true << true
        << false << QStringList{"92.47.92.47:23599", "47.92.0.92:12124"};
    QTest::newRow("0.0.0.0 and port 0 skipped")
        << h + v4(0, 0, 0, 0, 27960) + v4(1, 1, 1, 1, 0) + v4(2, 2, 2, 2, 2) + kEot << true << true
        << false << QStringList{"2.2.2.2:2"};
    QTest::newRow("record cut short") << h + v4(1, 2, 3, 4, 27960) + v4(5, 6, 7, 8, 9).left(5)
                                      << true << false << true << QStringList{"1.2.3.4:27960"};
    QTest::newRow("end mark without padding")
        << h + v4(1, 2, 3, 4, 5) + "\\EOT" << true << true << false << QStringList{"1.2.3.4:5"};
    QTest::newRow("line end after the command")
        << h + "\n" + v4(1, 2, 3, 4, 5) << true << false << false << QStringList{"1.2.3.4:5"};
    QTest::newRow("empty list") << h + kEot << true << true << false << QStringList{};
    QTest::newRow("extended, both families")
        << x + v6(QByteArray::fromHex("20010db8000000000000005c2f5c2f01"), 0x5c2f) +
               v4(10, 0, 0, 1, 27960) + v6(QByteArray(16, '\0'), 27960) + kEot
        << true << true << false << QStringList{"[2001:db8::5c:2f5c:2f01]:23599", "10.0.0.1:27960"};
    QTest::newRow("IPv6 record at the datagram's end")
        << x + v6(QByteArray::fromHex("fe800000000000000000000000000001"), 27960) << true << false
        << false << QStringList{"[fe80::1]:27960"};
    QTest::newRow("IPv6 record in a plain reply")
        << h + v4(1, 2, 3, 4, 5) + v6(QByteArray(15, '\1') + '\2', 6) << true << false << true
        << QStringList{"1.2.3.4:5"};
    QTest::newRow("v4-mapped record")
        << x + v6(QByteArray::fromHex("00000000000000000000ffff01020304"), 7) + kEot << true << true
        << false << QStringList{"1.2.3.4:7"}; // one server, one form
    QTest::newRow("not a list") << oob("statusResponse\n") + v4(1, 2, 3, 4, 5) << false << false
                                << false << QStringList{};
    QTest::newRow("no prefix") << QByteArray("getserversResponse") + v4(1, 2, 3, 4, 5) << false
                               << false << false << QStringList{};
    QTest::newRow("header only") << h << true << false << false << QStringList{};
}

void TestServerReplies::masterReplies()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, valid);
    QFETCH(bool, end);
    QFETCH(bool, truncated);
    QFETCH(QStringList, servers);
    const MasterReply r = parseMasterReply(datagram);
    QCOMPARE(r.valid, valid);
    QCOMPARE(r.endOfList, end);
    QCOMPARE(r.truncated, truncated);
    QCOMPARE(texts(r.servers), servers);
}

void TestServerReplies::statusReply()
{
    const QByteArray d = oob("statusResponse\n\\sv_hostname\\^1My ^7Server\\mapname\\q3dm17"
                             "\\sv_maxclients\\16\\g_gametype\\4\\gamename\\cpma\\protocol\\68"
                             "\\version\\ioq3 1.36\\g_needpass\\1\\challenge\\abc123"
                             "\\fraglimit\\20\n"
                             "5 48 \"^1Fr^7ag\"\n-3 999 \"Quote\"d\"\n0 0 \"Bot\"\n");
    const auto r = parseStatusResponse(d);
    QVERIFY(r);
    QCOMPARE(r->challenge, QByteArray("abc123"));
    const ServerInfo& s = r->info;
    QCOMPARE(s.hostname, QString("^1My ^7Server"));
    QCOMPARE(s.mapname, QString("q3dm17"));
    QCOMPARE(s.maxClients, 16);
    QCOMPARE(s.gametype, 4);
    QCOMPARE(s.gamename, QString("cpma"));
    QCOMPARE(s.protocol, 68);
    QCOMPARE(s.version, QString("ioq3 1.36"));
    QVERIFY(s.needPass);
    QCOMPARE(s.value("FRAGLIMIT"), QString("20"));
    QCOMPARE(s.value("challenge"), QString()); // the nonce is ours, not the server's
    QCOMPARE(s.pairs().size(), 9);
    QCOMPARE(s.pairs().last(), std::make_pair(QString("fraglimit"), QString("20")));
    QCOMPARE(s.players.size(), 3);
    QCOMPARE(s.players[0].score, 5);
    QCOMPARE(s.players[0].ping, 48);
    QCOMPARE(s.players[0].name, QString("^1Fr^7ag"));
    QCOMPARE(s.players[1].score, -3);
    QCOMPARE(s.players[1].name, QString("Quote\"d"));
    QVERIFY(!s.players[0].bot);
    QVERIFY(s.players[2].bot);
    QCOMPARE(s.playerCount(), 3);
    QCOMPARE(s.botCount(), 1);
}

void TestServerReplies::statusReplyEdges_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("hostname");
    QTest::addColumn<int>("players");
    QTest::addColumn<QByteArray>("challenge");

    QTest::newRow("no line end at all") << oob("statusResponse\n\\sv_hostname\\A\\challenge\\x")
                                        << true << "A" << 0 << QByteArray("x");
    QTest::newRow("last player without line end")
        << oob("statusResponse\n\\sv_hostname\\A\n1 2 \"p\"\n3 4 \"q\"") << true << "A" << 2
        << QByteArray();
    QTest::newRow("name without closing quote")
        << oob("statusResponse\n\\sv_hostname\\A\n1 2 \"p") << true << "A" << 1 << QByteArray();
    QTest::newRow("lines that are no players")
        << oob("statusResponse\n\\sv_hostname\\A\n\nx y \"z\"\n1\n1 2\n7 8 \"ok\"\n") << true << "A"
        << 1 << QByteArray();
    QTest::newRow("key without value at the end")
        << oob("statusResponse\n\\sv_hostname\\A\\challenge") << true << "A" << 0 << QByteArray();
    QTest::newRow("upper-case keys") << oob("statusResponse\n\\SV_HOSTNAME\\B\\CHALLENGE\\n1\n")
                                     << true << "B" << 0 << QByteArray("n1");
    QTest::newRow("huge numbers") << oob("statusResponse\n\\sv_hostname\\A\n99999999999999999999 "
                                         "-99999999999999999999 \"n\"\n")
                                  << true << "A" << 1 << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << "" << 0 << QByteArray();
    QTest::newRow("prefix only") << oob("") << false << "" << 0 << QByteArray();
    QTest::newRow("another command")
        << oob("statusResponses\n\\sv_hostname\\A") << false << "" << 0 << QByteArray();
    QTest::newRow("info reply is not a status reply")
        << oob("infoResponse\n\\hostname\\A") << false << "" << 0 << QByteArray();
}

void TestServerReplies::statusReplyEdges()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, valid);
    QFETCH(QString, hostname);
    QFETCH(int, players);
    QFETCH(QByteArray, challenge);
    const auto r = parseStatusResponse(datagram);
    QCOMPARE(bool(r), valid);
    if (!r)
        return;
    QCOMPARE(r->info.hostname, hostname);
    QCOMPARE(r->info.players.size(), players);
    QCOMPARE(r->challenge, challenge);
}

void TestServerReplies::bots_data()
{
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<QByteArray>("players");
    QTest::addColumn<int>("bots");
    QTest::addColumn<QList<bool>>("flags");
    QTest::newRow("ping 0 without a count")
        << QByteArray() << QByteArray("1 0 \"b\"\n2 40 \"h\"\n") << 1 << QList<bool>{true, false};
    QTest::newRow("count agrees") << QByteArray("\\g_humanplayers\\1")
                                  << QByteArray("1 0 \"b\"\n2 40 \"h\"\n") << 1
                                  << QList<bool>{true, false};
    QTest::newRow("LAN players with ping 0")
        << QByteArray("\\g_humanplayers\\2") << QByteArray("1 0 \"a\"\n2 0 \"b\"\n") << 0
        << QList<bool>{false, false};
    QTest::newRow("only bots") << QByteArray("\\g_humanplayers\\0")
                               << QByteArray("1 0 \"a\"\n2 0 \"b\"\n") << 2
                               << QList<bool>{true, true};
}

void TestServerReplies::bots()
{
    QFETCH(QByteArray, extra);
    QFETCH(QByteArray, players);
    QFETCH(int, bots);
    QFETCH(QList<bool>, flags);
    const auto r =
        parseStatusResponse(oob("statusResponse\n\\sv_hostname\\A" + extra + "\n") + players);
    QVERIFY(r);
    QCOMPARE(r->info.botCount(), bots);
    QList<bool> got;
    for (const PlayerInfo& p : r->info.players)
        got.append(p.bot);
    QCOMPARE(got, flags);
}

void TestServerReplies::infoReply()
{
    const auto r = parseInfoResponse(
        oob("infoResponse\n\\voip\\opus\\g_needpass\\0\\gametype\\3\\sv_maxclients\\8"
            "\\g_humanplayers\\0\\clients\\2\\mapname\\oa_dm1\\hostname\\noname\\protocol\\71"
            "\\gamename\\Quake3Arena\\challenge\\abc123"));
    QVERIFY(r);
    QCOMPARE(r->challenge, QByteArray("abc123"));
    QCOMPARE(r->info.hostname, QString("noname"));
    QCOMPARE(r->info.protocol, 71);
    QCOMPARE(r->info.gametype, 3);
    QCOMPARE(r->info.playerCount(), 2);
    QVERIFY(!parseInfoResponse(oob("statusResponse\n\\hostname\\x")));
}

void TestServerReplies::addressScopes_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("scope");
    QTest::addColumn<bool>("fromInternetMaster"); // queried when an internet master lists it
    QTest::addColumn<bool>("fromOwnClass");       // ... when a master of its own class does
    using S = AddressScope;
    const struct {
        const char* address;
        S scope;
        bool internet;
        bool own;
    } rows[] = {
        {"8.8.4.4", S::Global, true, true},
        {"2a00:1450:4001:81c::200e", S::Global, true, true},
        {"::ffff:8.8.4.4", S::Global, true, true},
        {"127.0.0.1", S::Loopback, false, true},
        {"127.255.0.22", S::Loopback, false, true},
        {"::1", S::Loopback, false, true},
        {"::ffff:127.0.0.1", S::Loopback, false, true},
        {"10.1.2.3", S::Private, false, true},
        {"172.16.0.1", S::Private, false, true},
        {"172.31.255.255", S::Private, false, true},
        {"172.32.0.1", S::Global, true, true},
        {"192.168.1.10", S::Private, false, true},
        {"::ffff:192.168.1.10", S::Private, false, true},
        {"fc00::1", S::Private, false, true},
        {"fd12:3456::1", S::Private, false, true},
        {"169.254.10.1", S::LinkLocal, false, false},
        {"fe80::1", S::LinkLocal, false, false},
        {"100.64.0.1", S::SharedCgnat, false, false},
        {"100.127.255.254", S::SharedCgnat, false, false},
        {"100.128.0.1", S::Global, true, true},
        {"224.0.0.1", S::Multicast, false, false},
        {"239.255.255.250", S::Multicast, false, false},
        {"ff02::1", S::Multicast, false, false},
        {"255.255.255.255", S::Broadcast, false, false},
        {"240.0.0.1", S::Reserved, false, false},
        {"0.1.2.3", S::Reserved, false, false},
        {"198.18.0.1", S::Reserved, false, false},
        {"::2", S::Reserved, false, false},
        {"4000::1", S::Reserved, false, false},
        {"0.0.0.0", S::Unspecified, false, false},
        {"::", S::Unspecified, false, false},
        {"192.0.2.1", S::Documentation, false, false},
        {"198.51.100.7", S::Documentation, false, false},
        {"203.0.113.9", S::Documentation, false, false},
        {"2001:db8::1", S::Documentation, false, false},
    };
    for (const auto& r : rows)
        QTest::newRow(r.address) << QString::fromLatin1(r.address) << int(r.scope) << r.internet
                                 << r.own;
}

void TestServerReplies::addressScopes()
{
    QFETCH(QString, address);
    QFETCH(int, scope);
    QFETCH(bool, fromInternetMaster);
    QFETCH(bool, fromOwnClass);
    const AddressScope s = addressScope(QHostAddress(address));
    QCOMPARE(int(s), scope);
    QCOMPARE(masterMayList(AddressScope::Global, s), fromInternetMaster);
    QCOMPARE(masterMayList(s, s), fromOwnClass);
    // A loopback master never makes a private server queried, nor the other way round.
    if (s == AddressScope::Private || s == AddressScope::Loopback)
        QVERIFY(!masterMayList(
            s == AddressScope::Private ? AddressScope::Loopback : AddressScope::Private, s));
    const bool oneHost = s != AddressScope::Multicast && s != AddressScope::Broadcast &&
                         s != AddressScope::Unspecified;
    QCOMPARE(queryable(s), oneHost);
}

void TestServerReplies::replyBounds_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("players");
    const QByteArray head = oob("statusResponse\n\\sv_hostname\\x\\mapname\\q3dm17");
    QByteArray manyKeys = head;
    for (int i = 0; i < 1500; ++i)
        manyKeys += "\\k" + QByteArray::number(i) + "\\v";
    QByteArray manyPlayers = head + '\n';
    for (int i = 0; i < 300; ++i)
        manyPlayers += "1 50 \"p" + QByteArray::number(i) + "\"\n";
    QTest::newRow("within bounds") << head + "\n0 40 \"a\"\n" << 0 << 2 << 1;
    QTest::newRow("over 1024 keys") << manyKeys << int(CutKeys) << 1024 << 0;
    QTest::newRow("over 256 players") << manyPlayers << int(CutPlayers) << 2 << 256;
    QTest::newRow("over 16 KB") << head + "\\big\\" + QByteArray(20000, 'a') << int(CutBytes) << 3
                                << 0;
}

void TestServerReplies::replyBounds()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, cut);
    QFETCH(int, keys);
    QFETCH(int, players);
    const auto r = parseStatusResponse(datagram);
    QVERIFY(r.has_value());
    QCOMPARE(int(r->info.cut), cut);
    QCOMPARE(r->info.pairs().size(), keys);
    QCOMPARE(r->info.players.size(), players);
    QVERIFY(r->info.infoString.size() <= ReplyLimits().maxBytes);
    QCOMPARE(r->info.cutNote().isEmpty(), cut == 0);
    // What the saved list keeps reads back the same, within the same bounds.
    const auto back = parseStatusResponse(statusDatagram(r->info));
    QVERIFY(back.has_value());
    QCOMPARE(back->info.infoString, r->info.infoString);
    QCOMPARE(back->info.players.size(), r->info.players.size());
}

QTEST_APPLESS_MAIN(TestServerReplies)
#include "test_server_replies.moc"
