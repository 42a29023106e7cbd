#include "../../starter/tests/GameFolders.h"
#include "Activation.h"
#include "DemoScan.h"
#include "DemoWindow.h"
#include "Settings.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::demos;
using namespace fragdeck::test;

namespace
{

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
    void scriptBytes_data();
    void scriptBytes();
    void windowEndToEnd();
    void windowWithoutPaths();
    void pluginMainShowsTheWindow();

private:
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
    SaveSetting("Fragdeck", "Options", "Q3path", exe);
    SaveSetting("Fragdeck", "Options", "ConfigPath", m_base + "q3config.cfg");
    DemoWindow w(root() + "system");
    w.show();
    QCOMPARE(w.objectName(), QStringLiteral("frm_main"));
    QCOMPARE(w.windowTitle(), QStringLiteral("View demos"));
    auto* list = w.findChild<QListWidget*>("list_demos");
    QCOMPARE(list->count(), 7);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    list->item(1)->setSelected(true); // sub/match1.dm_68
    list->item(5)->setSelected(true); // rec.dm_67, a loose file spelled Rec.dm_67
    w.findChild<QCheckBox*>("cloop")->setChecked(true);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 0);
    QCOMPARE(readFile(m_base + "fragdeck_demo.cfg"),
             QByteArray("set d1 \"demo sub/match1.dm_68 ; set nextdemo vstr d2\"\r\n"
                        "set d2 \"demo Rec.dm_67 ; set nextdemo vstr d1\"\r\nvstr d1\r\n"));
    QCOMPARE(processes.commandLines(), QStringList{exe + " +exec fragdeck_demo.cfg"});
    QCOMPARE(processes.requests[0].workingFolder, root() + "game/");
    QVERIFY(w.isVisible());
    w.findChild<QPushButton*>("Command2")->click();
    QVERIFY(!w.isVisible());
}

void TestDemos::windowWithoutPaths()
{
    ProcessRecorder processes;
    PromptRecorder prompts;
    DemoWindow w(root() + "system");
    QCOMPARE(w.findChild<QListWidget*>("list_demos")->count(), 0);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("data folder is not known"));
    QVERIFY(processes.requests.isEmpty());
}

void TestDemos::pluginMainShowsTheWindow()
{
    SaveSetting("Fragdeck", "Options", "Q3path", fakeProgram(root() + "game/ioquake3"));
    SaveSetting("Fragdeck", "Options", "ConfigPath", m_base + "q3config.cfg");
    const QString lib = qEnvironmentVariable("FRAGDECK_BUILD_DIR") + "/system/reelgate.so";
    QString error;
    QVERIFY2(registerComponentLibrary(lib, &error), qPrintable(error));
    auto obj = CreateObject("reelgate.Class");
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == "frm_main" && modal->windowTitle() == "View demos") {
            seen = modal->findChild<QListWidget*>("list_demos")->count() == 7;
            modal->findChild<QPushButton*>("Command2")->click();
        } else if (modal) {
            modal->close();
        }
    });
    CallByName(obj.get(), "Main");
    QVERIFY(seen);
}

QTEST_MAIN(TestDemos)
#include "test_demos.moc"
