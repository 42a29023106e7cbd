// The match starter against the real dedicated server: the server program is chosen beside
// the game, takes the script's slots and map, answers on the port the window names, and
// ends when the window stops it.
#include "StarterWindow.h"
#include "core/Settings.h"
#include "testsupport/GameFolders.h"
#include "testsupport/RealGameServer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::starter;
using namespace fragdeck::test;

namespace
{

// The server's status reply on 127.0.0.1:port, or empty when it does not answer.
QByteArray statusOf(quint16 port)
{
    // The server needs a few seconds to load its map; until then nothing answers.
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    QByteArray reply;
    for (int attempt = 0; attempt < 60 && reply.isEmpty(); ++attempt) {
        socket.writeDatagram(QByteArray(4, '\xff') + "getstatus", QHostAddress::LocalHost, port);
        if (!QTest::qWaitFor([&socket] { return socket.hasPendingDatagrams(); }, 500))
            continue;
        while (socket.hasPendingDatagrams()) {
            const QByteArray d = socket.receiveDatagram().data();
            if (d.contains("statusResponse"))
                reply = d;
        }
    }
    return reply;
}

// What the server prints for an rcon command, or empty when it does not answer.
QByteArray rconReply(quint16 port, const QByteArray& password, const QByteArray& command)
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    socket.writeDatagram(QByteArray(4, '\xff') + "rcon " + password + ' ' + command,
                         QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([&socket] { return socket.hasPendingDatagrams(); }, 5000))
        return {};
    return socket.receiveDatagram().data();
}

} // namespace

class TestStarterRealServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dedicatedServerStartsAndStops();
    void cleanup();
};

void TestStarterRealServer::cleanup()
{
    // A failed check must not leave a server behind.
    for (const StartedGame& g : StarterWindow::startedGames())
        g.kill();
    StarterWindow::startedGames().clear();
}

void TestStarterRealServer::dedicatedServerStartsAndStops()
{
    if (!RealGameServer::available())
        QSKIP("no dedicated game server on this machine");
    QTemporaryDir dir;
    TempStore store;
    TempHome home(dir.filePath("home"));
    PromptRecorder prompts;
    // The game as Debian installs it: the client beside its server program (the client is
    // a stand-in: a dedicated start must not run it).
    setUpOpenArena(fakeProgram(dir.filePath("games/openarena")), home.path());
    QVERIFY(QFile::link("/usr/games/openarena-server", dir.filePath("games/openarena-server")));

    StarterWindow w;
    w.show();
    auto* tree = w.findChild<QTreeWidget*>("list_maps1");
    const QList<QTreeWidgetItem*> maps =
        tree->findItems("oa_dm1", Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!maps.isEmpty());
    maps.first()->setCheckState(0, Qt::Checked);
    w.findChild<QComboBox*>("dedicated")->setCurrentIndex(1);
    w.findChild<QLineEdit*>("max")->setText("14");
    w.findChild<QLineEdit*>("rcon")->setText("fragtest");
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.texts(), QStringList());

    const StartedGame started = StarterWindow::lastStarted();
    QVERIFY(started.running());
    auto* info = w.findChild<QLabel*>("startinfo");
    QCOMPARE(
        info->text(),
        QStringLiteral("Started openarena-server (a LAN server) on port %1.").arg(started.port));
    const QByteArray status = statusOf(started.port);
    QVERIFY2(!status.isEmpty(), "the server does not answer on the port the window names");
    QVERIFY2(status.contains("\\sv_maxclients\\14\\"), status.constData());
    QVERIFY2(status.contains("\\mapname\\oa_dm1\\"), status.constData());
    QVERIFY2(status.contains("\\g_maxGameClients\\14\\") ||
                 status.contains("\\g_maxgameclients\\14\\"),
             status.constData());

    // The password reaches the server through the script, not its command line.
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(started.pid));
    QVERIFY(cmdline.open(QIODevice::ReadOnly));
    QVERIFY(!cmdline.readAll().contains("fragtest"));
    const QByteArray rcon = rconReply(started.port, "fragtest", "echo fragdeck-ok");
    QVERIFY2(rcon.contains("fragdeck-ok"), rcon.constData());

    auto* stop = w.findChild<QPushButton*>("Command7");
    QVERIFY(stop->isVisible());
    stop->click();
    QVERIFY(!started.running());
    QVERIFY(info->text().endsWith(". It was stopped."));
    QCOMPARE(prompts.texts(), QStringList());
}

QTEST_MAIN(TestStarterRealServer)
#include "test_starter_realserver.moc"
