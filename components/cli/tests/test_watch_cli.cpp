// fragdeck-query --watch: its events as lines and JSON Lines, the desktop's notification
// service on a session bus of the test's own (a real dbus-daemon, a service the test runs on
// it), the Join button starting the game, SIGTERM ending it cleanly, and no bus at all.
#include "WatchCli.h"
#include "core/DesktopNotifications.h"
#include "core/Settings.h"
#include "testsupport/SessionBus.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QtTest>
#include <csignal>

using namespace fragdeck;
using namespace fragdeck::cli;

class TestWatchCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void eventLines_data();
    void eventLines();
    void notifiedAndJoined();
    void noBusAtAll();

private:
    std::unique_ptr<test::SessionBus> m_bus;
};

void TestWatchCli::initTestCase()
{
    // Before anything here touches the session bus.
    m_bus = std::make_unique<test::SessionBus>();
}

void TestWatchCli::eventLines_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("online") << int(servers::WatchEvent::FriendOnline) << false
                            << QByteArray("friend-online\tSarge\t127.0.0.2:27960\tRed Arena\n");
    QTest::newRow("offline") << int(servers::WatchEvent::FriendOffline) << false
                             << QByteArray("friend-offline\tSarge\t127.0.0.2:27960\n");
    QTest::newRow("seat") << int(servers::WatchEvent::SeatFree) << false
                          << QByteArray("seat-free\t127.0.0.2:27960\t7/8\n");
    QTest::newRow("online, JSON")
        << int(servers::WatchEvent::FriendOnline) << true
        << QByteArray("{\"address\":\"127.0.0.2:27960\",\"clients\":7,\"event\":\"friend-online\","
                      "\"friend\":\"^1Sarge\",\"max\":8,\"server\":\"^2Red Arena\","
                      "\"time\":\"2026-12-09T10:00:00Z\"}\n");
    QTest::newRow("seat, JSON")
        << int(servers::WatchEvent::SeatFree) << true
        << QByteArray("{\"address\":\"127.0.0.2:27960\",\"clients\":7,\"event\":\"seat-free\","
                      "\"friend\":null,\"max\":8,\"server\":\"^2Red Arena\","
                      "\"time\":\"2026-12-09T10:00:00Z\"}\n");
}

void TestWatchCli::eventLines()
{
    QFETCH(int, kind);
    QFETCH(bool, json);
    QFETCH(QByteArray, line);
    servers::WatchEvent e;
    e.kind = servers::WatchEvent::Kind(kind);
    e.address = {QHostAddress("127.0.0.2"), 27960};
    e.server = "^2Red Arena";
    e.friendName = kind == servers::WatchEvent::SeatFree ? QString() : QString("^1Sarge");
    e.clients = 7;
    e.max = 8;
    Options o;
    o.json = json;
    QCOMPARE(formatWatchEvent(e, o, QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC)), line);
}

void TestWatchCli::notifiedAndJoined()
{
    if (m_bus->address().isEmpty())
        QSKIP("no dbus-daemon here");
    test::NotificationService service(m_bus->address());
    QVERIFY(service.registered());
    test::TempStore store;
    test::ProcessRecorder processes;
    QTemporaryDir dir;
    const QString game = test::writeFile(dir.filePath("quake3"), "#!/bin/sh\n");
    QFile::setPermissions(game, QFile::ReadOwner | QFile::ExeOwner);
    SaveSetting("Fragdeck", "Options", "Q3path", game);
    test::TestFleet fleet;
    QVERIFY(fleet.start(1));
    fleet.server(0).hostname = "^1Red <b>Arena</b>";
    fleet.server(0).humans = 2;
    fleet.server(0).humanNames = {"^3Sarge", "Visor"};
    const QString address =
        QStringLiteral("%1:%2").arg(fleet.server(0).host.toString()).arg(fleet.server(0).port);
    Options o;
    o.watch = o.notify = o.json = true;
    o.friends = {"*sarge*"};
    o.addresses = {address};
    o.timeoutMs = 400;
    QList<QByteArray> lines;
    QStringList problems;
    WatchOutput out;
    out.line = [&](const QByteArray& l) { lines.append(l); };
    out.problem = [&](const QString& p) { problems.append(p); };
    // The notice's button is pressed once it shows; then the watch is stopped as a person
    // would stop it.
    connect(&service, &test::NotificationService::noticed, this, [&] {
        QTimer::singleShot(100, [&] { service.invoke(service.notices.last().id, "join"); });
        QTimer::singleShot(400, [] { std::raise(SIGTERM); });
    });
    QTimer::singleShot(10000, [] { std::raise(SIGTERM); }); // never hangs
    QCOMPARE(runWatch(o, servers::fixedResolver({}), out), int(ExitOk));
    QCOMPARE(problems, QStringList());
    QCOMPARE(lines.size(), 1);
    const QJsonObject j = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(j["event"].toString(), QString("friend-online"));
    QCOMPARE(j["friend"].toString(), QString("^3Sarge"));
    QCOMPARE(j["address"].toString(), address);
    QCOMPARE(service.notices.size(), 1);
    const test::Notice& n = service.notices[0];
    QCOMPARE(n.appName, QString("Fragdeck"));
    QCOMPARE(n.summary, QString("Sarge is playing"));
    QCOMPARE(n.body, QString("Red &lt;b&gt;Arena&lt;/b&gt;\nq3dm17, 2/16")); // never markup
    QCOMPARE(n.actions, (QStringList{"join", "Join"}));
    QCOMPARE(n.hints["desktop-entry"].toString(), QString("io.github.fragdeck.Fragdeck"));
    QCOMPARE(processes.commandLines(), QStringList{game + " +connect " + address});
    QCOMPARE(fleet.server(0).received, 1);
}

void TestWatchCli::noBusAtAll()
{
    // A child with a bus address where nothing listens: events printed, no failure.
    test::TestFleet fleet;
    QVERIFY(fleet.start(1));
    fleet.server(0).humanNames = {"Sarge"};
    fleet.server(0).humans = 1;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    QTemporaryDir home;
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    p.setProcessEnvironment(env);
    p.start(
        FRAGDECK_QUERY,
        {"--watch", "--notify", "--friend", "Sarge",
         QStringLiteral("%1:%2").arg(fleet.server(0).host.toString()).arg(fleet.server(0).port)});
    QVERIFY(p.waitForStarted(5000));
    QByteArray out;
    QVERIFY(test::spinUntil(
        [&] {
            out += p.readAllStandardOutput();
            return out.contains('\n');
        },
        10000));
    p.terminate();
    QVERIFY(test::spinUntil([&] { return p.state() == QProcess::NotRunning; }, 5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(out.startsWith("friend-online\tSarge\t"));
    QVERIFY(p.readAllStandardError().contains("no desktop notification service"));
}

QTEST_GUILESS_MAIN(TestWatchCli)
#include "test_watch_cli.moc"
