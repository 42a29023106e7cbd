#include "StarterWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "gui/PictureBox.h"
#include "testsupport/GameFolders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::starter;
using namespace fragdeck::test;

namespace
{

// Starts run `stand`, a stand-in for the server that lives until it is ended.
ProcessStarter standIn(QProcess& stand)
{
    return [&stand](const ProcessRequest&, StartedProcess* started, QString*) {
        stand.start("sleep", {"60"});
        stand.waitForStarted();
        started->pid = stand.processId();
        return true;
    };
}

} // namespace

class TestStarterWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void endToEnd();
    void withoutConfigPath();
    void unusableGameGetsAMessage();
    void startNeedsTickedMapsAndSafeValues();
    void dedicatedStartSaysWhatItStarted();
    void startedServerCanBeStopped();
    void secondServerIsAskedFor_data();
    void secondServerIsAskedFor();
    void smallerLevelShotLeavesNoCollage();
    void optionsPanelLeavesTheLevelShotInView();
    void pluginMainShowsTheWindow();
    void serverWindow();

private:
    // What the command line says about the port: nothing for the game's own.
    static QString portArgument()
    {
        const quint16 port = freeServerPort();
        return port == DefaultServerPort ? QString()
                                         : QStringLiteral(" +set net_port %1").arg(port);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<TempHome> m_home;
    QString m_base, m_exe;
    QString root() const { return m_dir->path() + u'/'; }
    void setPaths(const QString& q3path, const QString& config)
    {
        test::setGamePaths(q3path, config);
    }
};

void TestStarterWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<TempStore>();
    m_home = std::make_unique<TempHome>(root() + "home");
    m_base = root() + "game/baseq3/";
    m_exe = fakeProgram(root() + "game/ioquake3");
    StarterWindow::startedGames().clear();
    writeZip(m_base + "pak0.pk3", {{"maps/q3dm1.bsp", "x"},
                                   {"maps/q3dm7.bsp", "x"},
                                   {"levelshots/q3dm1.jpg", jpegBytes(Qt::red, 300, 300)},
                                   {"levelshots/q3dm7.jpg", jpegBytes(Qt::blue, 128, 96)}});
    writeZip(m_base + "pak1.pk3", {{"maps/q3ctf1.bsp", "x"}});
    writeFile(m_base + "maps/loose1.bsp", "x");
    setPaths(m_exe, m_base + "q3config.cfg");
}

void TestStarterWindow::cleanup()
{
    m_home.reset();
    m_store.reset();
    m_dir.reset();
}

void TestStarterWindow::endToEnd()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    registerProbeAs({"scoutlink.commander"});
    StarterWindow w;
    w.show();
    QCOMPARE(w.objectName(), QStringLiteral("frm_main"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Start Q3A Server"));
    QVERIFY(w.hasCommander());
    QCOMPARE(probeCalls("scoutlink.commander"), 0); // created, nothing called

    auto* tree = w.findChild<QTreeWidget*>("list_maps1");
    QVERIFY(tree);
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("pak0.pk3"));
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("maps"));
    QCOMPARE(w.findChild<QListWidget*>("List_levelshots")->count(), 2);

    // The default picture first, then the level shot of a clicked map, then the default
    // again for a map without one.
    auto* box = w.findChild<archive::PictureBox*>("Picture1");
    QVERIFY(box);
    const QImage defaultPicture(":/kickgate/nolevelshot.jpg");
    QVERIFY(!defaultPicture.isNull());
    QCOMPARE(box->canvas().pixel(10, 10), defaultPicture.pixel(10, 10));
    QTreeWidgetItem* q3dm1 = tree->topLevelItem(0)->child(0);
    emit tree->itemClicked(q3dm1, 0);
    QCOMPARE(w.shownPicture(), w.scratchFolder() + "q3dm1.jpg");
    QVERIFY(qRed(box->canvas().pixel(200, 150)) > 200); // larger than the box: clipped
    QVERIFY2(w.scratchFolder().startsWith(m_store->dataHome() + "/fragdeck/"),
             qPrintable(w.scratchFolder()));
    emit tree->itemClicked(tree->topLevelItem(1)->child(0), 0);
    QCOMPARE(w.shownPicture(), QString());
    QCOMPARE(box->canvas().pixel(10, 10), defaultPicture.pixel(10, 10));

    // Ticking an archive ticks its maps; a map alone ticks only itself.
    tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QCOMPARE(tree->topLevelItem(0)->child(1)->checkState(0), Qt::Checked);
    tree->topLevelItem(2)->child(0)->setCheckState(0, Qt::Checked);
    QCOMPARE(w.tickedMaps(), (QStringList{"q3dm1", "q3dm7", "loose1"}));

    auto* panel = w.findChild<QGroupBox*>("Frame2");
    QVERIFY(!panel->isVisibleTo(&w));
    w.findChild<QPushButton*>("Command5")->click();
    QVERIFY(panel->isVisibleTo(&w));
    QCOMPARE(w.findChild<QGroupBox*>("Frame3")->title(), QStringLiteral("Server Configuration"));
    w.findChild<QLineEdit*>("max")->setText("12");
    w.findChild<QComboBox*>("gtype")->setCurrentIndex(3);
    w.findChild<QComboBox*>("dedicated")->setCurrentIndex(2);
    w.findChild<QPushButton*>("Command6")->click();
    QVERIFY(!panel->isVisibleTo(&w));
    w.findChild<QCheckBox*>("mapcycle")->setChecked(true);

    auto* start = w.findChild<QPushButton*>("Command1");
    QCOMPARE(start->text(), QStringLiteral("&Start"));
    start->click();
    QCOMPARE(prompts.prompts.size(), 0);
    QCOMPARE(readFile(m_base + "fragdeck_maps.cfg"),
             QByteArray("set rconpassword \"tqmzrv\"\r\n"
                        "set g_maxgameclients 12\r\nset sv_maxclients 12\r\nset g_gametype 4\r\n"
                        "set timelimit 20\r\nset fraglimit 20\r\n"
                        "set d1 \"map q3dm1 ; set nextmap vstr d2\"\r\n"
                        "set d2 \"map q3dm7 ; set nextmap vstr d3\"\r\n"
                        "set d3 \"map loose1 ; set nextmap vstr d1\"\r\nvstr d1\r\n"));
    w.findChild<QCheckBox*>("ch_cheat")->setChecked(true);
    start->click();
    // No server program beside this game: the game itself runs the dedicated server.
    const QString port = portArgument();
    QCOMPARE(processes.commandLines(),
             (QStringList{m_exe + " +set dedicated 2" + port + " +exec fragdeck_maps.cfg",
                          m_exe + " +set cheats 1" + port + " +exec fragdeck_maps.cfg"}));
    QCOMPARE(processes.requests[0].workingFolder, root() + "game/");
    QVERIFY(w.isVisible()); // the window stays open
}

void TestStarterWindow::withoutConfigPath()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    registerProbeAs({"scoutlink.commander"});
    setPaths("", "");
    StarterWindow w;
    QCOMPARE(w.findChild<QTreeWidget*>("list_maps1")->topLevelItemCount(), 0);
    QVERIFY(!w.hasCommander());
    QCOMPARE(w.findChild<QComboBox*>("gtype")->currentText(), QStringLiteral("FFA"));
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("data folder is not known"));
    QVERIFY(processes.requests.isEmpty());
}

void TestStarterWindow::unusableGameGetsAMessage()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    setPaths(root() + "game/missing/ioquake3", m_base + "q3config.cfg");
    StarterWindow w;
    QVERIFY(!w.hasCommander()); // not registered here: ignored
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY2(prompts.texts()[0].contains("was not found"), qPrintable(prompts.texts()[0]));
    QCOMPARE(prompts.prompts[0].icon, Icon::Warning);
    QVERIFY(processes.requests.isEmpty());
    QVERIFY(!QFileInfo::exists(m_base + "fragdeck_maps.cfg"));
}

void TestStarterWindow::startNeedsTickedMapsAndSafeValues()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    StarterWindow w;
    auto* start = w.findChild<QPushButton*>("Command1");
    start->click(); // nothing ticked
    auto* tree = w.findChild<QTreeWidget*>("list_maps1");
    tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
    w.findChild<QLineEdit*>("tlimit")->setText("20\r\nquit");
    start->click();
    w.findChild<QLineEdit*>("tlimit")->setText("20");
    w.findChild<QLineEdit*>("rcon")->setText("pw +exec evil");
    start->click();
    QCOMPARE(prompts.prompts.size(), 3);
    QCOMPARE(prompts.texts()[0], QStringLiteral("Tick the maps to play first: the server starts "
                                                "on the first one. Nothing was written or "
                                                "started."));
    QVERIFY2(prompts.texts()[1].contains("time limit"), qPrintable(prompts.texts()[1]));
    QVERIFY2(prompts.texts()[2].contains("rcon password"), qPrintable(prompts.texts()[2]));
    QVERIFY(processes.requests.isEmpty());
    QVERIFY(!QFileInfo::exists(m_base + "fragdeck_maps.cfg"));
}

void TestStarterWindow::dedicatedStartSaysWhatItStarted()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    // Debian's OpenArena: the game and its server program side by side.
    const QString client = fakeProgram(root() + "game/openarena");
    const QString server = fakeProgram(root() + "game/openarena-server");
    setPaths(client, m_base + "q3config.cfg");
    StarterWindow w;
    auto* info = w.findChild<QLabel*>("startinfo");
    auto* stop = w.findChild<QPushButton*>("Command7");
    QVERIFY(info && stop);
    QVERIFY(!info->isVisibleTo(&w));
    QVERIFY(!stop->isVisibleTo(&w));
    w.findChild<QTreeWidget*>("list_maps1")->topLevelItem(0)->setCheckState(0, Qt::Checked);
    w.findChild<QComboBox*>("dedicated")->setCurrentIndex(1);
    w.findChild<QLineEdit*>("max")->setText("16");
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.texts(), QStringList());
    const quint16 port = freeServerPort();
    QCOMPARE(processes.commandLines(), QStringList{server + " +set dedicated 1" + portArgument() +
                                                   " +exec fragdeck_maps.cfg"});
    QVERIFY(readFile(m_base + "fragdeck_maps.cfg").contains("\r\nset sv_maxclients 16\r\n"));
    QVERIFY(info->isVisibleTo(&w));
    QCOMPARE(info->text(),
             QStringLiteral("Started openarena-server (a LAN server) on port %1.").arg(port));
    QVERIFY(!stop->isVisibleTo(&w)); // the recorder starts nothing that could be stopped

    // Listen server: the game itself, Q3path untouched.
    w.findChild<QComboBox*>("dedicated")->setCurrentIndex(0);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(processes.requests.size(), 2);
    QCOMPARE(processes.requests[1].program, client);
    QCOMPARE(
        info->text(),
        QStringLiteral("Started openarena (the game, hosting the match) on port %1.").arg(port));
}

void TestStarterWindow::startedServerCanBeStopped()
{
    PromptRecorder prompts;
    QProcess stand;
    setProcessStarter(standIn(stand));
    {
        StarterWindow w;
        w.show();
        w.findChild<QTreeWidget*>("list_maps1")->topLevelItem(0)->setCheckState(0, Qt::Checked);
        w.findChild<QComboBox*>("dedicated")->setCurrentIndex(1);
        w.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(prompts.texts(), QStringList());
        QVERIFY(w.findChild<QPushButton*>("Command7")->isVisible());
    }
    setProcessStarter({});
    // A window opened later still knows it, and stops it.
    StarterWindow again;
    again.show();
    auto* info = again.findChild<QLabel*>("startinfo");
    auto* stop = again.findChild<QPushButton*>("Command7");
    QVERIFY(info->text().startsWith("Started ioquake3 (a LAN server) on port "));
    QVERIFY(stop->isVisible());
    QCOMPARE(stop->text(), QStringLiteral("S&top server"));
    stop->click();
    QTRY_COMPARE(stand.state(), QProcess::NotRunning);
    QCOMPARE(stand.exitStatus(), QProcess::CrashExit); // ended by the signal
    QVERIFY(info->text().endsWith(". It was stopped."));
    QVERIFY(!stop->isVisible());

    // One that ends by itself is seen to have ended.
    setProcessStarter(standIn(stand));
    again.findChild<QTreeWidget*>("list_maps1")->topLevelItem(0)->setCheckState(0, Qt::Checked);
    again.findChild<QPushButton*>("Command1")->click();
    setProcessStarter({});
    QCOMPARE(prompts.texts(), QStringList());
    QVERIFY(stop->isVisible());
    stand.kill();
    QVERIFY(stand.waitForFinished(5000));
    QTRY_VERIFY(info->text().endsWith(". It has ended."));
    QVERIFY(!stop->isVisible());
}

void TestStarterWindow::secondServerIsAskedFor_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("starts");
    QTest::addColumn<int>("running"); // after the second start
    QTest::newRow("cancel") << int(Answer::Cancel) << 1 << 1;
    QTest::newRow("stop the first") << int(Answer::Yes) << 2 << 1;
    QTest::newRow("a second beside it") << int(Answer::No) << 2 << 2;
}

void TestStarterWindow::secondServerIsAskedFor()
{
    QFETCH(int, answer);
    QFETCH(int, starts);
    QFETCH(int, running);
    PromptRecorder prompts;
    std::vector<std::unique_ptr<QProcess>> stands;
    setProcessStarter([&stands](const ProcessRequest&, StartedProcess* started, QString*) {
        stands.push_back(std::make_unique<QProcess>());
        stands.back()->start("sleep", {"60"});
        stands.back()->waitForStarted();
        started->pid = stands.back()->processId();
        return true;
    });
    auto runningCount = [&stands] {
        return int(std::count_if(stands.begin(), stands.end(),
                                 [](const auto& p) { return p->state() != QProcess::NotRunning; }));
    };
    {
        StarterWindow w;
        w.show();
        auto* tree = w.findChild<QTreeWidget*>("list_maps1");
        tree->topLevelItem(0)->child(1)->setCheckState(0, Qt::Checked);
        w.findChild<QComboBox*>("dedicated")->setCurrentIndex(1);
        w.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(prompts.prompts.size(), 0);
        prompts.queue(Answer(answer));
        w.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(prompts.prompts.size(), 1);
        QVERIFY(prompts.texts()[0].startsWith("Started ioquake3 (a LAN server) on port "));
        QVERIFY(prompts.texts()[0].contains("still runs"));
        QCOMPARE(prompts.prompts[0].buttons, Buttons::YesNoCancel);
        QCOMPARE(int(stands.size()), starts);
        QTRY_COMPARE(runningCount(), running);
        QCOMPARE(w.tickedMaps(), QStringList{"q3dm7"}); // the ticks stay
    }
    setProcessStarter({});
    // A window opened later shows every server still running, and Stop ends them all.
    StarterWindow again;
    again.show();
    auto* info = again.findChild<QLabel*>("startinfo");
    auto* stop = again.findChild<QPushButton*>("Command7");
    QCOMPARE(int(info->text().count("Started ioquake3")), running);
    QCOMPARE(stop->text(),
             running > 1 ? QStringLiteral("S&top servers") : QStringLiteral("S&top server"));
    stop->click();
    QTRY_COMPARE(runningCount(), 0);
    QVERIFY(info->text().endsWith(". It was stopped."));
    QVERIFY(!stop->isVisible());
}

void TestStarterWindow::smallerLevelShotLeavesNoCollage()
{
    PromptRecorder prompts;
    StarterWindow w;
    auto* tree = w.findChild<QTreeWidget*>("list_maps1");
    auto* box = w.findChild<archive::PictureBox*>("Picture1");
    emit tree->itemClicked(tree->topLevelItem(0)->child(0), 0); // 300 x 300, red
    QVERIFY(qRed(box->canvas().pixel(200, 150)) > 200);
    // Square in a 4:3 box: scaled to its height and centred, plain beside it.
    QVERIFY(qRed(box->canvas().pixel(128, 5)) > 200);
    QCOMPARE(box->canvas().pixel(10, 96) | 0xff000000, qRgb(40, 42, 46));
    emit tree->itemClicked(tree->topLevelItem(0)->child(1), 0); // 128 x 96, blue
    QCOMPARE(w.shownPicture(), w.scratchFolder() + "q3dm7.jpg");
    // The small one fills the box: none of the red one, nor a corner of its own.
    for (const QPoint p : {QPoint(60, 40), QPoint(200, 150), QPoint(10, 96), QPoint(250, 186)})
        QVERIFY(qBlue(box->canvas().pixel(p)) > 200 && qRed(box->canvas().pixel(p)) < 60);
}

void TestStarterWindow::optionsPanelLeavesTheLevelShotInView()
{
    PromptRecorder prompts;
    StarterWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QPushButton*>("Command5")->click();
    auto* panel = w.findChild<QGroupBox*>("Frame2");
    QVERIFY(panel->isVisible());
    const QRect covered = panel->geometry();
    for (const char* name : {"shotcaption", "Picture1", "mapcycle", "ch_cheat"}) {
        auto* widget = w.findChild<QWidget*>(name);
        QVERIFY2(widget && widget->isVisible(), name);
        QVERIFY2(!covered.intersects(widget->geometry()), name);
    }
    // The panel shows all its fields whole.
    QVERIFY(covered.width() >= panel->sizeHint().width());
    QVERIFY(covered.height() >= panel->sizeHint().height());
    QVERIFY(w.rect().contains(covered));
}

void TestStarterWindow::pluginMainShowsTheWindow()
{
    int maps = 0;
    QCOMPARE(test::modalShownBy(
                 "kickgate", "kickgate.Class", "main", "Command2",
                 [&maps](QWidget* modal) {
                     maps = modal->findChild<QTreeWidget*>("list_maps1")->topLevelItemCount();
                 }),
             QString("frm_main|Start Q3A Server"));
    QCOMPARE(maps, 3);
}

void TestStarterWindow::serverWindow()
{
    ServerWindow w;
    QCOMPARE(w.objectName(), QStringLiteral("frm_server"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Server Configuration"));
    auto* g = w.findChild<QComboBox*>("gtype");
    QCOMPARE(g->count(), 4);
    QCOMPARE(g->currentText(), QStringLiteral("FFA"));
    QCOMPARE(g->itemText(1), QStringLiteral("Tournament (1v1)"));
}

QTEST_MAIN(TestStarterWindow)
#include "test_starter_window.moc"
