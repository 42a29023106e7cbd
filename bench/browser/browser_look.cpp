// The browser window against a loopback master listing a small fleet of varied servers and,
// where openarena-server is installed, the real OpenArena server, with the player's archives
// taken from OpenArena's data when it is there. Shows the window for a look by eye, or with
// an output folder saves pictures of the list: with filters, and with a player search.
//
//   browser_look [OUTDIR]
#include "BrowserWindow.h"
#include "MapPreview.h"
#include "ServerBrowser.h"
#include "ServerListPanel.h"
#include "core/Settings.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestMaster.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <memory>

using namespace fragdeck;
using namespace fragdeck::browser;

namespace
{

struct Look {
    const char* name;
    const char* map;
    int gametype;
    const char* mod;
    int max;
    int bots;
    QList<QByteArray> people;
    bool password;
    int latency;
};

void wait(QObject* sender, const char* signal, int ms)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, SLOT(quit()));
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = app.arguments().value(1);
    test::TempStore store;
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    QTemporaryDir dir;

    const QList<Look> looks = {
        {"^1Red ^3Rocket ^7Arena",
         "oa_dm1",
         0,
         "baseoa",
         16,
         2,
         {"^4Blue^7Fox", "Doom"},
         false,
         18},
        {"^2Green ^7Tourney", "oa_dm4", 1, "baseoa", 2, 0, {"^3Sun^7Dial", "Xaero"}, false, 32},
        {"^5Frost^7Bite ^5CTF",
         "oa_ctf2",
         4,
         "baseoa",
         20,
         4,
         {"^6Mauve", "Grunt", "^1Frag^7Lord"},
         false,
         45},
        {"Friday Night Frags",
         "q3dm17",
         0,
         "baseq3",
         12,
         0,
         {"^2Slash", "Hunter", "^3Ang^7el"},
         true,
         60},
        {"^3Yellow ^7Zone [Insta]", "oa_dm3", 3, "cpma", 10, 3, {}, false, 75},
        {"^6Purple ^7Haze DM",
         "q3tourney2",
         0,
         "osp",
         8,
         0,
         {"^6Visor", "Orbb", "Razor", "Tank", "Klesk", "Wrack", "Hossman", "Bones"},
         false,
         22},
        {"^4Deep ^7Blue Clan Base", "ps37ctf", 4, "cpma", 16, 0, {"^4DB^7|Wolf"}, true, 90},
        {"^1[EU] ^7Defrag Runs", "cpm22", 0, "defrag", 24, 0, {"Runner"}, false, 54},
        {"^2LAN ^7party leftovers", "oa_rpg3dm2", 0, "baseoa", 12, 6, {}, false, 12},
        {"^7Empty Duel Pit", "oa_bases7", 1, "baseoa", 2, 0, {}, false, 38},
    };
    test::TestFleet fleet;
    fleet.start(int(looks.size()) + 2);
    test::TestMaster master;
    for (int i = 0; i < fleet.size(); ++i) {
        test::TestFleet::Server& s = fleet.server(i);
        if (i < looks.size()) {
            const Look& l = looks[i];
            s.hostname = l.name;
            s.map = l.map;
            s.gametype = l.gametype;
            s.gamename = l.mod;
            s.maxClients = l.max;
            s.bots = l.bots;
            s.humans = int(l.people.size());
            s.humanNames = l.people;
            s.needPass = l.password;
            s.latencyMs = l.latency;
            s.protocol = 71;
        } else {
            s.silent = true;
        }
        master.addServer(s.host, s.port, 71);
    }
    std::unique_ptr<test::RealGameServer> real;
    if (test::RealGameServer::available()) {
        real = std::make_unique<test::RealGameServer>(
            master.port(), QStringLiteral("^1Frag^7deck ^2Real ^7Server"));
        real->waitUntilReady();
        wait(&master, SIGNAL(serverRegistered(QHostAddress, quint16)), 20000);
    }

    const QString game = test::writeFile(dir.filePath("Games/openarena/openarena"), "#!/bin/sh\n");
    QFile::setPermissions(game, QFile::ReadOwner | QFile::ExeOwner);
    SaveSetting("Fragdeck", "Options", "Q3path", game);
    SaveSetting("Fragdeck", "Options", "ConfigPath",
                dir.filePath("Games/openarena/baseoa/q3config.cfg"));
    SaveSetting("Fragdeck", "Servers", "Masters",
                QStringLiteral("127.0.0.1:%1").arg(master.port()));
    SaveSetting("Fragdeck", "Servers", "Protocol", "71");
    SaveSetting("Fragdeck", "Servers", "AttemptTimeout", "300");
    test::writeFile(dir.filePath("addbook.dat"),
                    QStringLiteral("127.0.0.2:%1\r\n").arg(fleet.server(0).port).toLatin1());

    BrowserWindow w(dir.filePath("addbook.dat"));
    const QString oa = QStringLiteral("/usr/share/games/openarena/baseoa/");
    if (QDir(oa).exists())
        w.mapPreview()->setDataFolders({oa});
    w.show();
    ServerListPanel* panel = w.serverPanel();
    panel->refresh();
    wait(w.servers(), SIGNAL(finished()), 20000);
    settle(300);
    if (out.isEmpty())
        return w.exec();

    QDir().mkpath(out);
    auto save = [&](const char* name) {
        settle(200);
        const QString path = out + u'/' + QLatin1String(name);
        std::printf("%s %s\n", qPrintable(path), w.grab().save(path) ? "saved" : "NOT saved");
    };
    auto select = [&](const QString& hostname) {
        const ServerTable& t = w.servers()->table();
        for (int i = 0; i < t.size(); ++i)
            if (t.row(i).info.hostname == hostname && panel->selectRow(i))
                return;
    };
    select(real ? "^1Frag^7deck ^2Real ^7Server" : looks[0].name);
    save("browser-list.png");
    panel->findChild<QCheckBox*>("hideempty")->setChecked(true);
    panel->findChild<QCheckBox*>("hidenoreply")->setChecked(true);
    panel->findChild<QCheckBox*>("nopassword")->setChecked(true);
    panel->findChild<QComboBox*>("mod")->setEditText("baseoa");
    select(looks[2].name);
    save("browser-filters.png");
    panel->findChild<QCheckBox*>("hideempty")->setChecked(false);
    panel->findChild<QCheckBox*>("nopassword")->setChecked(false);
    panel->findChild<QComboBox*>("mod")->setEditText(QString());
    panel->findChild<QLineEdit*>("findplayer")->setText("^3ang");
    select(looks[3].name);
    save("browser-player-search.png");
    return 0;
}
