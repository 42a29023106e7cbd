// The test helper's real game server answers the query the suite sends.
#include "testsupport/RealGameServer.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

using namespace fragdeck;

class TestRealServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answersStatusAndRcon();
};

void TestRealServer::answersStatusAndRcon()
{
    if (!test::RealGameServer::available())
        QSKIP("no dedicated game server on this machine");
    test::RealGameServer server("pw123");
    QVERIFY2(server.waitUntilReady(), qPrintable(server.log()));
    QUdpSocket s;
    s.connectToHost(QHostAddress::LocalHost, server.port());
    s.write(QByteArray(4, '\xff') + "rcon wrong status");
    QVERIFY(s.waitForReadyRead(3000));
    QVERIFY(s.receiveDatagram().data().contains("Bad rconpassword"));
}

QTEST_GUILESS_MAIN(TestRealServer)
#include "test_realserver.moc"
