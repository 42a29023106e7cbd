#include "core/GameInstall.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using fragdeck::test::TempHome;

namespace
{
QString makeProgram(const QString& path)
{
    test::writeFile(path, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
} // namespace

class TestGameInstall : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowsLayoutKeepsEverythingBesideTheProgram();
    void ioquake3UsesTheHomeConfig();
    void openArenaIsRecognisedByItsProgram();
    void dataFoldersAreHomeFirstAndEachOnce();
    void programNamesStartWithTheWindowsOne();
    void demoExtensionsCoverEveryProtocol();
    void unusableGamePathsAreExplained();
    void gamesStartInTheirFolder();
    void gameArguments_data();
    void gameArguments();
    void startRefusesCommandSeparators();
};

void TestGameInstall::windowsLayoutKeepsEverythingBesideTheProgram()
{
    const GameInstall g = GameInstall::fromPaths("C:\\Games\\Quake3\\quake3.exe", "");
    QCOMPARE(g.gameFolderName, QString("baseq3"));
    QCOMPARE(g.programFolder, QString("C:/Games/Quake3/"));
    QCOMPARE(g.configPath, QString("C:\\Games\\Quake3\\baseq3\\q3config.cfg"));
    QCOMPARE(g.scriptFolder, QString("C:/Games/Quake3/baseq3/"));
    QVERIFY(g.homeFolder.isEmpty());
    QVERIFY(g.isWindowsProgram());
}

void TestGameInstall::ioquake3UsesTheHomeConfig()
{
    TempHome home;
    QTemporaryDir base;
    const QString prog = makeProgram(base.filePath("ioquake3.x86_64"));
    QDir().mkpath(base.filePath("baseq3"));
    // The game has never run: the home path all the same, where its first run writes it.
    QCOMPARE(configPathFor(prog), home.path() + "/.q3a/baseq3/q3config.cfg");
    QVERIFY(!QFileInfo::exists(home.path() + "/.q3a"));
    QDir().mkpath(home.path() + "/.q3a/baseq3");
    QCOMPARE(configPathFor(prog), home.path() + "/.q3a/baseq3/q3config.cfg");
    const GameInstall g = GameInstall::fromPaths(prog, "");
    QCOMPARE(g.configPath, home.path() + "/.q3a/baseq3/q3config.cfg");
    QCOMPARE(g.scriptFolder, home.path() + "/.q3a/baseq3/");
    QCOMPARE(g.homeFolder, home.path() + "/.q3a/baseq3/");
    QCOMPARE(g.browseFolder(), base.filePath("baseq3") + "/");
}

void TestGameInstall::openArenaIsRecognisedByItsProgram()
{
    TempHome home;
    QTemporaryDir base;
    const QString prog = makeProgram(base.filePath("openarena"));
    QDir().mkpath(home.path() + "/.openarena/baseoa");
    test::writeFile(home.path() + "/.openarena/baseoa/q3config.cfg", "seta name \"x\"\n");
    const GameInstall g = GameInstall::fromPaths(prog, "");
    QCOMPARE(g.gameFolderName, QString("baseoa"));
    QCOMPARE(g.configPath, home.path() + "/.openarena/baseoa/q3config.cfg");
    QCOMPARE(g.baseFolders.value(0), base.filePath("baseoa") + "/");
    QVERIFY(g.baseFolders.contains("/usr/lib/openarena/baseoa/"));
}

void TestGameInstall::dataFoldersAreHomeFirstAndEachOnce()
{
    TempHome home;
    QTemporaryDir base;
    const QString prog = makeProgram(base.filePath("ioquake3"));
    QDir().mkpath(base.filePath("baseq3"));
    QDir().mkpath(home.path() + "/.q3a/baseq3");
    // The configuration in the home folder: that folder is listed once, first.
    GameInstall g = GameInstall::fromPaths(prog, home.path() + "/.q3a/baseq3/q3config.cfg");
    QCOMPARE(g.dataFolders(),
             (QStringList{home.path() + "/.q3a/baseq3/", base.filePath("baseq3") + "/"}));
    // A configuration kept in an unusual folder makes that folder a data folder too.
    QDir().mkpath(base.filePath("elsewhere"));
    g = GameInstall::fromPaths(prog, base.filePath("elsewhere/q3config.cfg"));
    QCOMPARE(g.dataFolders().last(), base.filePath("elsewhere") + "/");
    QCOMPARE(g.scriptFolder, base.filePath("elsewhere") + "/");
    // Nothing set: no folders at all.
    QCOMPARE(GameInstall::fromPaths("", "").dataFolders(), QStringList{});
}

void TestGameInstall::programNamesStartWithTheWindowsOne()
{
    const QStringList names = gameProgramNames();
    QCOMPARE(names.value(0), QString("quake3.exe"));
    for (const char* n : {"ioquake3", "ioquake3.x86_64", "quake3", "openarena"})
        QVERIFY2(names.contains(n), n);
}

void TestGameInstall::demoExtensionsCoverEveryProtocol()
{
    for (const char* n :
         {"a.dm3", "b.DM_48", "c.dm_66", "d.dm_67", "e.dm_68", "g.dm_69", "h.dm_70", "f.dm_71"})
        QVERIFY2(isDemoFile(n), n);
    QVERIFY(!isDemoFile("q3dm17.bsp"));
    QVERIFY(!isDemoFile("demo.dm_7"));
}

void TestGameInstall::unusableGamePathsAreExplained()
{
    QTemporaryDir dir;
    QVERIFY(gamePathProblem("").contains("not set"));
    QVERIFY(gamePathProblem(dir.filePath("missing/ioquake3")).contains("not found"));
    const QString plain = test::writeFile(dir.filePath("notes.txt"), "x");
    QVERIFY(gamePathProblem(plain).contains("cannot be run"));
    QCOMPARE(gamePathProblem(makeProgram(dir.filePath("ioquake3"))), QString());
    const QString exe = test::writeFile(dir.filePath("quake3.exe"), "MZ");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.filePath("nowhere")));
    QVERIFY(gamePathProblem(exe).contains("Wine"));
    qputenv("PATH", oldPath);
}

void TestGameInstall::gamesStartInTheirFolder()
{
    QTemporaryDir dir;
    const QString prog = makeProgram(dir.filePath("game/ioquake3"));
    test::ProcessRecorder rec;
    QVERIFY(startGame(prog, " +connect 10.0.0.1:27960"));
    QCOMPARE(rec.requests.size(), 1);
    QCOMPARE(rec.requests[0].commandLine, prog + " +connect 10.0.0.1:27960");
    QCOMPARE(rec.requests[0].workingFolder, dir.filePath("game") + "/");
    // A Windows program goes through wine when there is one.
    const QString exe = test::writeFile(dir.filePath("win/quake3.exe"), "MZ");
    makeProgram(dir.filePath("bin/wine"));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.filePath("bin")));
    QVERIFY(startGame(exe, " +map q3dm1"));
    qputenv("PATH", oldPath);
    QCOMPARE(rec.requests.size(), 2);
    QCOMPARE(rec.requests[1].resolved, dir.filePath("bin/wine"));
    QCOMPARE(rec.requests[1].arguments, (QStringList{exe, "+map", "q3dm1"}));
    // Nothing is started for an unusable path.
    QString error;
    QVERIFY(!startGame("", " +connect x", nullptr, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(rec.requests.size(), 2);
}

void TestGameInstall::gameArguments_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("says"); // empty: safe
    QTest::newRow("map") << "q3dm1"
                         << "";
    QTest::newRow("demo below a folder") << "sub/match1.dm_68"
                                         << "";
    QTest::newRow("address") << "10.0.0.1:27960"
                             << "";
    QTest::newRow("latin-1") << QString::fromLatin1("caf\xe9") << "";
    QTest::newRow("separator") << "x;echo INJECTED;quit"
                               << "ends a command";
    QTest::newRow("blank") << "x +exec evil.cfg"
                           << "a blank";
    QTest::newRow("tab") << "a\tb"
                         << "a blank";
    QTest::newRow("quote") << "a\"b"
                           << "a double quote";
    QTest::newRow("line feed") << "20\nquit"
                               << "a line break";
    QTest::newRow("carriage return") << "20\rquit"
                                     << "a line break";
    QTest::newRow("comment") << "a//b"
                             << "starts a comment";
    QTest::newRow("control byte") << QString("a") + QChar(7) + "b"
                                  << "a control character";
    QTest::newRow("delete") << QString("a") + QChar(0x7f) << "a control character";
    QTest::newRow("empty") << ""
                           << "No map was given";
}

void TestGameInstall::gameArguments()
{
    QFETCH(QString, value);
    QFETCH(QString, says);
    const QString problem = gameArgumentProblem("map", value);
    QCOMPARE(isGameArgumentSafe(value), says.isEmpty());
    if (says.isEmpty()) {
        QCOMPARE(problem, QString());
        return;
    }
    QVERIFY2(problem.contains(says), qPrintable(problem));
    QVERIFY2(problem.contains("Nothing was written or started"), qPrintable(problem));
    // The value is shown without its control bytes.
    for (QChar c : problem)
        QVERIFY(c.unicode() >= 0x20 && c.unicode() != 0x7f);
}

// Whatever a caller forgot to check never reaches the game.
void TestGameInstall::startRefusesCommandSeparators()
{
    QTemporaryDir dir;
    const QString exe = test::writeFile(dir.filePath("ioquake3"), "#!/bin/sh\n");
    QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    test::ProcessRecorder rec;
    for (const QString& args :
         {QString(" +map x;quit"), QString(" +connect a\nquit"), QString(" +set name \"x\"")}) {
        QString error;
        QVERIFY(!startGame(exe, args, nullptr, &error));
        QVERIFY2(error.startsWith("The game was not started"), qPrintable(error));
    }
    QVERIFY(rec.requests.isEmpty());
    QVERIFY(startGame(exe, " +map q3dm1"));
    QCOMPARE(rec.requests.size(), 1);
}

QTEST_GUILESS_MAIN(TestGameInstall)
#include "test_gameinstall.moc"
