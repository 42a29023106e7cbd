#include "MapScan.h"
#include "ServerProcess.h"
#include "core/Paths.h"
#include "game/GameScript.h"
#include "testsupport/GameFolders.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::starter;
using namespace fragdeck::test;

namespace
{

struct Expected {
    QString node;
    QStringList maps; // text, or text=tag when they differ
};

QStringList describe(const MapScan& scan)
{
    QStringList out;
    for (const TopNode& n : scan.nodes) {
        QStringList maps;
        for (const MapNode& m : n.maps)
            maps.append(m.text == m.tag ? m.text : m.text + u'=' + m.tag);
        out.append(n.text + u':' + maps.join(u','));
    }
    return out;
}

} // namespace

class TestStarter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void scanOfOneDataFolder();
    void nodeKeysAndLevelShotIndex();
    void levelShotChosen_data();
    void levelShotChosen();
    void brokenAndMissingArchivesAreSkipped();
    void installationsHomeFirst_data();
    void installationsHomeFirst();
    void scriptBytes_data();
    void scriptBytes();
    void commandLines_data();
    void commandLines();
    void startWritesScriptAndStartsGame();
    void startRefusesUnusableFolders_data();
    void startRefusesUnusableFolders();
    void startProblems_data();
    void startProblems();
    void archivesReachedTwiceAreReadOnce();
    void dedicatedProgram_data();
    void dedicatedProgram();
    void dedicatedStartUsesTheServerProgram();
    void serverPortSkipsATakenOne();
    void startedText_data();
    void startedText();
    void startedGameIsWatchedAndStopped();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_base; // a data folder as the original layout has it
    QString root() const { return m_dir->path() + u'/'; }
};

void TestStarter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_base = root() + QStringLiteral("game/baseq3/");
    QDir().mkpath(m_base);
    writeZip(m_base + "pak0.pk3", {{"maps/", {}},
                                   {"maps/q3dm1.bsp", "BSP1"},
                                   {"maps/q3dm1.aas", "AAS"},
                                   {"maps/q3dm7.bsp", "BSP7"},
                                   {"maps/readme.txt", "not a map"},
                                   {"levelshots/", {}},
                                   {"levelshots/q3dm1.jpg", jpegBytes(Qt::red)},
                                   {"levelshots/q3dm7.tga", tgaBytes(Qt::green)},
                                   {"scripts/x.shader", "x"}});
    // Level shots and no maps: indexed, no node.
    writeZip(m_base + "shots.pk3", {{"levelshots/q3tourney2.jpg", jpegBytes(Qt::blue)}});
    // A folder spelled in capitals, and a map the first archive has already.
    writeZip(m_base + "zmaps.pk3", {{"maps/Q3CTF1.BSP", "CTF"},
                                    {"LevelShots/q3ctf1.jpg", jpegBytes(Qt::yellow)},
                                    {"maps/q3dm1.bsp", "again"}});
    writeFile(m_base + "maps/q3dm7.bsp", "loose copy");
    writeFile(m_base + "maps/MyMap.bsp", "loose");
    writeFile(m_base + "maps/q3tourney2.bsp", "loose");
    writeFile(m_base + "maps/notes.txt", "no");
}

void TestStarter::scanOfOneDataFolder()
{
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const MapScan scan = scanMaps({m_base}, unzip, root() + "test/");
    QCOMPARE(describe(scan), (QStringList{"pak0.pk3:q3dm1,q3dm7", "zmaps.pk3:q3ctf1",
                                          "maps:mymap=MyMap,q3tourney2"}));
    QCOMPARE(scan.mapCount(), 5);
    QVERIFY(!QFileInfo::exists(root() + "test")); // listing writes nothing
}

void TestStarter::nodeKeysAndLevelShotIndex()
{
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const MapScan scan = scanMaps({m_base}, unzip, root() + "test/");
    QCOMPARE(scan.nodes.size(), 3);
    QCOMPARE(scan.nodes[0].key, m_base + "pak0.pk3");
    QCOMPARE(scan.nodes[0].maps[1].key, "1" + m_base + "pak0.pk3");
    QCOMPARE(scan.nodes[1].maps[0].key, "0" + m_base + "zmaps.pk3");
    QCOMPARE(scan.nodes[2].key, LooseMapsKey);
    QCOMPARE(scan.nodes[2].maps[1].key, QStringLiteral("1maps"));
    QStringList index;
    for (const LevelShot& s : scan.levelShots)
        index.append(s.indexText());
    QCOMPARE(index,
             (QStringList{"q3dm1.jpg?" + m_base + "pak0.pk3", "q3dm7.tga?" + m_base + "pak0.pk3",
                          "q3tourney2.jpg?" + m_base + "shots.pk3",
                          "q3ctf1.jpg?" + m_base + "zmaps.pk3"}));
}

void TestStarter::levelShotChosen_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("file"); // extracted file name, empty for the default picture
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("jpg") << "q3dm1"
                         << "q3dm1.jpg" << qRgb(255, 0, 0);
    QTest::newRow("tga") << "q3dm7"
                         << "q3dm7.tga" << qRgb(0, 255, 0);
    QTest::newRow("case ignored") << "Q3DM7"
                                  << "q3dm7.tga" << qRgb(0, 255, 0);
    QTest::newRow("shots-only archive") << "q3tourney2"
                                        << "q3tourney2.jpg" << qRgb(0, 0, 255);
    QTest::newRow("capital folder") << "q3ctf1"
                                    << "q3ctf1.jpg" << qRgb(255, 255, 0);
    QTest::newRow("none") << "mymap"
                          << "" << QRgb(0);
}

void TestStarter::levelShotChosen()
{
    QFETCH(QString, map);
    QFETCH(QString, file);
    QFETCH(QRgb, colour);
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const MapScan scan = scanMaps({m_base}, unzip, root() + "test/");
    const QString scratch = root() + "temp/";
    writeFile(scratch + "old.jpg", "earlier picture");
    writeFile(scratch + "keep.txt", "not a picture");
    const LevelShot* shot = findLevelShot(scan.levelShots, map);
    QCOMPARE(shot != nullptr, !file.isEmpty());
    if (!shot)
        return;
    const QString got = extractLevelShot(unzip, *shot, scratch);
    QCOMPARE(got, scratch + file);
    QVERIFY(!QFileInfo::exists(scratch + "old.jpg"));
    QVERIFY(QFileInfo::exists(scratch + "keep.txt"));
    const QImage img(got);
    QVERIFY(!img.isNull());
    const QColor c = img.pixelColor(2, 2);
    QVERIFY2(qAbs(c.red() - qRed(colour)) < 8 && qAbs(c.green() - qGreen(colour)) < 8 &&
                 qAbs(c.blue() - qBlue(colour)) < 8,
             qPrintable(c.name()));
}

void TestStarter::brokenAndMissingArchivesAreSkipped()
{
    writeFile(m_base + "broken.pk3", "this is not a zip archive");
    writeFile(m_base + "empty.pk3", QByteArray());
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const MapScan scan =
        scanMaps({m_base, root() + "missing/", QString()}, unzip, root() + "test/");
    QCOMPARE(describe(scan), (QStringList{"pak0.pk3:q3dm1,q3dm7", "zmaps.pk3:q3ctf1",
                                          "maps:mymap=MyMap,q3tourney2"}));
    // A level shot that vanished from its archive gives no file (the default picture).
    LevelShot gone{"q3dm1.jpg", m_base + "shots.pk3", "levelshots/q3dm1.jpg"};
    QCOMPARE(extractLevelShot(unzip, gone, root() + "temp/"), QString());
}

void TestStarter::installationsHomeFirst_data()
{
    QTest::addColumn<QString>("program"); // relative to the root
    QTest::addColumn<QString>("home");    // home data folder relative to HOME
    QTest::addColumn<QString>("game");
    QTest::newRow("OpenArena") << "oa/openarena"
                               << ".openarena/baseoa"
                               << "baseoa";
    QTest::newRow("ioquake3") << "opt/ioquake3/ioquake3.x86_64"
                              << ".q3a/baseq3"
                              << "baseq3";
}

void TestStarter::installationsHomeFirst()
{
    QFETCH(QString, program);
    QFETCH(QString, home);
    QFETCH(QString, game);
    TempHome homeEnv(root() + "home");
    const QString exe = fakeProgram(root() + program);
    const QString base = QFileInfo(exe).absolutePath() + u'/' + game + u'/';
    const QString homeData = root() + "home/" + home + u'/';
    writeZip(
        base + "pak0.pk3",
        {{"maps/dm1.bsp", "x"}, {"maps/dm2.bsp", "x"}, {"levelshots/dm1.jpg", jpegBytes(Qt::red)}});
    writeFile(base + "maps/baseloose.bsp", "x");
    writeFile(homeData + "q3config.cfg", "seta name player\n");
    writeZip(homeData + "downloaded.pk3", {{"maps/dm2.bsp", "newer"},
                                           {"maps/extra.bsp", "x"},
                                           {"levelshots/dm1.jpg", jpegBytes(Qt::blue)}});
    writeFile(homeData + "maps/homeloose.bsp", "x");
    writeFile(homeData + "maps/baseloose.bsp", "x");

    const GameInstall install = GameInstall::fromPaths(exe, configPathFor(exe));
    QCOMPARE(install.scriptFolder, homeData);
    // Only the made-up folders: a real installation on this machine is not looked at.
    QStringList folders;
    for (const QString& f : install.dataFolders())
        if (f.startsWith(root()))
            folders.append(f);
    QCOMPARE(folders, (QStringList{homeData, base}));

    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const MapScan scan = scanMaps(folders, unzip, root() + "test/");
    QCOMPARE(describe(scan),
             (QStringList{"downloaded.pk3:dm2,extra", "pak0.pk3:dm1", "maps:baseloose,homeloose"}));
    QCOMPARE(scan.nodes[0].key, homeData + "downloaded.pk3");
    // The home path's level shot is found first, as the game reads it first.
    const LevelShot* shot = findLevelShot(scan.levelShots, "dm1");
    QVERIFY(shot);
    QCOMPARE(shot->archive, homeData + "downloaded.pk3");
}

void TestStarter::scriptBytes_data()
{
    QTest::addColumn<QStringList>("maps");
    QTest::addColumn<bool>("cycle");
    QTest::addColumn<int>("gameType");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray head = "set rconpassword \"\"\r\nset g_maxgameclients 8\r\n"
                            "set sv_maxclients 8\r\nset g_gametype 0\r\n"
                            "set timelimit 20\r\nset fraglimit 20\r\n";
    QTest::newRow("two maps, cycle on")
        << QStringList{"q3dm1", "q3dm7"} << true << 0
        << head + "set d1 \"map q3dm1 ; set nextmap vstr d2\"\r\n"
                  "set d2 \"map q3dm7 ; set nextmap vstr d1\"\r\nvstr d1\r\n";
    QTest::newRow("two maps, cycle off")
        << QStringList{"q3dm1", "q3dm7"} << false << 0
        << head + "set d1 \"map q3dm1 ; set nextmap vstr d2\"\r\nset d2 \"map q3dm7\"\r\n"
                  "vstr d1\r\n";
    QTest::newRow("one map, cycle on") << QStringList{"q3dm17"} << true << 0
                                       << head + "set d1 \"map q3dm17 ; set nextmap vstr d1\"\r\n"
                                                 "vstr d1\r\n";
    QTest::newRow("nothing ticked, cycle off")
        << QStringList{} << false << 0 << head + "\"\r\nvstr d1\r\n";
    QTest::newRow("nothing ticked, cycle on")
        << QStringList{} << true << 0 << head + " ; set nextmap vstr d1\"\r\nvstr d1\r\n";
    QByteArray ctf = head;
    ctf.replace("g_gametype 0", "g_gametype 4");
    QTest::newRow("CTF") << QStringList{"q3ctf1"} << false << 3
                         << ctf + "set d1 \"map q3ctf1\"\r\nvstr d1\r\n";
    QByteArray team = head;
    team.replace("g_gametype 0", "g_gametype 3");
    QTest::newRow("Team DM") << QStringList{"a", "b", "c"} << false << 2
                             << team + "set d1 \"map a ; set nextmap vstr d2\"\r\n"
                                       "set d2 \"map b ; set nextmap vstr d3\"\r\n"
                                       "set d3 \"map c\"\r\nvstr d1\r\n";
}

void TestStarter::scriptBytes()
{
    QFETCH(QStringList, maps);
    QFETCH(bool, cycle);
    QFETCH(int, gameType);
    QFETCH(QByteArray, expected);
    MatchRules rules;
    rules.mapCycle = cycle;
    rules.gameTypeIndex = gameType;
    QCOMPARE(mapScript(rules, maps), expected);
    // More players than the server's own slots raise the slots; fewer keep the game's 8,
    // so spectators still get in.
    rules.maxClients = "16";
    QVERIFY(
        mapScript(rules, maps).contains("\nset g_maxgameclients 16\r\nset sv_maxclients 16\r\n"));
    rules.maxClients = "2";
    QVERIFY(mapScript(rules, maps).contains("\nset g_maxgameclients 2\r\nset sv_maxclients 8\r\n"));
}

void TestStarter::commandLines_data()
{
    QTest::addColumn<int>("dedicated");
    QTest::addColumn<bool>("cheats");
    QTest::addColumn<QString>("arguments");
    // The rcon password is in the script: a command line is readable by every local user.
    QTest::newRow("listen") << 0 << false << " +set dedicated 0 +exec fragdeck_maps.cfg";
    QTest::newRow("LAN") << 1 << false << " +set dedicated 1 +exec fragdeck_maps.cfg";
    QTest::newRow("internet") << 2 << false << " +set dedicated 2 +exec fragdeck_maps.cfg";
    QTest::newRow("cheats drop the dedicated choice")
        << 2 << true << " +set cheats 1 +exec fragdeck_maps.cfg";
}

void TestStarter::commandLines()
{
    QFETCH(int, dedicated);
    QFETCH(bool, cheats);
    QFETCH(QString, arguments);
    QCOMPARE(startArguments(dedicated, cheats), arguments);
    QCOMPARE(isDedicatedStart(dedicated, cheats), dedicated > 0 && !cheats);
    // Another port than the game's own is given before the script runs.
    QString moved = arguments;
    moved.replace(" +exec", " +set net_port 27961 +exec");
    QCOMPARE(startArguments(dedicated, cheats, 27961), moved);
}

void TestStarter::startWritesScriptAndStartsGame()
{
    ProcessRecorder processes;
    const QString exe = fakeProgram(root() + "game/ioquake3");
    const GameInstall install = GameInstall::fromPaths(exe, m_base + "q3config.cfg");
    writeFile(m_base + MapScriptName, "an earlier, longer script that must go entirely\r\n");
    QFile::setPermissions(m_base + MapScriptName, QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ReadOther | QFile::ReadGroup);
    const QByteArray script = mapScript(MatchRules(), {"q3dm1"}, "pw");
    QVERIFY(script.startsWith("set rconpassword \"pw\"\r\n"));
    QString error;
    QVERIFY2(writeScriptAndStart(install, MapScriptName, script, startArguments(2, false),
                                 QString(), nullptr, &error),
             qPrintable(error));
    QCOMPARE(readFile(m_base + MapScriptName), script);
    // It holds the password: only its owner may read it.
    QCOMPARE(QFileInfo(m_base + MapScriptName).permissions() & 0x0777,
             QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(processes.commandLines(),
             QStringList{exe + " +set dedicated 2 +exec fragdeck_maps.cfg"});
    QCOMPARE(processes.requests[0].workingFolder, root() + "game/");
    QCOMPARE(processes.requests[0].arguments,
             (QStringList{"+set", "dedicated", "2", "+exec", "fragdeck_maps.cfg"}));
}

void TestStarter::startRefusesUnusableFolders_data()
{
    QTest::addColumn<QString>("program"); // "exe" for the fake program
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("messagePart");
    QTest::newRow("no data folder") << "exe"
                                    << ""
                                    << "data folder is not known";
    QTest::newRow("missing data folder") << "exe"
                                         << "/nonexistent/baseq3/q3config.cfg"
                                         << "does not exist";
    QTest::newRow("no game path") << ""
                                  << "BASE/q3config.cfg"
                                  << "path of the game is not set";
    QTest::newRow("missing game") << "/nonexistent/ioquake3"
                                  << "BASE/q3config.cfg"
                                  << "was not found";
}

void TestStarter::startRefusesUnusableFolders()
{
    QFETCH(QString, program);
    QFETCH(QString, config);
    QFETCH(QString, messagePart);
    ProcessRecorder processes;
    if (program == "exe")
        program = fakeProgram(root() + "game/ioquake3");
    config.replace("BASE/", m_base);
    GameInstall install = GameInstall::fromPaths(program, config);
    if (config.isEmpty())
        install.scriptFolder.clear();
    QString error;
    QVERIFY(!writeScriptAndStart(install, MapScriptName, "vstr d1\r\n", " +x", QString(), nullptr,
                                 &error));
    QVERIFY2(error.contains(messagePart), qPrintable(error));
    QVERIFY(processes.requests.isEmpty());
    QVERIFY(!QFileInfo::exists(m_base + MapScriptName));
}

void TestStarter::startProblems_data()
{
    QTest::addColumn<QStringList>("maps");
    QTest::addColumn<QString>("timeLimit");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("says"); // empty: nothing stops the start
    QTest::newRow("fine") << QStringList{"q3dm1"} << "20"
                          << "pw"
                          << "";
    QTest::newRow("no password is a choice") << QStringList{"q3dm1"} << "20"
                                             << ""
                                             << "";
    QTest::newRow("nothing ticked") << QStringList{} << "20"
                                    << "pw"
                                    << "Tick the maps";
    QTest::newRow("limit with a line break")
        << QStringList{"q3dm1"} << "20\r\nquit"
        << "pw"
        << "The time limit \"20??quit\" cannot be given to the game: it holds a line break";
    QTest::newRow("password with a command")
        << QStringList{"q3dm1"} << "20"
        << "pw +exec evil"
        << "The rcon password \"pw +exec evil\" cannot be given";
    QTest::newRow("password with a separator") << QStringList{"q3dm1"} << "20"
                                               << "pw;quit"
                                               << "ends a command";
    QTest::newRow("empty limit") << QStringList{"q3dm1"} << ""
                                 << "pw"
                                 << "No time limit was given";
    QTest::newRow("max clients not a number") << QStringList{"q3dm1"} << "20"
                                              << "pw"
                                              << "Max clients must be a whole number from 1 to 64";
    QTest::newRow("max clients too many") << QStringList{"q3dm1"} << "20"
                                          << "pw"
                                          << "not \"65\"";
}

void TestStarter::startProblems()
{
    QFETCH(QStringList, maps);
    QFETCH(QString, timeLimit);
    QFETCH(QString, password);
    QFETCH(QString, says);
    MatchRules rules;
    rules.timeLimit = timeLimit;
    if (QByteArray(QTest::currentDataTag()) == "max clients not a number")
        rules.maxClients = "eight";
    else if (QByteArray(QTest::currentDataTag()) == "max clients too many")
        rules.maxClients = "65";
    const QString problem = startProblem(rules, maps, password);
    if (says.isEmpty())
        QCOMPARE(problem, QString());
    else
        QVERIFY2(problem.contains(says), qPrintable(problem));
}

void TestStarter::archivesReachedTwiceAreReadOnce()
{
    // Debian's layout: the base folder of the game's library path holds links to the
    // archives of the shared data path.
    const QString linked = root() + "lib/baseq3/";
    QDir().mkpath(linked);
    for (const QString& f : QDir(m_base).entryList({"*.pk3"}, QDir::Files))
        QVERIFY(QFile::link(m_base + f, linked + f));
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const MapScan scan = scanMaps({linked, m_base}, unzip, root() + "test/");
    QCOMPARE(describe(scan), (QStringList{"pak0.pk3:q3dm1,q3dm7", "zmaps.pk3:q3ctf1",
                                          "maps:mymap=MyMap,q3tourney2"}));
    QCOMPARE(scan.nodes[0].key, linked + "pak0.pk3"); // the first folder that holds it
    QCOMPARE(scan.levelShots.size(), 4);
    QSet<QString> seen;
    QVERIFY(fragdeck::firstVisit(seen, linked + "pak0.pk3"));
    QVERIFY(!fragdeck::firstVisit(seen, m_base + "pak0.pk3"));
    QVERIFY(fragdeck::firstVisit(seen, m_base + "shots.pk3"));
    QVERIFY(
        fragdeck::firstVisit(seen, root() + "missing.pk3")); // by its name when it cannot resolve
    QVERIFY(!fragdeck::firstVisit(seen, root() + "missing.pk3"));
}

void TestStarter::dedicatedProgram_data()
{
    QTest::addColumn<QString>("client");    // the Q3path, in the test's folder
    QTest::addColumn<QStringList>("files"); // programs beside it
    QTest::addColumn<QString>("server");    // the expected server program ("" = the client)
    QTest::newRow("Debian OpenArena")
        << "openarena" << QStringList{"openarena-server"} << "openarena-server";
    QTest::newRow("OpenArena release")
        << "openarena.x86_64" << QStringList{"oa_ded.x86_64", "oa_ded.i386"} << "oa_ded.x86_64";
    QTest::newRow("ioquake3 release")
        << "ioquake3.x86_64" << QStringList{"ioq3ded.x86_64"} << "ioq3ded.x86_64";
    QTest::newRow("Debian Quake III")
        << "quake3" << QStringList{"quake3-server"} << "quake3-server";
    QTest::newRow("server given as Q3path") << "ioq3ded" << QStringList{} << "";
    QTest::newRow("no server program") << "openarena" << QStringList{} << "";
    QTest::newRow("only another suffix's server")
        << "ioquake3.x86_64" << QStringList{"ioq3ded.i386"} << "";
    QTest::newRow("another game") << "quake3e" << QStringList{"quake3-server"} << "";
    QTest::newRow("original game") << "quake3.exe" << QStringList{} << "";
}

void TestStarter::dedicatedProgram()
{
    QFETCH(QString, client);
    QFETCH(QStringList, files);
    QFETCH(QString, server);
    const QString folder = root() + "bin/";
    const QString q3path =
        client.endsWith(".exe") ? writeFile(folder + client, "MZ") : fakeProgram(folder + client);
    for (const QString& f : files)
        fakeProgram(folder + f);
    const GameInstall install = GameInstall::fromPaths(q3path, m_base + "q3config.cfg");
    QCOMPARE(install.dedicatedProgram(), server.isEmpty() ? q3path : folder + server);
    QCOMPARE(install.program, q3path); // the game stays the game
}

void TestStarter::dedicatedStartUsesTheServerProgram()
{
    ProcessRecorder processes;
    const QString client = fakeProgram(root() + "game/openarena");
    const QString server = fakeProgram(root() + "game/openarena-server");
    const GameInstall install = GameInstall::fromPaths(client, m_base + "q3config.cfg");
    QString error;
    QVERIFY2(writeScriptAndStart(install, MapScriptName, "vstr d1\r\n", startArguments(1, false),
                                 install.dedicatedProgram(), nullptr, &error),
             qPrintable(error));
    QCOMPARE(processes.commandLines(),
             QStringList{server + " +set dedicated 1 +exec fragdeck_maps.cfg"});
    // A server program that cannot be run is reported before anything is written.
    QFile::remove(m_base + MapScriptName);
    QVERIFY(!writeScriptAndStart(install, MapScriptName, "vstr d1\r\n", " +x", root() + "gone",
                                 nullptr, &error));
    QVERIFY2(error.contains("was not found"), qPrintable(error));
    QVERIFY(!QFileInfo::exists(m_base + MapScriptName));
    QCOMPARE(processes.requests.size(), 1);
}

void TestStarter::serverPortSkipsATakenOne()
{
    QUdpSocket taken;
    QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    const quint16 port = taken.localPort();
    const quint16 chosen = freeServerPort(port, 5);
    QVERIFY(chosen > port && chosen < port + 5);
    QUdpSocket probe; // the port chosen can be had
    QVERIFY(probe.bind(QHostAddress::AnyIPv4, chosen, QUdpSocket::DontShareAddress));
    // A port taken on one address only is taken for the game, which binds them all.
    QUdpSocket loopback;
    QVERIFY(loopback.bind(QHostAddress::LocalHost, 0, QUdpSocket::DontShareAddress));
    QVERIFY(freeServerPort(loopback.localPort(), 3) != loopback.localPort());
    // Nothing free: the first one, and the game looks further itself.
    QCOMPARE(freeServerPort(port, 1), port);
}

void TestStarter::startedText_data()
{
    QTest::addColumn<int>("dedicated");
    QTest::addColumn<bool>("cheats");
    QTest::addColumn<QString>("text");
    QTest::newRow("listen") << 0 << false
                            << "Started openarena (the game, hosting the match) on port 27960.";
    QTest::newRow("LAN") << 1 << false << "Started openarena (a LAN server) on port 27960.";
    QTest::newRow("internet") << 2 << false
                              << "Started openarena (an internet server) on port 27960.";
    QTest::newRow("cheats") << 2 << true
                            << "Started openarena (the game with cheats) on port 27960.";
}

void TestStarter::startedText()
{
    QFETCH(int, dedicated);
    QFETCH(bool, cheats);
    QTEST(starter::startedText("/usr/games/openarena", dedicated, cheats, 27960), "text");
}

void TestStarter::startedGameIsWatchedAndStopped()
{
    // A stand-in for the server: a process that runs until it is told to end.
    QProcess server;
    server.start("sleep", {"60"});
    QVERIFY(server.waitForStarted());
    const StartedGame game = StartedGame::of("Started sleep", 27960, server.processId());
    QVERIFY(game.startTime >= 0);
    QVERIFY(game.running());
    // Another process that was given the same number later is not ours.
    StartedGame other = game;
    other.startTime += 1;
    QVERIFY(!other.running());
    QVERIFY(!other.stop());
    QCOMPARE(server.state(), QProcess::Running);

    QVERIFY(game.stop());
    QVERIFY(server.waitForFinished(5000));
    QCOMPARE(server.exitStatus(), QProcess::CrashExit); // ended by the signal
    QVERIFY(!game.running());
    QVERIFY(!game.stop()); // already ended
    QCOMPARE(processStartTime(0), qint64(-1));
    QVERIFY(!StartedGame{}.running()); // nothing known: nothing to stop
}

QTEST_MAIN(TestStarter)
#include "test_starter.moc"
