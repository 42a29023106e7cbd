#include "game/ServerAddress.h"
#include "game/ServerStatus.h"

#include <QtTest>

using namespace fragdeck;

// Every reading of "host:port" goes through one splitter; each caller's rule on top of it
// is pinned here side by side, so a change to the splitter shows in all of them at once.
class TestServerAddress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readings_data();
    void readings();
    void splitOptions_data();
    void splitOptions();
    void oneKeyPerServer();
};

void TestServerAddress::readings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("strictOk"); // the command line's and the masters' reading
    QTest::addColumn<QString>("strictHost");
    QTest::addColumn<int>("strictPort");
    QTest::addColumn<QString>("numeric");   // the browser's key; empty for no numeric address
    QTest::addColumn<QString>("typedHost"); // the browser's typed address
    QTest::addColumn<int>("typedPort");

    QTest::newRow("IPv4") << "127.0.0.1" << true << "127.0.0.1" << 27960 << "127.0.0.1:27960"
                          << "127.0.0.1" << 27960;
    QTest::newRow("IPv4 and port")
        << "127.0.0.1:27961" << true << "127.0.0.1" << 27961 << "127.0.0.1:27961"
        << "127.0.0.1" << 27961;
    QTest::newRow("bracketed IPv6") << "[::1]:27962" << true << "::1" << 27962 << "[::1]:27962"
                                    << "::1" << 27962;
    QTest::newRow("brackets, no port") << "[::1]" << true << "::1" << 27960 << "[::1]:27960"
                                       << "::1" << 27960;
    QTest::newRow("bare IPv6") << "::1" << true << "::1" << 27960 << "[::1]:27960"
                               << "" << 0;
    QTest::newRow("v4-mapped") << "[::ffff:127.0.0.2]:5" << true << "::ffff:127.0.0.2" << 5
                               << "127.0.0.2:5"
                               << "::ffff:127.0.0.2" << 5;
    QTest::newRow("bare v4-mapped")
        << "::ffff:127.0.0.3" << true << "::ffff:127.0.0.3" << 27960 << "127.0.0.3:27960"
        << "" << 0;
    QTest::newRow("host name") << "arena:27960" << true << "arena" << 27960 << ""
                               << "arena" << 27960;
    QTest::newRow("port zero") << "arena:0" << false << "" << 0 << ""
                               << "arena" << 0;
    QTest::newRow("port too large") << "127.0.0.1:65536" << false << "" << 0 << ""
                                    << "127.0.0.1" << 65536;
    QTest::newRow("port not a number") << "127.0.0.1:abc" << false << "" << 0 << ""
                                       << "127.0.0.1" << 0;
    QTest::newRow("empty port") << "127.0.0.1:" << false << "" << 0 << "127.0.0.1:27960"
                                << "127.0.0.1:" << 27960;
    QTest::newRow("brackets, empty port") << "[::1]:" << false << "" << 0 << "[::1]:27960"
                                          << "::1" << 27960;
    QTest::newRow("text after brackets") << "[::1]x" << false << "" << 0 << ""
                                         << "::1" << 27960;
    QTest::newRow("empty brackets") << "[]:5" << false << "" << 0 << ""
                                    << "[]" << 5;
    QTest::newRow("unclosed bracket") << "[::1" << false << "" << 0 << ""
                                      << "[" << 0;
    QTest::newRow("scoped IPv6") << "[fe80::1%lo]:5" << true << "fe80::1%lo" << 5 << ""
                                 << "fe80::1%lo" << 5;
    QTest::newRow("blank in host") << "are na:5" << false << "" << 0 << ""
                                   << "are na" << 5;
    QTest::newRow("no host") << ":27960" << false << "" << 0 << ""
                             << "" << 27960;
}

void TestServerAddress::readings()
{
    QFETCH(QString, text);
    QFETCH(bool, strictOk);
    QString host;
    quint16 port = 0;
    QCOMPARE(readHostPort(text, kDefaultGamePort, &host, &port), strictOk);
    if (strictOk) {
        QTEST(host, "strictHost");
        QTEST(int(port), "strictPort");
    }
    const ServerAddress numeric = ServerAddress::fromText(text);
    QTEST(numeric.isNull() ? QString() : numeric.toString(), "numeric");
    const TypedAddress typed = splitServerAddress(text);
    QTEST(typed.host, "typedHost");
    QTEST(int(typed.port), "typedPort");
}

void TestServerAddress::splitOptions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("firstColon");
    QTest::addColumn<bool>("plainBrackets");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port"); // "-" for no port
    QTest::addColumn<bool>("stray");
    QTest::newRow("one colon") << "arena:5" << false << false << "arena"
                               << "5" << false;
    QTest::newRow("more colons: bare IPv6") << "a:b:5" << false << false << "a:b:5"
                                            << "-" << false;
    QTest::newRow("first colon") << "a:b:5" << true << false << "a"
                                 << "b:5" << false;
    QTest::newRow("brackets read") << "[x]:5" << false << false << "x"
                                   << "5" << false;
    QTest::newRow("brackets plain") << "[x]:5" << false << true << "[x]"
                                    << "5" << false;
    QTest::newRow("stray after brackets") << "[x]y" << false << false << "x"
                                          << "-" << true;
    QTest::newRow("unclosed, cut at the colon") << "[x:5" << false << false << "[x"
                                                << "5" << true;
}

void TestServerAddress::splitOptions()
{
    QFETCH(QString, text);
    QFETCH(bool, firstColon);
    QFETCH(bool, plainBrackets);
    QFETCH(QString, port);
    const HostPortText p = splitHostPort(text, firstColon ? PortColon::First : PortColon::OnlyOne,
                                         plainBrackets ? Brackets::Plain : Brackets::Read);
    QTEST(p.host, "host");
    QCOMPARE(p.hasPort ? p.port : QString("-"), port);
    QTEST(p.stray, "stray");
}

void TestServerAddress::oneKeyPerServer()
{
    const ServerAddress mapped{QHostAddress("::ffff:127.0.0.1"), 27960};
    const ServerAddress plain{QHostAddress("127.0.0.1"), 27960};
    QVERIFY(mapped != plain);
    QCOMPARE(mapped.normalised(), plain);
    QCOMPARE(qHash(mapped.normalised()), qHash(plain));
    QCOMPARE(mapped.normalised().toString(), QString("127.0.0.1:27960"));
    const ServerAddress v6{QHostAddress("::1"), 27960};
    QCOMPARE(v6.normalised(), v6); // a real IPv6 address stays one
}

QTEST_GUILESS_MAIN(TestServerAddress)
#include "test_server_address.moc"
