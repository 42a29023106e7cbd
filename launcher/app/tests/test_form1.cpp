#include "Form1.h"
#include "LauncherLogic.h"
#include "LauncherWindows.h"
#include "SearchWindow.h"
#include "core/Activation.h"
#include "core/Desktop.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "gui/Twips.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::launcher;

namespace
{

const QString firstRunText = "This is the first time you run Fragdeck.\r\nYou will have to "
                             "configure Fragdeck first by going to 'Options - Fragdeck Options'.";
const QString notFoundText = "Quake3 could not be found on your computer. Go to 'Fragdeck "
                             "Options' and give in the paths manually.";
const QString autoRepairText = "Error encountered, go to Fragdeck Options, click the "
                               "'auto-repair' button and restart Fragdeck.";

void picture(const QString& path, QColor c, const char* format)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(c);
    QVERIFY(img.save(path, format));
}

// A program folder with `count` themes named "T00", "T01", ... (and "Default" first when
// asked), each complete unless told otherwise.
void makeProgramFolder(const QString& root, int count, bool withDefault = true)
{
    test::writeFile(root + "/version.dat", "2.50\r\n");
    QStringList names;
    if (withDefault)
        names.append("Default");
    for (int i = 0; names.size() < count; ++i)
        names.append(QString("T%1").arg(i, 2, 10, QChar('0')));
    for (const QString& n : names) {
        const QString t = root + "/themes/" + n + "/";
        picture(t + "launch.ico", Qt::red, "ico");
        for (const auto& [file, key] : iconFiles())
            picture(t + file, Qt::blue, "ico");
        picture(t + "back.jpg", Qt::darkGray, "jpg");
        test::writeFile(t + "colors.txt", "10\r\n200\r\n30\r\n");
    }
}

QListWidgetItem* itemByKey(QListWidget* list, const QString& key)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toString() == key)
            return list->item(i);
    return nullptr;
}

QAction* action(Form1& f, const char* name)
{
    for (QAction* a : f.findChildren<QAction*>(QLatin1String(name)))
        return a;
    for (QMenu* m : f.findChildren<QMenu*>())
        for (QAction* a : m->actions())
            if (a->objectName() == QLatin1String(name))
                return a;
    return nullptr;
}

// Closes every modal window that opens (the launcher's own windows) and notes its name.
class ModalCloser : public QObject
{
public:
    ModalCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                closed.append(w->objectName());
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
                else
                    w->close();
            }
        });
        m_timer.start(20);
    }
    QStringList closed;

private:
    QTimer m_timer;
};

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startupAndFirstRun();
    void storedPathSkipsTheSearch();
    void locatorAtStartup_data();
    void locatorAtStartup();
    void statusTextOnClick();
    void doubleClickOnEachIcon();
    void doubleClickInEmptyArea();
    void serverBrowserIcon();
    void uncreatableComponent();
    void menuActivation();
    void menuHover();
    void themeMenu_data();
    void themeMenu();
    void themeFallbacks();
    void rightClickShowsThemes();
    void resizeSnap();
    void fullScreenTwice();

private:
    // A game path and a completed first run: start-up asks nothing.
    static void configured()
    {
        saveOption("Q3path", "/games/q3/quake3.exe");
        saveOption("Firstrun_v6", "0");
    }
    // Starts the window and waits for its deferred step.
    void start(Form1& f)
    {
        f.load();
        QVERIFY(test::spinUntil([&] { return f.deferredStepDone(); }));
    }
    void doubleClick(Form1& f, const QString& key)
    {
        auto* list = f.findChild<QListWidget*>("iconlist");
        QListWidgetItem* item = itemByKey(list, key);
        QVERIFY(item);
        const QPoint at = list->visualItemRect(item).center();
        // A real double click: a press (which the hit test uses), then the double click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<test::TempStore> m_store;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::PromptRecorder> m_prompts;
    std::unique_ptr<test::ProcessRecorder> m_processes;
    std::unique_ptr<test::SoundRecorder> m_sounds;
    QString m_program;
};

void TestForm1::init()
{
    m_store = std::make_unique<test::TempStore>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_prompts = std::make_unique<test::PromptRecorder>();
    m_processes = std::make_unique<test::ProcessRecorder>();
    m_sounds = std::make_unique<test::SoundRecorder>();
    m_program = m_dir->path() + "/fragdeck";
    makeProgramFolder(m_program, 3);
    setProgramFolder(m_program);
    setDriveListOverride({"/"}); // never the real disk
    qputenv("HOME", QFile::encodeName(m_dir->path() + "/home"));
    launcherState() = LauncherState{};
}

void TestForm1::cleanup()
{
    setDriveListOverride({});
    setProgramFolder(QString());
    m_sounds.reset();
    m_processes.reset();
    m_prompts.reset();
    m_dir.reset();
    m_store.reset();
}

void TestForm1::startupAndFirstRun()
{
    saveOption("Q3path", "/games/q3/quake3.exe");
    for (int i = 0; i < 5; ++i)
        SaveSetting("Ravelin", "InstallInfo", QString::number(i) + "title", "Other product");
    {
        Form1 f;
        f.load();
        // The load itself: the intro sound, nothing registered or asked yet.
        QCOMPARE(m_sounds->played, QStringList{m_program + "/system/intro.wav"});
        QVERIFY(m_processes->requests.isEmpty());
        QVERIFY(m_prompts->prompts.isEmpty());
        QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5title"), QString("Fragdeck"));
        QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5version"), QString("2.50"));
        QCOMPARE(GetSetting("Ravelin", "InstallInfo", "5path"), m_program);
        QVERIFY(f.menuHookInstalled());
        QCOMPARE(f.findChild<QListWidget*>("iconlist")->count(), 9);
        QVERIFY(f.statusText().startsWith("Welcome to Fragdeck, visit Ravelin Software at: "));
        QVERIFY(test::spinUntil([&] { return f.deferredStepDone(); }));
        // The deferred step: registration, then the first-run message.
        QCOMPARE(m_processes->commandLines(), registrationCommandLines());
        for (const ProcessRequest& r : m_processes->requests) {
            QCOMPARE(r.workingFolder, m_program + "/system");
            QCOMPARE(r.mode, WindowMode::Hidden);
        }
        QCOMPARE(m_prompts->texts(), QStringList{firstRunText});
        QCOMPARE(m_prompts->prompts.first().title, QString("Fragdeck"));
        QCOMPARE(m_prompts->prompts.first().icon, Icon::Information);
        QCOMPARE(option("Firstrun_v6"), QString("0"));
        QCOMPARE(launcherState().Q3Path, QString("/games/q3/quake3.exe"));
        QCOMPARE(launcherState().CurrentTheme, QString("Default"));
        // The options window's auto-repair runs the same registration.
        QVERIFY(launcherState().registerDll);
        m_processes->requests.clear();
        launcherState().registerDll();
        QCOMPARE(m_processes->commandLines(), registrationCommandLines());
    }
    m_processes->requests.clear();
    m_prompts->clear();
    Form1 again;
    start(again);
    QVERIFY(m_processes->requests.isEmpty());
    QVERIFY(m_prompts->prompts.isEmpty());
    QCOMPARE(GetSetting("Ravelin", "InstallInfo", "6title"), QString());
}

void TestForm1::storedPathSkipsTheSearch()
{
    const QString drive = m_dir->path() + "/drive/";
    test::writeFile(drive + "q3/quake3.exe", "x");
    setDriveListOverride({"/", drive});
    saveOption("Q3path", "/no/longer/there/quake3.exe");
    saveOption("Firstrun_v6", "0");
    Form1 f;
    start(f);
    QCOMPARE(option("Q3path"), QString("/no/longer/there/quake3.exe"));
    QVERIFY(m_prompts->prompts.isEmpty());
    QVERIFY(f.findChildren<SearchWindow*>().isEmpty());
}

void TestForm1::locatorAtStartup_data()
{
    QTest::addColumn<QStringList>("drives"); // folders below the temp dir; first = "/"
    QTest::addColumn<QStringList>("files");  // files to create, relative to the temp dir
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("q3path");     // expected, relative; "" = not found
    QTest::addColumn<QString>("configPath"); // expected, relative
    QTest::newRow("second drive, subfolder")
        << QStringList{"a/", "b/"} << QStringList{"b/games/Quake3/quake3.exe"} << false
        << "b/games/Quake3/quake3.exe"
        << "b/games/Quake3/baseq3/q3config.cfg";
    QTest::newRow("drive root") << QStringList{"a/"} << QStringList{"a/quake3.exe"} << false
                                << "a/quake3.exe"
                                << "a/baseq3/q3config.cfg";
    QTest::newRow("ioquake3 with a home path")
        << QStringList{"a/"} << QStringList{"a/ioq3/ioquake3.x86_64*", "home/.q3a/baseq3/x"}
        << false << "a/ioq3/ioquake3.x86_64"
        << "home/.q3a/baseq3/q3config.cfg";
    // The game has never run: its config is known before the game writes it.
    QTest::newRow("OpenArena without a home path")
        << QStringList{"a/"} << QStringList{"a/oa/openarena*"} << false << "a/oa/openarena"
        << "home/.openarena/baseoa/q3config.cfg";
    QTest::newRow("nothing") << QStringList{"a/", "b/"} << QStringList{"a/x.txt"} << false << ""
                             << "";
    QTest::newRow("single drive") << QStringList{} << QStringList{} << false << ""
                                  << "";
    QTest::newRow("cancel ends every drive")
        << QStringList{"a/", "b/"} << QStringList{"a/x/y.txt", "b/quake3.exe"} << true << ""
        << "";
}

void TestForm1::locatorAtStartup()
{
    QFETCH(QStringList, drives);
    QFETCH(QStringList, files);
    QFETCH(bool, cancel);
    QFETCH(QString, q3path);
    QFETCH(QString, configPath);
    const QString root = m_dir->path() + "/";
    QStringList list{"/"};
    for (const QString& d : drives) {
        QDir().mkpath(root + d);
        list.append(root + d);
    }
    for (QString f : files) {
        const bool exec = f.endsWith('*');
        if (exec)
            f.chop(1);
        test::writeFile(root + f, "x");
        if (exec)
            QFile::setPermissions(root + f, QFile::ReadOwner | QFile::ExeOwner);
    }
    setDriveListOverride(list);

    Form1 f;
    QTimer pressCancel;
    if (cancel) {
        pressCancel.setInterval(0);
        connect(&pressCancel, &QTimer::timeout, &f, [&] {
            for (SearchWindow* w : f.findChildren<SearchWindow*>()) {
                if (w->isVisible()) {
                    pressCancel.stop();
                    w->findChild<QPushButton*>("Command1")->click();
                }
            }
        });
        pressCancel.start();
    }
    start(f);
    QStringList expected;
    if (cancel)
        expected.append("Are you sure you want to cancel? If you cancel, you will have to go to "
                        "'Fragdeck Options' and manually give in the correct paths.");
    if (q3path.isEmpty()) {
        expected << notFoundText << firstRunText;
        QCOMPARE(m_prompts->texts(), expected);
        QCOMPARE(m_prompts->titles().value(expected.size() - 2), QString("Quake3 not found"));
        QCOMPARE(option("Q3path"), QString());
        QCOMPARE(option("ConfigPath"), QString());
    } else {
        expected << "Quake3 found here: '" + root + q3path + "'" << firstRunText;
        QCOMPARE(m_prompts->texts(), expected);
        QCOMPARE(m_prompts->titles().first(), QString("Quake3 found"));
        QCOMPARE(option("Q3path"), root + q3path);
        QCOMPARE(option("ConfigPath"), root + configPath);
        QCOMPARE(launcherState().Q3Path, root + q3path);
    }
    // Registration comes after the search.
    QCOMPARE(m_processes->commandLines(), registrationCommandLines());
}

void TestForm1::statusTextOnClick()
{
    configured();
    Form1 f;
    start(f);
    auto* list = f.findChild<QListWidget*>("iconlist");
    for (const IconItem& i : iconItems()) {
        QListWidgetItem* item = itemByKey(list, i.key);
        QVERIFY(item);
        QCOMPARE(item->text(), i.text);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
        QCOMPARE(f.statusText(), itemStatusText(i.key));
    }
}

void TestForm1::doubleClickOnEachIcon()
{
    configured();
    const QStringList ids = {"kickgate.Class",   "config.class",    "base.glyphtag",
                             "bindwright.class", "crateview.class", "linetune.entry"};
    test::registerProbeAs(ids);
    Form1 f;
    start(f);
    ModalCloser closer;
    for (const IconItem& i : iconItems()) {
        Tool tool;
        QVERIFY(toolForIconKey(i.key, &tool));
        if (tool.kind == ToolKind::ExternalBrowser)
            continue; // its own test
        doubleClick(f, i.key);
        if (tool.kind == ToolKind::Component) {
            QCOMPARE(test::probeCalls(tool.progId), 1);
            QVERIFY(!QApplication::overrideCursor());
        }
    }
    QCOMPARE(closer.closed, (QStringList{"frm_options", "frm_about"}));
    QVERIFY(m_prompts->prompts.isEmpty());
}

void TestForm1::doubleClickInEmptyArea()
{
    configured();
    test::registerProbeAs({"kickgate.Class"});
    Form1 f;
    start(f);
    auto* list = f.findChild<QListWidget*>("iconlist");
    const QPoint empty(list->viewport()->width() - 3, list->viewport()->height() - 3);
    QVERIFY(!list->itemAt(empty));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty);
    QCoreApplication::processEvents();
    QCOMPARE(test::probeCalls("kickgate.Class"), 0);
    QVERIFY(m_prompts->prompts.isEmpty());
}

void TestForm1::serverBrowserIcon()
{
    configured();
    test::registerProbeAs({"beaconlist.Class"});
    Form1 f;
    start(f);
    // No browser of the player's own: the built-in one opens.
    doubleClick(f, "browser");
    QVERIFY(m_prompts->prompts.isEmpty());
    QCOMPARE(test::probeCalls("beaconlist.Class"), 1);
    QVERIFY(m_processes->requests.isEmpty());
    // The menu's external browser still asks for one.
    action(f, "extbrowser")->trigger();
    QCOMPARE(m_prompts->texts(), QStringList{"No server browser installed, go to Fragdeck "
                                             "Options to specify your default server browser."});
    QCOMPARE(m_prompts->prompts.first().title, QString("Error"));
    QCOMPARE(m_prompts->prompts.first().icon, Icon::Error);

    m_prompts->clear();
    launcherState().ServerBrowserPath = "/opt/browser/qstat-gui";
    doubleClick(f, "browser");
    QCOMPARE(m_processes->requests.size(), 1);
    QCOMPARE(m_processes->requests.first().program, QString("/opt/browser/qstat-gui"));
    QCOMPARE(m_processes->requests.first().mode, WindowMode::NormalFocus);
    QVERIFY(m_prompts->prompts.isEmpty());

    // A browser that cannot be started says so.
    m_processes->succeed = false;
    action(f, "extbrowser")->trigger();
    QCOMPARE(m_prompts->prompts.size(), 1);
    QVERIFY(m_prompts->texts().first().contains("/opt/browser/qstat-gui"));
}

void TestForm1::uncreatableComponent()
{
    configured();
    Form1 f;
    start(f);
    for (const char* key : {"start", "glyphtag", "dialup"}) {
        m_prompts->clear();
        doubleClick(f, key);
        QCOMPARE(m_prompts->texts(), QStringList{autoRepairText});
        QCOMPARE(m_prompts->prompts.first().title, QString("Error"));
        QCOMPARE(m_prompts->prompts.first().icon, Icon::Error);
        QVERIFY(!QApplication::overrideCursor());
    }
}

void TestForm1::menuActivation()
{
    configured();
    test::registerProbeAs({"beaconlist.Class", "reelgate.Class", "linkshelf.class"});
    Form1 f;
    start(f);
    action(f, "serverbrowser")->trigger();
    action(f, "viewdemos")->trigger();
    action(f, "file2")->trigger();
    QCOMPARE(test::probeCalls("beaconlist.Class"), 1);
    QCOMPARE(test::probeCalls("reelgate.Class"), 1);
    QCOMPARE(test::probeCalls("linkshelf.class"), 1);
    QVERIFY(m_prompts->prompts.isEmpty());
    action(f, "remoteadmin")->trigger(); // not registered
    QCOMPARE(m_prompts->texts(), QStringList{autoRepairText});
    QVERIFY(!QApplication::overrideCursor());
    // Menu tree and captions.
    QStringList titles;
    for (QAction* a : f.menuBar()->actions())
        titles.append(a->text());
    QCOMPARE(titles, (QStringList{"&Multiplayer", "&Options", "&Tools", "&Help"}));
    QStringList mp;
    for (QAction* a : f.findChild<QMenu*>("mp")->actions())
        mp.append(a->objectName());
    QCOMPARE(mp, (QStringList{"serverbrowser", "quickconnect", "sep5", "startserver", "viewdemos",
                              "sep1", "exit"}));
    // Separators are lines, with no text of their own beside them.
    QVERIFY(action(f, "sep5")->isSeparator());
    QCOMPARE(action(f, "sep5")->text(), QString());
    QStringList tools;
    for (QAction* a : f.findChild<QMenu*>("tools")->actions())
        tools.append(a->objectName());
    QCOMPARE(tools, (QStringList{"crateview", "remoteadmin", "dialup", "extbrowser", "sep2",
                                 "checkupdate", "sep3", "file2", "file3"}));
}

void TestForm1::menuHover()
{
    configured();
    Form1 f;
    start(f);
    m_sounds->played.clear();
    const QString beep = m_program + "/system/beep.wav";
    action(f, "exit")->hover();
    QCOMPARE(f.statusText(), QString("Quit Fragdeck."));
    QCOMPARE(m_sounds->played, QStringList{beep});
    action(f, "configeditor")->hover();
    QVERIFY(f.statusText().startsWith("Config Editor: change your settings"));
    f.findChild<QMenu*>("mp")->menuAction()->hover();
    QCOMPARE(f.statusText(), welcomeText(makerWebAddress()));
    action(f, "exit")->hover();
    f.findChild<QMenu*>("themes")->actions().first()->hover();
    QCOMPARE(f.statusText(), welcomeText(makerWebAddress()));
    QCOMPARE(m_sounds->played.size(), 5);
    f.HookMenuSelect(); // a second install does nothing
    action(f, "fullscreen")->hover();
    QCOMPARE(m_sounds->played.size(), 6);
    QCOMPARE(f.statusText(), QString("Toggle Fragdeck fullscreen mode."));
    f.UnhookMenuSelect();
    action(f, "exit")->hover();
    QCOMPARE(m_sounds->played.size(), 6);
    QCOMPARE(f.statusText(), QString("Toggle Fragdeck fullscreen mode."));
}

void TestForm1::themeMenu_data()
{
    QTest::addColumn<int>("themes");
    QTest::newRow("three") << 3;
    QTest::newRow("twelve") << 12;
}

void TestForm1::themeMenu()
{
    QFETCH(int, themes);
    QDir(m_program + "/themes").removeRecursively();
    makeProgramFolder(m_program, themes);
    // The second theme's pictures differ, so a switch shows in the files used.
    QFile::remove(m_program + "/themes/T00/dialup.ico");
    configured();
    Form1 f;
    start(f);
    QList<QAction*> th = f.findChild<QMenu*>("themes")->actions();
    QCOMPARE(th.size(), 10);
    QStringList names =
        QDir(m_program + "/themes")
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(th[i]->text(), i < themes ? names[i] : QString("-Unused-"));
    if (themes > 10) // the last two cannot be chosen
        QCOMPARE(th.last()->text(), names[9]);
    // An unused item changes nothing.
    if (themes < 10) {
        th[5]->trigger();
        QCOMPARE(option("theme"), QString());
        QCOMPARE(launcherState().CurrentTheme, QString("Default"));
    }
    // The themes are under Options too, the same entries, the current one ticked.
    const QList<QAction*> options = f.findChild<QMenu*>("optthemes")->actions();
    auto ticked = [](const QList<QAction*>& list) {
        QStringList out;
        for (QAction* a : list)
            if (a->isChecked())
                out.append(a->text());
        return out;
    };
    QCOMPARE(options.size(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(options[i]->text(), th[i]->text());
    QCOMPARE(ticked(th), QStringList{"Default"});
    QCOMPARE(ticked(options), QStringList{"Default"});
    options[1]->trigger();
    QCOMPARE(option("theme"), QString("T00"));
    QCOMPARE(launcherState().CurrentTheme, QString("T00"));
    QCOMPARE(ticked(th), QStringList{"T00"});
    QCOMPARE(ticked(options), QStringList{"T00"});
    if (themes < 10)
        QVERIFY(!th[5]->isEnabled() && !options[5]->isEnabled());
    QCOMPARE(f.findChild<QListWidget*>("iconlist")->count(), 9);
    QCOMPARE(f.iconPictureFile("dialup"), m_program + "/themes/T00/launch.ico");
    QCOMPARE(f.iconPictureFile("config"), m_program + "/themes/T00/config.ico");
    QVERIFY(!f.iconPicture("dialup").isNull());
}

void TestForm1::themeFallbacks()
{
    configured();
    saveOption("theme", "Vanished");
    const QString t00 = m_program + "/themes/T00/";
    test::writeFile(t00 + "colors.txt", "255\r\n0\r\n0\r\n");
    QFile::remove(m_program + "/themes/Default/back.jpg");
    test::writeFile(m_program + "/themes/Default/colors.txt", "garbled");
    QFile::remove(m_program + "/themes/Default/launch.ico");
    QFile::remove(m_program + "/themes/Default/explo.ico");
    Form1 f;
    start(f);
    // The stored theme is gone: the first theme folder, and that choice is stored.
    QCOMPARE(launcherState().CurrentTheme, QString("Default"));
    QCOMPARE(option("theme"), QString("Default"));
    auto* list = f.findChild<QListWidget*>("iconlist");
    QCOMPARE(list->palette().color(QPalette::Text), QColor(Qt::white));
    QCOMPARE(list->count(), 9);
    QVERIFY(f.iconPicture("explo").isNull()); // no picture at all, no crash
    f.findChild<QMenu*>("themes")->actions()[1]->trigger();
    QCOMPARE(list->palette().color(QPalette::Text), QColor(255, 0, 0));
}

void TestForm1::rightClickShowsThemes()
{
    configured();
    Form1 f;
    start(f);
    auto* list = f.findChild<QListWidget*>("iconlist");
    auto* themes = f.findChild<QMenu*>("themes");
    const QPoint empty(list->viewport()->width() - 3, list->viewport()->height() - 3);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, empty);
    QVERIFY(test::spinUntil([&] { return themes->isVisible(); }));
    themes->hide();
}

void TestForm1::resizeSnap()
{
    configured();
    Form1 f;
    start(f);
    action(f, "fullscreen")->trigger(); // a normal window can be resized
    QVERIFY(test::spinUntil([&] { return !f.isMaximized(); }));
    const QSize snapped(twipsToPixelsX(1500), twipsToPixelsY(1500));
    f.resize(twipsToPixelsX(1000), twipsToPixelsY(1000));
    QVERIFY(test::spinUntil([&] { return f.size() == snapped; }));
    f.resize(600, 400);
    QVERIFY(test::spinUntil([&] { return f.size() == QSize(600, 400); }));
    auto* list = f.findChild<QListWidget*>("iconlist");
    QCOMPARE(list->width(), 600 - twipsToPixelsX(140));
}

void TestForm1::fullScreenTwice()
{
    configured();
    Form1 f;
    start(f);
    QAction* fs = action(f, "fullscreen");
    QVERIFY(fs->isChecked());
    QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.windowTitle(), QString());
    fs->trigger();
    QVERIFY(!fs->isChecked());
    QCOMPARE(f.windowTitle(), QString("Fragdeck"));
    QVERIFY(!(f.windowFlags() & Qt::FramelessWindowHint));
    const QRect screen = f.screen()->geometry();
    QVERIFY(test::spinUntil([&] { return f.width() == screen.width() / 2; }));
    fs->trigger();
    QVERIFY(fs->isChecked());
    QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.windowTitle(), QString());
    QVERIFY(test::spinUntil([&] { return f.isMaximized(); }));
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
