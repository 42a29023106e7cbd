#include "LauncherLogic.h"
#include "core/Paths.h"
#include "core/Process.h"
#include "core/Settings.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::launcher;

class TestLauncherLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registrationLinesInOrder();
    void registrationStartsHiddenInSystemFolder();
    void autoRepairSaysWhatItRegistered();
    void installInfoSlot_data();
    void installInfoSlot();
    void installInfoWritesTheSlot();
    void itemStatusTexts_data();
    void itemStatusTexts();
    void menuTexts_data();
    void menuTexts();
    void iconKeysMapToTools_data();
    void iconKeysMapToTools();
    void themeColors_data();
    void themeColors();
    void themeMenu_data();
    void themeMenu();
    void themeFallback();
    void missingPictureFallsBackToLaunch();
    void resizeSnap_data();
    void resizeSnap();
};

void TestLauncherLogic::registrationLinesInOrder()
{
    const QStringList expected = {
        "regsvr32 /s tunedesk.so",  "regsvr32 /s glyphtag.so",   "regsvr32 /s bindwright.so",
        "regsvr32 /s linkshelf.so", "regsvr32 /s linetune.so",   "regsvr32 /s crateview.so",
        "regsvr32 /s scoutlink.so", "regsvr32 /s NViewLib.so",   "regsvr32 /s kickgate.so",
        "regsvr32 /s reelgate.so",  "regsvr32 /s beaconlist.so", "regsvr32 /s wardhold.so"};
    QCOMPARE(registrationCommandLines(), expected);
}

void TestLauncherLogic::registrationStartsHiddenInSystemFolder()
{
    test::ProcessRecorder rec;
    registerComponents("/opt/fragdeck");
    QCOMPARE(rec.commandLines(), registrationCommandLines());
    for (const ProcessRequest& r : rec.requests) {
        QCOMPARE(r.workingFolder, QString("/opt/fragdeck/system"));
        QCOMPARE(r.mode, WindowMode::Hidden);
        QCOMPARE(r.program, QString("regsvr32"));
        QCOMPARE(r.arguments.size(), 2);
        QCOMPARE(r.arguments.first(), QString("/s"));
    }
}

// Auto-repair waits for each registration of a library that is there and counts those that
// worked: before, it gave no sign of having done anything.
void TestLauncherLogic::autoRepairSaysWhatItRegistered()
{
    QTemporaryDir program;
    test::ProcessRecorder rec;
    QCOMPARE(repairComponents(program.path()),
             "Auto-repair found no components in " + program.path() + "/system.");
    QVERIFY(rec.requests.isEmpty());
    for (const char* lib : {"tunedesk.so", "crateview.so", "wardhold.so"})
        test::writeFile(program.filePath(QString("system/") + lib), "ELF");
    QCOMPARE(repairComponents(program.path()),
             QString("Auto-repair registered 3 of 3 components."));
    QCOMPARE(rec.commandLines(), (QStringList{"regsvr32 /s tunedesk.so", "regsvr32 /s crateview.so",
                                              "regsvr32 /s wardhold.so"}));
    QVERIFY(rec.requests[0].waitMs > 0);
    rec.exitCode = 3;
    QCOMPARE(repairComponents(program.path()),
             QString("Auto-repair registered 0 of 3 components. Not registered: tunedesk.so, "
                     "crateview.so, wardhold.so."));
}

void TestLauncherLogic::installInfoSlot_data()
{
    QTest::addColumn<QStringList>("titles"); // slot n's title, "" for absent
    QTest::addColumn<int>("slot");
    QTest::newRow("empty list") << QStringList{} << 0;
    QTest::newRow("five foreign") << QStringList{"A", "B", "C", "D", "E"} << 5;
    QTest::newRow("own slot reused") << QStringList{"A", "B", "Fragdeck", "D"} << 2;
    QTest::newRow("gap before own") << QStringList{"A", "", "Fragdeck"} << 1;
    QTest::newRow("other case is foreign") << QStringList{"fragdeck"} << 1;
}

void TestLauncherLogic::installInfoSlot()
{
    QFETCH(QStringList, titles);
    QFETCH(int, slot);
    test::TempStore store;
    for (int i = 0; i < titles.size(); ++i)
        if (!titles[i].isEmpty())
            SaveSetting("Ravelin", "InstallInfo", QString::number(i) + "title", titles[i]);
    QCOMPARE(launcher::installInfoSlot(), slot);
}

void TestLauncherLogic::installInfoWritesTheSlot()
{
    test::TempStore store;
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/version.dat", "1.00\r\nsecond\r\n");
    for (int i = 0; i < 5; ++i)
        SaveSetting("Ravelin", "InstallInfo", QString::number(i) + "title", "Other");
    QCOMPARE(writeInstallInfo(dir.path(), "http://example.org/fragdeck/"), 5);
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5title"), QString("Fragdeck"));
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5path"), dir.path());
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5version"), QString("1.00"));
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5uplink"),
             QString("http://example.org/fragdeck/"));
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "4title"), QString("Other"));
    // A second start rewrites the same slot.
    QCOMPARE(writeInstallInfo(dir.path(), "x"), 5);
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "6title"), QString());
    // Without version.dat the version is empty, nothing else changes.
    QFile::remove(dir.path() + "/version.dat");
    QCOMPARE(writeInstallInfo(dir.path(), "x"), 5);
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5version", "unset"), QString());
}

void TestLauncherLogic::itemStatusTexts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << "start"
                           << "Launch Q3A, join a server or play demos";
    QTest::newRow("browser") << "browser"
                             << "Launch server browser";
    QTest::newRow("options") << "options"
                             << "Configure Fragdeck options";
    QTest::newRow("config") << "config"
                            << "Edit the q3config file";
    QTest::newRow("glyphtag") << "glyphtag"
                              << "Create your own personalized Glyphtag";
    QTest::newRow("update") << "update"
                            << "Check for new updates for Fragdeck";
    QTest::newRow("bind") << "bind"
                          << "Bind your keys to specific commands";
    QTest::newRow("dialup") << "dialup"
                            << "Optimize your dial-up connection and reduce lag.";
    QTest::newRow("explo") << "explo"
                           << "View the contents of PK3 files.";
    QTest::newRow("unknown") << "Start"
                             << "";
}

void TestLauncherLogic::itemStatusTexts()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QCOMPARE(itemStatusText(key), text);
}

void TestLauncherLogic::menuTexts_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text"); // "" = the welcome text
    QTest::newRow("exit") << "E&xit"
                          << "Quit Fragdeck.";
    QTest::newRow("server browser") << "&Server Browser"
                                    << "Fragdeck's built-in server browser.";
    QTest::newRow("no access key") << "Start server"
                                   << "Start your own Quake3 server.";
    QTest::newRow("blanks") << "  &About  "
                            << "About Fragdeck.";
    QTest::newRow("only first amp") << "A&&bout"
                                    << "";
    QTest::newRow("dial-up") << "&Dial-up Optimizer"
                             << "Optimize your dial-up connection and reduce lag up to 30%.";
    QTest::newRow("cartoon") << "&User Friendly Cartoon"
                             << "View the current UF cartoon.";
    QTest::newRow("external") << "E&xternal server browser"
                              << "Launch your favourite server browser.";
    QTest::newRow("title") << "&Multiplayer"
                           << "";
    QTest::newRow("unused theme") << "-Unused-"
                                  << "";
    QTest::newRow("theme name") << "Default"
                                << "";
    QTest::newRow("case matters") << "exit"
                                  << "";
}

void TestLauncherLogic::menuTexts()
{
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QCOMPARE(menuStatusText(menuItemText(caption)), text);
    QVERIFY(welcomeText("http://x.org").endsWith("Ravelin Software at: http://x.org"));
}

void TestLauncherLogic::iconKeysMapToTools_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("progId");
    QTest::addColumn<bool>("hourglass");
    QTest::newRow("start") << "start" << int(ToolKind::Component) << "kickgate.Class" << true;
    QTest::newRow("config") << "config" << int(ToolKind::Component) << "config.class" << true;
    QTest::newRow("glyphtag") << "glyphtag" << int(ToolKind::Component) << "base.glyphtag" << false;
    QTest::newRow("bind") << "bind" << int(ToolKind::Component) << "bindwright.class" << true;
    QTest::newRow("explo") << "explo" << int(ToolKind::Component) << "crateview.class" << true;
    QTest::newRow("dialup") << "dialup" << int(ToolKind::Component) << "linetune.entry" << true;
    QTest::newRow("options") << "options" << int(ToolKind::Options) << "" << false;
    QTest::newRow("update") << "update" << int(ToolKind::About) << "" << false;
    QTest::newRow("browser") << "browser" << int(ToolKind::ExternalBrowser) << "" << false;
}

void TestLauncherLogic::iconKeysMapToTools()
{
    QFETCH(QString, key);
    QFETCH(int, kind);
    QFETCH(QString, progId);
    QFETCH(bool, hourglass);
    Tool t;
    QVERIFY(toolForIconKey(key, &t));
    QCOMPARE(int(t.kind), kind);
    QCOMPARE(t.progId, progId);
    QCOMPARE(t.hourglass, hourglass);
    QVERIFY(iconActionOrder().contains(key));
    QVERIFY(!toolForIconKey("nothing", &t));
}

void TestLauncherLogic::themeColors_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>" = no file
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("ok");
    const QColor white(255, 255, 255);
    QTest::newRow("red") << QByteArray("255\r\n0\r\n0\r\n") << QColor(255, 0, 0) << true;
    QTest::newRow("bare LF") << QByteArray("10\n20\n30") << QColor(10, 20, 30) << true;
    QTest::newRow("blanks") << QByteArray(" 1 \r\n 2\r\n3 \r\n") << QColor(1, 2, 3) << true;
    QTest::newRow("clamped") << QByteArray("300\r\n-4\r\n128\r\n") << QColor(255, 0, 128) << true;
    QTest::newRow("two lines") << QByteArray("1\r\n2\r\n") << white << false;
    QTest::newRow("not a number") << QByteArray("red\r\n0\r\n0\r\n") << white << false;
    QTest::newRow("empty") << QByteArray("") << white << false;
    QTest::newRow("missing") << QByteArray("<none>") << white << false;
}

void TestLauncherLogic::themeColors()
{
    QFETCH(QByteArray, content);
    QFETCH(QColor, color);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    const QString path = dir.path() + "/colors.txt";
    if (content != "<none>")
        test::writeFile(path, content);
    bool good = !ok;
    QCOMPARE(QColor(readThemeColor(path, &good)), color);
    QCOMPARE(good, ok);
}

void TestLauncherLogic::themeMenu_data()
{
    QTest::addColumn<int>("folders");
    QTest::newRow("none") << 0;
    QTest::newRow("three") << 3;
    QTest::newRow("ten") << 10;
    QTest::newRow("twelve") << 12;
}

void TestLauncherLogic::themeMenu()
{
    QFETCH(int, folders);
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < folders; ++i) {
        // Letters in reverse so the listing order is not the creation order.
        const QString name = QString("Theme %1").arg(QChar('L' - i));
        names.prepend(name);
        test::writeFile(dir.path() + "/themes/" + name + "/colors.txt", "1\r\n2\r\n3\r\n");
    }
    test::writeFile(dir.path() + "/themes/loose.txt", "not a theme");
    const QStringList captions = themeMenuCaptions(dir.path());
    QCOMPARE(captions.size(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(captions[i], i < folders ? names[i] : QString("-Unused-"));
}

void TestLauncherLogic::themeFallback()
{
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/themes/Beta/back.jpg", "x");
    test::writeFile(dir.path() + "/themes/alpha/launch.ico", "x");
    QDir().mkpath(dir.path() + "/themes/Empty");
    bool changed = true;
    QCOMPARE(resolveTheme(dir.path(), "Beta", &changed), QString("Beta"));
    QVERIFY(!changed);
    QCOMPARE(resolveTheme(dir.path(), "Gone", &changed), QString("alpha"));
    QVERIFY(changed);
    QCOMPARE(resolveTheme(dir.path(), "Empty", &changed), QString("alpha"));
    QCOMPARE(resolveTheme(dir.path(), "", &changed), QString("alpha"));
    QTemporaryDir bare;
    QCOMPARE(resolveTheme(bare.path(), "Default", &changed), QString("Default"));
    QVERIFY(!changed);
}

void TestLauncherLogic::missingPictureFallsBackToLaunch()
{
    QTemporaryDir dir;
    const QString t = dir.path() + "/themes/Default/";
    for (const auto& [file, key] : iconFiles())
        if (key != "dialup")
            test::writeFile(t + file, "x");
    test::writeFile(t + "launch.ico", "x");
    const QList<IconPicture> pics = iconPictures(dir.path(), "Default");
    QCOMPARE(pics.size(), 9);
    QCOMPARE(pics.first().key, QString("start"));
    QCOMPARE(pics.first().file, t + "launch.ico");
    for (const IconPicture& p : pics)
        QCOMPARE(p.file,
                 p.key == "dialup" || p.key == "start" ? t + "launch.ico" : t + p.key + ".ico");
    const QStringList keys = {"start", "browser", "config",  "glyphtag", "bind",
                              "explo", "dialup",  "options", "update"};
    QStringList listed;
    for (const IconItem& i : iconItems())
        listed.append(i.key);
    QCOMPARE(listed, keys);
}

void TestLauncherLogic::resizeSnap_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("sw");
    QTest::addColumn<int>("sh");
    QTest::addColumn<bool>("snapped");
    QTest::newRow("too small") << 1000 << 1000 << 1500 << 1500 << true;
    QTest::newRow("narrow") << 900 << 6000 << 1500 << 6000 << true;
    QTest::newRow("exact") << 1500 << 1500 << 1500 << 1500 << false;
    QTest::newRow("large") << 12000 << 9000 << 12000 << 9000 << false;
}

void TestLauncherLogic::resizeSnap()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, sw);
    QFETCH(int, sh);
    QFETCH(bool, snapped);
    const ResizePlan p = planResize(w, h, 300);
    QCOMPARE(p.width, sw);
    QCOMPARE(p.height, sh);
    QCOMPARE(p.snapped, snapped);
    QCOMPARE(p.listWidth, sw - 140);
    QCOMPARE(p.listHeight, sh - 300 - 690);
    QCOMPARE(p.imageWidth, sw);
    QCOMPARE(p.imageHeight, sh - 550);
}

QTEST_GUILESS_MAIN(TestLauncherLogic)
#include "test_launcher_logic.moc"
