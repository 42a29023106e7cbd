#include "RconProtocol.h"

#include <QSignalSpy>
#include <QtTest>

using namespace fragdeck;

class TestRconLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void datagram_data();
    void datagram();
    void kick_data();
    void kick();
    void reply_data();
    void reply();
    void port_data();
    void port();
    void replyText_data();
    void replyText();
    void joinerJoinsUntilQuiet();
    void joinerEndsOnTheQuietTimer();
};

void TestRconLogic::datagram_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("status") << "secret"
                            << "status" << QByteArray("\xff\xff\xff\xffrcon secret status");
    QTest::newRow("empty password") << ""
                                    << "status" << QByteArray("\xff\xff\xff\xffrcon  status");
    QTest::newRow("empty command") << "pw"
                                   << "" << QByteArray("\xff\xff\xff\xffrcon pw ");
    QTest::newRow("blanks kept") << "a b"
                                 << "say  hi " << QByteArray("\xff\xff\xff\xffrcon a b say  hi ");
    QTest::newRow("single-byte text")
        << "p\u00e4ss"
        << "say \u00ff\u20ac" << QByteArray("\xff\xff\xff\xffrcon p\xe4ss say \xff?");
}

void TestRconLogic::datagram()
{
    QFETCH(QString, password);
    QFETCH(QString, command);
    QTEST(rconDatagram(password, command), "bytes");
}

void TestRconLogic::kick_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("command");
    QTest::newRow("plain") << "Frag"
                           << "kick Frag";
    QTest::newRow("blank inside") << "Big Frag"
                                  << "kick \"Big Frag\"";
    QTest::newRow("leading blank") << " x"
                                   << "kick \" x\"";
    QTest::newRow("punctuation") << "[UT]Frag!"
                                 << "kick [UT]Frag!";
}

void TestRconLogic::kick()
{
    QFETCH(QString, name);
    QTEST(kickCommand(name), "command");
}

void TestRconLogic::reply_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("kind");
    const int text = int(RconReplyKind::Text);
    const int bad = int(RconReplyKind::BadPassword);
    QTest::newRow("print") << QByteArray("\xff\xff\xff\xffprint\nmap: q3dm17\n") << text;
    QTest::newRow("old bad password")
        << QByteArray("\xff\xff\xff\xffprint\nBad rcon_password.\n") << bad;
    QTest::newRow("current bad password")
        << QByteArray("\xff\xff\xff\xffprint\nBad rconpassword.\n") << bad;
    QTest::newRow("in the middle")
        << QByteArray("\xff\xff\xff\xffprint\nfoo Bad rcon_password bar\n") << bad;
    QTest::newRow("other case is text")
        << QByteArray("\xff\xff\xff\xffprint\nbad rconpassword\n") << text;
    QTest::newRow("no password set")
        << QByteArray("\xff\xff\xff\xffprint\nNo rconpassword set on the server.\n") << text;
    QTest::newRow("header only") << QByteArray("\xff\xff\xff\xff") << text;
    QTest::newRow("empty") << QByteArray() << int(RconReplyKind::Empty);
}

void TestRconLogic::reply()
{
    QFETCH(QByteArray, datagram);
    QTEST(int(classifyRconReply(datagram)), "kind");
}

void TestRconLogic::port_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port"); // 0: refused
    QTest::newRow("game port") << "27960" << 27960;
    QTest::newRow("blanks around") << " 27961 " << 27961;
    QTest::newRow("leading zero") << "027960" << 27960;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blank") << "  " << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("trailing letters") << "27960x" << 0;
    QTest::newRow("sign") << "-1" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("too large") << "65536" << 0;
    QTest::newRow("largest") << "65535" << 65535;
    QTest::newRow("huge") << "99999999999999999999" << 0;
    QTest::newRow("decimal") << "27960.5" << 0;
}

void TestRconLogic::port()
{
    QFETCH(QString, text);
    const std::optional<quint16> p = parseServerPort(text);
    QTEST(p ? int(*p) : 0, "port");
}

void TestRconLogic::replyText_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("print") << QByteArray("\xff\xff\xff\xffprint\nmap: q3dm17\n")
                           << QByteArray("map: q3dm17\n");
    QTest::newRow("cut mid-line") << QByteArray("\xff\xff\xff\xffprint\ng_obeliskRespawnDelay")
                                  << QByteArray("g_obeliskRespawnDelay");
    QTest::newRow("header only") << QByteArray("\xff\xff\xff\xffprint\n") << QByteArray();
    QTest::newRow("other packet") << QByteArray("\xff\xff\xff\xff"
                                                "disconnect")
                                  << QByteArray("disconnect");
    QTest::newRow("print without its line end")
        << QByteArray("\xff\xff\xff\xffprintx") << QByteArray("printx");
    QTest::newRow("no header") << QByteArray("plain\n") << QByteArray("plain\n");
    QTest::newRow("high bytes kept")
        << QByteArray("\xff\xff\xff\xffprint\n\xff\xe4\n") << QByteArray("\xff\xe4\n");
}

void TestRconLogic::replyText()
{
    QFETCH(QByteArray, datagram);
    QTEST(rconReplyText(datagram), "text");
}

void TestRconLogic::joinerJoinsUntilQuiet()
{
    RconReplyJoiner joiner;
    QSignalSpy complete(&joiner, &RconReplyJoiner::replyComplete);
    QVERIFY(!joiner.joining());
    QCOMPARE(joiner.quietTimer().interval(), RconReplyJoiner::QuietMs);
    QVERIFY(joiner.quietTimer().isSingleShot());
    // Datagrams arriving without the event loop running in between belong to one reply,
    // however they were cut.
    joiner.add("g_obeliskRe");
    joiner.add("spawnDelay \"10\"\nsv_");
    QVERIFY(joiner.quietTimer().isActive());
    joiner.add("cheats \"0\"\n");
    QCOMPARE(complete.count(), 0);
    QVERIFY(joiner.joining());
    joiner.finish();
    QCOMPARE(complete.count(), 1);
    QCOMPARE(complete[0][0].toByteArray(),
             QByteArray("g_obeliskRespawnDelay \"10\"\nsv_cheats \"0\"\n"));
    QVERIFY(!joiner.quietTimer().isActive());
    // Nothing pending: finishing again says nothing; the next datagram starts afresh.
    joiner.finish();
    QCOMPARE(complete.count(), 1);
    joiner.add("said\n");
    joiner.finish();
    QCOMPARE(complete.count(), 2);
    QCOMPARE(complete[1][0].toByteArray(), QByteArray("said\n"));
}

void TestRconLogic::joinerEndsOnTheQuietTimer()
{
    RconReplyJoiner joiner;
    QSignalSpy complete(&joiner, &RconReplyJoiner::replyComplete);
    joiner.add("first ");
    joiner.add("second\n");
    QTRY_COMPARE(complete.count(), 1);
    QCOMPARE(complete[0][0].toByteArray(), QByteArray("first second\n"));
    QVERIFY(!joiner.joining());
    // An empty print still ends as a reply of its own.
    joiner.add(QByteArray());
    QTRY_COMPARE(complete.count(), 2);
    QCOMPARE(complete[1][0].toByteArray(), QByteArray());
}

QTEST_GUILESS_MAIN(TestRconLogic)
#include "test_rcon_logic.moc"
