#include "DemoScan.h"
#include "DemoWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "gui/PictureBox.h"
#include "servers/Friends.h"
#include "testsupport/DemoWriter.h"
#include "testsupport/GameFolders.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::demos;
using namespace fragdeck::test;

namespace
{

const QByteArray ioq3Engine =
    QByteArrayLiteral("\x7f"
                      "ELF\0\0com_protocol\0com_legacyprotocol\0ioq3 1.36/Debian\0");

// Debian's launcher for OpenArena, cut to what matters.
QByteArray wrapperFor(const QString& engineFolder)
{
    return "#!/bin/sh\nIOQ3BINARY=ioquake3\nENGINE=\"" + engineFolder.toUtf8() +
           "/${IOQ3BINARY}\"\nCVARS=\"+set com_basegame baseoa\"\n"
           "CVARS=\"$CVARS +set com_legacyprotocol 71\"\n"
           "CVARS=\"$CVARS +set com_protocol 71\"\nexec ${ENGINE} ${CVARS} \"$@\"\n";
}

QString joined(const QList<int>& numbers)
{
    QStringList out;
    for (int n : numbers)
        out.append(QString::number(n));
    return out.join(u',');
}

QStringList texts(const QList<Demo>& demos)
{
    QStringList out;
    for (const Demo& d : demos)
        out.append(d.text == d.name ? d.text : d.text + u'=' + d.name);
    return out;
}

} // namespace

class TestDemos : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void demoNames_data();
    void demoNames();
    void scanOfOneDataFolder();
    void installationsHomeFirst();
    void archivesLinkedFromTwoFolders();
    void scriptBytes_data();
    void scriptBytes();
    void windowEndToEnd();
    void enginePlays_data();
    void enginePlays();
    void protocolProblems_data();
    void protocolProblems();
    void windowRefusesWhatTheGameCannotPlay();
    void windowWithoutPaths();
    void windowColumns();
    void windowSorting();
    void windowFilter();
    void windowLevelShot();
    void hostileDemoTextIsPlain();
    void pluginMainShowsTheWindow();

private:
    // A game folder of readable demos (two archived, one loose, one broken) and level
    // shots; the settings point at it.
    void makeDemoGame();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<TempHome> m_home;
    QString m_base;
    QString root() const { return m_dir->path() + u'/'; }
};

void TestDemos::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<TempStore>();
    m_home = std::make_unique<TempHome>(root() + "home");
    m_base = root() + "game/baseq3/";
    writeZip(m_base + "a.pk3", {{"demos/", {}},
                                {"demos/demo001.dm3", "d"},
                                {"demos/sub/", {}},
                                {"demos/sub/match1.dm_68", "d"},
                                {"demos/x.aas", "no"},
                                {"demos/readme.txt", "no"},
                                {"maps/q3dm1.bsp", "map"}});
    writeZip(m_base + "b.pk3",
             {{"DEMOS/demo001.dm3", "same demo again"}, {"demos/D48.dm_48", "d"}});
    writeFile(m_base + "demos/demo001.dm3", "loose copy");
    writeFile(m_base + "demos/loose.dm_66", "d");
    writeFile(m_base + "demos/Rec.dm_67", "d");
    writeFile(m_base + "demos/notademo.txt", "no");
    writeFile(m_base + "demos/sub2/x.dm_71", "d");
}

void TestDemos::cleanup()
{
    m_home.reset();
    m_store.reset();
    m_dir.reset();
}

void TestDemos::demoNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("dm3 loses its extension") << "demo001.dm3"
                                             << "demo001";
    QTest::newRow("dm3 in capitals") << "DEMO001.DM3"
                                     << "DEMO001";
    QTest::newRow("dm_48") << "a.dm_48"
                           << "a.dm_48";
    QTest::newRow("dm_66") << "a.dm_66"
                           << "a.dm_66";
    QTest::newRow("dm_67") << "a.dm_67"
                           << "a.dm_67";
    QTest::newRow("dm_68 in a subfolder") << "sub/match1.dm_68"
                                          << "sub/match1.dm_68";
    QTest::newRow("dm_71") << "a.dm_71"
                           << "a.dm_71";
    QTest::newRow("bot file") << "x.aas"
                              << "";
    QTest::newRow("other file") << "readme.txt"
                                << "";
    QTest::newRow("folder entry") << "sub/"
                                  << "";
    QTest::newRow("extension alone") << ".dm3"
                                     << "";
    QTest::newRow("blank in the name") << "my demo.dm_68"
                                       << "";
    QTest::newRow("command separator") << "a;quit.dm_68"
                                       << "";
    QTest::newRow("unknown protocol") << "a.dm_99"
                                      << "";
}

void TestDemos::demoNames()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QCOMPARE(demoName(file), name);
}

void TestDemos::scanOfOneDataFolder()
{
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const QList<Demo> demos = scanDemos({m_base, root() + "missing/"}, unzip, root() + "test/");
    QCOMPARE(texts(demos), (QStringList{"demo001", "sub/match1.dm_68", "demo001", "d48.dm_48",
                                        "loose.dm_66", "rec.dm_67=Rec.dm_67", "sub2/x.dm_71"}));
}

void TestDemos::installationsHomeFirst()
{
    const QString exe = fakeProgram(root() + "oa/openarena");
    const QString home = root() + "home/.openarena/baseoa/";
    const QString base = root() + "oa/baseoa/";
    writeFile(home + "q3config.cfg", "seta name x\n");
    writeFile(home + "demos/mine.dm_71", "d");
    writeFile(home + "demos/both.dm_71", "d");
    writeZip(home + "dl.pk3", {{"demos/fromhome.dm_68", "d"}});
    writeZip(base + "pak0.pk3", {{"demos/intro.dm_71", "d"}});
    writeFile(base + "demos/both.dm_71", "d");
    const GameInstall install = GameInstall::fromPaths(exe, configPathFor(exe));
    QCOMPARE(install.scriptFolder, home);
    QStringList folders; // the made-up folders only, never a real installation
    for (const QString& f : install.dataFolders())
        if (f.startsWith(root()))
            folders.append(f);
    QCOMPARE(folders, (QStringList{home, base}));
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    QCOMPARE(texts(scanDemos(folders, unzip, root() + "test/")),
             (QStringList{"fromhome.dm_68", "intro.dm_71", "both.dm_71", "mine.dm_71"}));
}

void TestDemos::archivesLinkedFromTwoFolders()
{
    // Debian links the archives of /usr/share/games/openarena/baseoa from
    // /usr/lib/openarena/baseoa: each demo is listed once.
    const QString linked = root() + "lib/baseq3/";
    QDir().mkpath(linked);
    for (const char* f : {"a.pk3", "b.pk3"})
        QVERIFY(QFile::link(m_base + QLatin1String(f), linked + QLatin1String(f)));
    QVERIFY(QFile::link(m_base + "demos", linked + "demos"));
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    const QList<Demo> demos = scanDemos({linked, m_base}, unzip, root() + "test/");
    QCOMPARE(texts(demos), (QStringList{"demo001", "sub/match1.dm_68", "demo001", "d48.dm_48",
                                        "loose.dm_66", "rec.dm_67=Rec.dm_67", "sub2/x.dm_71"}));
    QCOMPARE(demos[0].source.archive, linked + "a.pk3"); // the first folder that holds it
    QCOMPARE(scanLevelShots({linked, m_base}, unzip, root() + "test/").size(), 0);
}

void TestDemos::scriptBytes_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("loop on") << QStringList{"demo001", "demo002"} << true
                             << QByteArray("set d1 \"demo demo001 ; set nextdemo vstr d2\"\r\n"
                                           "set d2 \"demo demo002 ; set nextdemo vstr d1\"\r\n"
                                           "vstr d1\r\n");
    QTest::newRow("loop off") << QStringList{"demo001", "demo002"} << false
                              << QByteArray("set d1 \"demo demo001 ; set nextdemo vstr d2\"\r\n"
                                            "set d2 \"demo demo002\"\r\nvstr d1\r\n");
    QTest::newRow("nothing selected") << QStringList{} << false << QByteArray("\"\r\nvstr d1\r\n");
    QTest::newRow("nothing selected, loop on")
        << QStringList{} << true << QByteArray(" ; set nextdemo vstr d1\"\r\nvstr d1\r\n");
    QTest::newRow("newer kind keeps its extension")
        << QStringList{"sub/match1.dm_68"} << false
        << QByteArray("set d1 \"demo sub/match1.dm_68\"\r\nvstr d1\r\n");
}

void TestDemos::scriptBytes()
{
    QFETCH(QStringList, names);
    QFETCH(bool, loop);
    QFETCH(QByteArray, expected);
    QCOMPARE(demoScript(names, loop), expected);
}

void TestDemos::windowEndToEnd()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    const QString exe = fakeProgram(root() + "game/ioquake3");
    test::setGamePaths(exe, m_base + "q3config.cfg");
    DemoWindow w;
    w.show();
    QCOMPARE(w.objectName(), QStringLiteral("frm_main"));
    QCOMPARE(w.windowTitle(), QStringLiteral("View demos"));
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    QCOMPARE(list->topLevelItemCount(), 7);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    // Nothing selected: a message, and nothing written or started.
    auto* start = w.findChild<QPushButton*>("Command1");
    start->click();
    QCOMPARE(prompts.texts(), QStringList{"Select the demos to play first: click one, or hold "
                                          "Ctrl to pick several. Nothing was written or started."});
    QCOMPARE(prompts.prompts[0].title, QStringLiteral("View demos"));
    QVERIFY(!QFileInfo::exists(m_base + "fragdeck_demo.cfg"));
    QVERIFY(processes.requests.isEmpty());
    prompts.clear();
    list->topLevelItem(1)->setSelected(true); // sub/match1.dm_68
    list->topLevelItem(5)->setSelected(true); // rec.dm_67, a loose file spelled Rec.dm_67
    w.findChild<QCheckBox*>("cloop")->setChecked(true);
    start->click();
    QCOMPARE(prompts.prompts.size(), 0);
    QCOMPARE(readFile(m_base + "fragdeck_demo.cfg"),
             QByteArray("set d1 \"demo sub/match1.dm_68 ; set nextdemo vstr d2\"\r\n"
                        "set d2 \"demo Rec.dm_67 ; set nextdemo vstr d1\"\r\nvstr d1\r\n"));
    QCOMPARE(processes.commandLines(), QStringList{exe + " +exec fragdeck_demo.cfg"});
    QCOMPARE(processes.requests[0].workingFolder, root() + "game/");
    QVERIFY(w.isVisible());
    // Scratch files go to the user's data folder, never the program's.
    QVERIFY2(w.scratchFolder().startsWith(m_store->dataHome() + "/fragdeck/"),
             qPrintable(w.scratchFolder()));
    w.findChild<QPushButton*>("Command2")->click();
    QVERIFY(!w.isVisible());
}

void TestDemos::enginePlays_data()
{
    QTest::addColumn<bool>("wrapped");
    QTest::addColumn<QByteArray>("engine");
    QTest::addColumn<QString>("played");
    QTest::newRow("ioquake3 itself") << false << ioq3Engine << "66,67,68,71";
    QTest::newRow("Debian's openarena launcher") << true << ioq3Engine << "66,67,71";
    QTest::newRow("ioquake3 before the legacy protocol") << false
                                                         << QByteArray("\x7f"
                                                                       "ELF com_protocol ioq3 1.35")
                                                         << "66,67,68";
    QTest::newRow("an engine not known") << false
                                         << QByteArray("\x7f"
                                                       "ELF Q3 1.32c")
                                         << "";
    QTest::newRow("a launcher whose engine is missing") << true << QByteArray() << "";
}

void TestDemos::enginePlays()
{
    QFETCH(bool, wrapped);
    QFETCH(QByteArray, engine);
    QFETCH(QString, played);
    const QString folder = root() + "engine";
    QString program = folder + "/ioquake3";
    if (!engine.isEmpty()) {
        writeFile(program, engine);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    }
    if (wrapped)
        writeFile(program = root() + "openarena", wrapperFor(folder));
    QCOMPARE(joined(playedDemoProtocols(program)), played);
}

void TestDemos::protocolProblems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("played");
    QTest::addColumn<QString>("problem");
    QTest::newRow("played") << "a.dm_71" << QList<int>{66, 67, 71} << "";
    QTest::newRow("one protocol") << "sub/a.dm_70" << QList<int>{71}
                                  << "recorded for protocol 70; this game plays 71";
    QTest::newRow("several") << "a.DM_68" << QList<int>{66, 67, 71}
                             << "recorded for protocol 68; this game plays 66, 67 and 71";
    QTest::newRow("dm3 by its bare name")
        << "demo001" << QList<int>{71} << "recorded as .dm3; this game plays 71";
    QTest::newRow("engine not known") << "a.dm_70" << QList<int>{} << "";
}

void TestDemos::protocolProblems()
{
    QFETCH(QString, name);
    QFETCH(QList<int>, played);
    QFETCH(QString, problem);
    QCOMPARE(demoProtocolProblem(name, played), problem);
}

void TestDemos::windowRefusesWhatTheGameCannotPlay()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    writeFile(root() + "engine/ioquake3", ioq3Engine);
    QFile::setPermissions(root() + "engine/ioquake3", QFile::ReadOwner | QFile::ExeOwner);
    const QString exe = fakeProgram(root() + "game/ioquake3");
    writeFile(exe, wrapperFor(root() + "engine"));
    test::setGamePaths(exe, m_base + "q3config.cfg");
    DemoWindow w;
    QCOMPARE(w.playedProtocols(), (QList<int>{66, 67, 71}));
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    QTreeWidgetItem* old = list->topLevelItem(1);    // sub/match1.dm_68
    QTreeWidgetItem* played = list->topLevelItem(6); // sub2/x.dm_71
    const QString tip = shownToolTip(old->toolTip(0));
    QVERIFY2(tip.endsWith("recorded for protocol 68; this game plays 66, 67 and 71"),
             qPrintable(tip));
    QVERIFY(!shownToolTip(played->toolTip(0)).contains("protocol"));
    old->setSelected(true);
    played->setSelected(true);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.texts(),
             QStringList{"The game cannot play this demo:\nsub/match1.dm_68: recorded for "
                         "protocol 68; this game plays 66, 67 and 71\nNothing was written or "
                         "started."});
    QVERIFY(processes.requests.isEmpty());
    QVERIFY(!QFileInfo::exists(m_base + "fragdeck_demo.cfg"));
    old->setSelected(false);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    // The full file name, extension and all: the engine opens exactly that file.
    QCOMPARE(readFile(m_base + "fragdeck_demo.cfg"),
             QByteArray("set d1 \"demo sub2/x.dm_71\"\r\nvstr d1\r\n"));
    QCOMPARE(processes.requests.size(), 1);
}

void TestDemos::windowWithoutPaths()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    DemoWindow w;
    QCOMPARE(w.findChild<QTreeWidget*>("list_demos")->topLevelItemCount(), 0);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("data folder is not known"));
    QVERIFY(processes.requests.isEmpty());
}

void TestDemos::pluginMainShowsTheWindow()
{
    test::setGamePaths(fakeProgram(root() + "game/ioquake3"), m_base + "q3config.cfg");
    int demos = 0;
    QCOMPARE(test::modalShownBy(
                 "reelgate", "reelgate.Class", "Main", "Command2",
                 [&demos](QWidget* modal) {
                     demos = modal->findChild<QTreeWidget*>("list_demos")->topLevelItemCount();
                 }),
             QString("frm_main|View demos"));
    QCOMPARE(demos, 7);
}

void TestDemos::makeDemoGame()
{
    const QString base = root() + "q3/baseq3/";
    const QByteArray alpha =
        simpleDemo("q3dm17", "^1Red ^7Arena", {{"^3Alice", 0}, {"Bob", 0}}, 65000, 0, true, 68);
    DemoWriter bravo;
    bravo.gameState(standardStrings("ctf1", "Blue Base", 4, 71, {{"Carl", 1}, {"Dora", 2}}), 1, 2);
    bravo.message({{3, "cs 6 \"3\""}, {4, "cs 7 \"1\""}}, 1000);
    bravo.message({{5, "cs 546 \"" + playerString({"Finn", 2}) + "\""}}, 126000);
    bravo.endMarker();
    writeZip(base + "demos.pk3", {{"demos/alpha.dm_68", alpha},
                                  {"demos/bravo.dm_71", bravo.bytes()},
                                  {"demos/broken.dm_68", "not a demo at all"}});
    writeZip(base + "shots.pk3", {{"levelshots/q3dm17.jpg", jpegBytes(Qt::red, 300, 240)},
                                  {"levelshots/ctf1.tga", tgaBytes(Qt::green, 64, 32)}});
    writeFile(base + "demos/charlie.dm_67",
              simpleDemo("q3dm1", "Loose", {{"Eve", 0}}, 5000, 0, true, 67));
    test::setGamePaths(fakeProgram(root() + "q3/ioquake3"), base + "q3config.cfg");
}

namespace
{

QStringList column(QTreeWidget* list, int c, bool visibleOnly = false)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (!visibleOnly || !list->topLevelItem(i)->isHidden())
            out.append(list->topLevelItem(i)->text(c));
    return out;
}

void clickHeader(QTreeWidget* list, int c)
{
    QHeaderView* h = list->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(c) + 4, h->height() / 2));
}

} // namespace

void TestDemos::windowColumns()
{
    makeDemoGame();
    DemoWindow w;
    w.show();
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    QCOMPARE(column(list, DemoWindow::ColDemo),
             (QStringList{"alpha.dm_68", "bravo.dm_71", "broken.dm_68", "charlie.dm_67"}));
    // The game states are there at once.
    QCOMPARE(column(list, DemoWindow::ColMap),
             (QStringList{"q3dm17", "ctf1", "(unreadable)", "q3dm1"}));
    QCOMPARE(column(list, DemoWindow::ColServer),
             (QStringList{"Red Arena", "Blue Base", "", "Loose"}));
    QCOMPARE(column(list, DemoWindow::ColGameType),
             (QStringList{"Free For All", "Capture the Flag", "", "Free For All"}));
    const auto tip = [list](int row, int c) {
        return shownToolTip(list->topLevelItem(row)->toolTip(c));
    };
    QCOMPARE(tip(0, DemoWindow::ColPlayers), QStringLiteral("Alice\nBob"));
    QVERIFY(tip(2, DemoWindow::ColMap).startsWith("not a readable demo"));
    QVERIFY(!list->topLevelItem(0)->text(DemoWindow::ColDate).isEmpty());
    QVERIFY(!list->topLevelItem(3)->text(DemoWindow::ColDate).isEmpty());

    // Lengths, and players who joined later, come from the whole reads.
    QTRY_COMPARE(w.demosBeingRead(), 0);
    QCOMPARE(column(list, DemoWindow::ColLength), (QStringList{"1:05", "2:05", "", "0:05"}));
    QCOMPARE(column(list, DemoWindow::ColPlayers), (QStringList{"2", "3", "", "1"}));
    QCOMPARE(tip(1, DemoWindow::ColPlayers),
             QStringLiteral("Carl (red)\nDora (blue)\nFinn (blue)"));
    QCOMPARE(tip(1, DemoWindow::ColGameType), QStringLiteral("red 3, blue 1"));
    QCOMPARE(w.info(1).recorder, QStringLiteral("Dora"));

    // A demo's players become friends from its row's menu, colour codes left out.
    std::unique_ptr<QMenu> menu(w.demoMenu(list->topLevelItem(0)));
    auto* add = menu->findChild<QMenu*>("addfriend");
    QCOMPARE(add->actions().size(), 2);
    QCOMPARE(add->actions()[0]->text(), QString("Alice"));
    add->actions()[0]->trigger();
    QCOMPARE(servers::loadFriends(), QStringList{"Alice"});
}

void TestDemos::windowSorting()
{
    makeDemoGame();
    DemoWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.demosBeingRead(), 0);
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    clickHeader(list, DemoWindow::ColLength);
    QCOMPARE(column(list, DemoWindow::ColDemo),
             (QStringList{"broken.dm_68", "charlie.dm_67", "alpha.dm_68", "bravo.dm_71"}));
    clickHeader(list, DemoWindow::ColLength);
    QCOMPARE(column(list, DemoWindow::ColDemo),
             (QStringList{"bravo.dm_71", "alpha.dm_68", "charlie.dm_67", "broken.dm_68"}));
    clickHeader(list, DemoWindow::ColPlayers);
    QCOMPARE(column(list, DemoWindow::ColPlayers), (QStringList{"", "1", "2", "3"}));
    clickHeader(list, DemoWindow::ColMap);
    QCOMPARE(column(list, DemoWindow::ColMap),
             (QStringList{"(unreadable)", "ctf1", "q3dm1", "q3dm17"}));
    // The script follows the list as shown.
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setSelected(i != 0);
    QCOMPARE(w.selectedNames(), (QStringList{"bravo.dm_71", "charlie.dm_67", "alpha.dm_68"}));
}

void TestDemos::windowFilter()
{
    makeDemoGame();
    ProcessRecorder processes;
    DemoWindow w;
    w.show();
    QTRY_COMPARE(w.demosBeingRead(), 0);
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    auto* filter = w.findChild<QLineEdit*>("demofilter");
    QVERIFY(filter);
    const QList<QPair<QString, QStringList>> cases = {
        {"bob", {"alpha.dm_68"}},
        {"FINN", {"bravo.dm_71"}},      // joined later: known from the whole read
        {"red arena", {"alpha.dm_68"}}, // colour codes do not count
        {"q3dm1", {"alpha.dm_68", "charlie.dm_67"}},
        {"charlie", {"charlie.dm_67"}},
        {"nobody", {}},
        {"", {"alpha.dm_68", "bravo.dm_71", "broken.dm_68", "charlie.dm_67"}},
    };
    for (const auto& [text, shown] : cases) {
        filter->clear();
        QTest::keyClicks(filter, text);
        QCOMPARE(column(list, DemoWindow::ColDemo, true), shown);
    }
    // Rows filtered away are not started, even when they were selected before.
    list->selectAll();
    QTest::keyClicks(filter, "eve");
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(readFile(root() + "q3/baseq3/fragdeck_demo.cfg"),
             QByteArray("set d1 \"demo charlie.dm_67\"\r\nvstr d1\r\n"));
}

void TestDemos::windowLevelShot()
{
    makeDemoGame();
    DemoWindow w;
    w.show();
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    auto* box = w.findChild<archive::PictureBox*>("Picture1");
    auto* caption = w.findChild<QLabel*>("shotcaption");
    auto* info = w.findChild<QLabel*>("demoinfo");
    QVERIFY(box && caption && info);

    list->setCurrentItem(list->topLevelItem(0));
    QVERIFY(w.shownLevelShot().endsWith("q3dm17.jpg"));
    QVERIFY(qRed(box->canvas().pixel(10, 10)) > 200);
    QVERIFY(qRed(box->canvas().pixel(250, 180)) > 200); // larger than the box: clipped
    QVERIFY(caption->text().contains("q3dm17"));
    QVERIFY(info->text().contains("Map: q3dm17"));
    QVERIFY(info->text().contains("Recorded by: Alice"));

    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(w.shownLevelShot().endsWith("ctf1.tga"));
    QVERIFY(qGreen(box->canvas().pixel(10, 10)) > 200);
    // Smaller than the box: the rest is cleared, not the previous picture.
    const QRgb rest = box->canvas().pixel(200, 150);
    QVERIFY(!(qRed(rest) > 200 && qGreen(rest) < 100));

    list->setCurrentItem(list->topLevelItem(3)); // q3dm1: no level shot
    QCOMPARE(w.shownLevelShot(), QString());
    QCOMPARE(caption->text(), QStringLiteral("No level shot of q3dm1"));
    const QRgb cleared = box->canvas().pixel(10, 10);
    QVERIFY(!(qGreen(cleared) > 200 && qRed(cleared) < 100));

    list->setCurrentItem(list->topLevelItem(2)); // unreadable
    QCOMPARE(w.shownLevelShot(), QString());
    QVERIFY(info->text().startsWith("not a readable demo"));
}

// A recording's own names are never markup: a rich summary would read /dev/zero until
// memory runs out.
void TestDemos::hostileDemoTextIsPlain()
{
    const QByteArray map = "<img src=\"/dev/zero\">";
    const QString base = root() + "q3/baseq3/";
    writeFile(base + "demos/hostile.dm_68",
              simpleDemo(map, "<b>x</b>", {{"<a href=\"file:///etc/passwd\">y</a>", 0}}));
    test::setGamePaths(fakeProgram(root() + "q3/ioquake3"), base + "q3config.cfg");
    DemoWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.demosBeingRead(), 0);
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    QCOMPARE(list->topLevelItemCount(), 1);
    const qint64 before = residentKb();
    list->setCurrentItem(list->topLevelItem(0));
    for (const char* name : {"demoinfo", "shotcaption"}) {
        auto* label = w.findChild<QLabel*>(name);
        label->grab(); // a rich label lays out, and loads its pictures, here
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY2(label->text().contains(QString::fromLatin1(map)), qPrintable(label->text()));
    }
    QVERIFY(w.findChild<QLabel*>("demoinfo")->text().contains("Server: <b>x</b>"));
    QCOMPARE(shownToolTip(list->topLevelItem(0)->toolTip(DemoWindow::ColPlayers)),
             "<a href=\"file:///etc/passwd\">y</a>");
    QCOMPARE(shownToolTip(list->topLevelItem(0)->toolTip(DemoWindow::ColServer)), "<b>x</b>");
    const qint64 grown = residentKb() - before;
    QVERIFY2(grown < 100 * 1024, qPrintable(QString("%1 KB more").arg(grown)));
}

QTEST_MAIN(TestDemos)
#include "test_demos.moc"
