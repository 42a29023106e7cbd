#include "AboutWindow.h"
#include "CartoonFetch.h"
#include "CartoonWindow.h"
#include "LauncherWindows.h"
#include "OptionsWindow.h"
#include "QuickConnectWindow.h"
#include "UpdateCheck.h"
#include "WindowSettings.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "testsupport/HttpTestServer.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::launcher;

namespace
{

const QString App = QStringLiteral("Fragdeck");
const QString Sec = QStringLiteral("Options");

QString setting(const QString& key)
{
    return GetSetting(App, Sec, key, QStringLiteral("<absent>"));
}

QByteArray pngBytes(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(200, 120, 40));
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

// A one-pixel GIF, as the strips are served.
const QByteArray TinyGif = QByteArray::fromHex(
    "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

// A web server that answers every request only after a pause, so timers keep ticking
// while a download waits.
class SlowHttpServer : public QObject
{
public:
    SlowHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray head = s->readAll();
                    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
                    const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : "";
                    requests.append(path);
                    QTimer::singleShot(150, s, [this, s, path] {
                        const QByteArray body = routes.value(path);
                        s->write("HTTP/1.1 200 OK\r\nContent-Length: " +
                                 QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                                 body);
                        s->disconnectFromHost();
                    });
                });
            }
        });
    }
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    QHash<QString, QByteArray> routes;
    QStringList requests;

private:
    QTcpServer m_server;
};

// A program folder of its own and a fresh store for each test.
struct Fixture {
    test::TempStore store;
    QTemporaryDir folder;
    Fixture()
    {
        setProgramFolder(folder.path());
        launcherState() = LauncherState{};
    }
    ~Fixture() { setProgramFolder(QString()); }
    QString path(const QString& name) const { return folder.path() + "/" + name; }
};

// Runs `body` once the modal window named `name` is up, then returns exec()'s result.
template <typename Window> int execWhenShown(Window& w, const std::function<void()>& body)
{
    QTimer::singleShot(0, &w, body);
    return w.exec();
}

} // namespace

class TestLauncherWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void optionsLoadFromStateAndStore();
    void browsingStoresAtOnceAndCancelKeepsThePath_data();
    void browsingStoresAtOnceAndCancelKeepsThePath();
    void okStoresTypedPathsAndRepairRegisters();
    void quickConnectStartsTheStoredGame();
    void quickConnectTellsWhyTheGameCannotStart_data();
    void quickConnectTellsWhyTheGameCannotStart();
    void quickConnectRefusesAddressesThatAreNotOne_data();
    void quickConnectRefusesAddressesThatAreNotOne();
    void updateCheckComparesVersions_data();
    void updateCheckComparesVersions();
    void unreachableServerRetriesThenGivesUp();
    void versionFileGoesWhereItCanBeWritten();
    void okRunsTheFailedStepAgain();
    void silentServerAndUnwritableFileAskToo();
    void aboutWindowEndToEnd();
    void cartoonFetch_data();
    void cartoonFetch();
    void cartoonServerProblems();
    void cartoonWindowFitsTheStrip();
    void cartoonWindowFailureEndings_data();
    void cartoonWindowFailureEndings();
};

void TestLauncherWindows::optionsLoadFromStateAndStore()
{
    Fixture fx;
    SaveSetting(App, Sec, "ConfigPath", "/games/q3/baseq3/q3config.cfg");
    SaveSetting(App, Sec, "Q3path", "/stored/not/used");
    launcherState().Q3Path = "/games/q3/quake3.exe";
    launcherState().ServerBrowserPath = "/usr/bin/qstat-gui";
    OptionsWindow w;
    QCOMPARE(w.objectName(), QString("frm_options"));
    QCOMPARE(w.windowTitle(), QString("Options"));
    QCOMPARE(w.findChild<QLineEdit*>("q3path")->text(), QString("/games/q3/quake3.exe"));
    QCOMPARE(w.findChild<QLineEdit*>("browserpath")->text(), QString("/usr/bin/qstat-gui"));
    QCOMPARE(w.findChild<QLineEdit*>("q3config")->text(), QString("/games/q3/baseq3/q3config.cfg"));
    QCOMPARE(w.findChild<QPushButton*>("Command1")->text(), QString("Auto-repair Fragdeck"));
    QCOMPARE(w.findChild<QPushButton*>("Command1")->toolTip(),
             QString("Click if you have problems getting Fragdeck to work"));
}

void TestLauncherWindows::browsingStoresAtOnceAndCancelKeepsThePath_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("initialFile");
    QTest::addColumn<QString>("filter");
    QTest::newRow("game") << "brw"
                          << "q3path"
                          << "Q3path"
                          << "Locate quake3.exe"
                          << "quake3.exe"
                          << "Q3test exe|quake3.exe";
    QTest::newRow("server browser") << "Command4"
                                    << "browserpath"
                                    << "server browser"
                                    << "Locate server browser"
                                    << "*.exe"
                                    << "Server Browser exe|*.exe";
    QTest::newRow("config") << "Command5"
                            << "q3config"
                            << "ConfigPath"
                            << "Locate q3config.cfg"
                            << "q3config.cfg"
                            << "q3config.cfg|q3config.cfg";
}

void TestLauncherWindows::browsingStoresAtOnceAndCancelKeepsThePath()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, key);
    QFETCH(QString, title);
    QFETCH(QString, initialFile);
    QFETCH(QString, filter);
    Fixture fx;
    SaveSetting(App, Sec, key, "/old/path");
    launcherState().Q3Path = "/old/path";
    launcherState().ServerBrowserPath = "/old/path";
    test::PromptRecorder prompts;
    {
        OptionsWindow w;
        auto* edit = w.findChild<QLineEdit*>(box);
        edit->setText("/old/path");
        prompts.queueCancel();
        QTest::mouseClick(w.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(edit->text(), QString("/old/path"));
        QCOMPARE(setting(key), QString("/old/path"));

        prompts.queueFile("/new/place/chosen");
        QTest::mouseClick(w.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(edit->text(), QString("/new/place/chosen"));
        // Closed with its close box: the browsed path is kept all the same.
        w.reject();
    }
    QCOMPARE(setting(key), QString("/new/place/chosen"));
    if (key == "Q3path")
        QCOMPARE(launcherState().Q3Path, QString("/new/place/chosen"));
    if (key == "server browser")
        QCOMPARE(launcherState().ServerBrowserPath, QString("/new/place/chosen"));
    QCOMPARE(prompts.prompts.size(), 2);
    const OpenFileOptions& o = prompts.prompts[1].file;
    QCOMPARE(o.title, title);
    QCOMPARE(o.initialFile, initialFile);
    QVERIFY2(o.filter.startsWith(filter), qPrintable(o.filter));
    QVERIFY(o.fileMustExist);
}

void TestLauncherWindows::okStoresTypedPathsAndRepairRegisters()
{
    Fixture fx;
    int repairs = 0;
    launcherState().autoRepair = [&] {
        ++repairs;
        return QString("Auto-repair registered 11 of 11 components.");
    };
    test::PromptRecorder prompts;
    OptionsWindow w;
    w.findChild<QLineEdit*>("q3path")->setText("/opt/ioquake3/ioquake3.x86_64");
    w.findChild<QLineEdit*>("browserpath")->setText("");
    w.findChild<QLineEdit*>("q3config")->setText("/home/u/.q3a/baseq3/q3config.cfg");
    QCOMPARE(setting("Q3path"), QString("<absent>")); // typing alone stores nothing
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(repairs, 1);
    QCOMPARE(prompts.texts(), QStringList{"Auto-repair registered 11 of 11 components."});
    QTest::mouseClick(w.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(setting("Q3path"), QString("/opt/ioquake3/ioquake3.x86_64"));
    QCOMPARE(setting("server browser"), QString(""));
    QCOMPARE(setting("ConfigPath"), QString("/home/u/.q3a/baseq3/q3config.cfg"));
    QCOMPARE(launcherState().Q3Path, QString("/opt/ioquake3/ioquake3.x86_64"));
    QCOMPARE(launcherState().ServerBrowserPath, QString(""));
}

void TestLauncherWindows::quickConnectStartsTheStoredGame()
{
    Fixture fx;
    const QString game = test::writeFile(fx.path("q3/ioquake3.x86_64"), "#!/bin/sh\n");
    QFile::setPermissions(game, QFile::permissions(game) | QFile::ExeOwner);
    SaveSetting(App, Sec, "Q3path", game);
    launcherState().Q3Path = "/stale/launcher/copy";
    test::ProcessRecorder processes;
    test::PromptRecorder prompts;
    QuickConnectWindow w;
    QCOMPARE(w.windowTitle(), QString("Quick Connect"));
    w.findChild<QLineEdit*>("Text1")->setText("192.168.0.5:27960");
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(processes.commandLines(), QStringList{game + " +connect 192.168.0.5:27960"});
    QCOMPARE(processes.requests[0].arguments, (QStringList{"+connect", "192.168.0.5:27960"}));
    QCOMPARE(QDir(processes.requests[0].workingFolder).canonicalPath(),
             QDir(fx.path("q3")).canonicalPath());
    QCOMPARE(prompts.prompts.size(), 0);
    QCOMPARE(w.result(), int(QDialog::Accepted));

    // Cancel starts nothing.
    QuickConnectWindow other;
    QTest::mouseClick(other.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(processes.requests.size(), 1);
}

void TestLauncherWindows::quickConnectTellsWhyTheGameCannotStart_data()
{
    QTest::addColumn<QString>("q3path");
    QTest::newRow("empty") << QString();
    QTest::newRow("shorter than the program name") << QString("q3");
    QTest::newRow("missing program") << QString("/nowhere/quake3.exe");
}

void TestLauncherWindows::quickConnectTellsWhyTheGameCannotStart()
{
    QFETCH(QString, q3path);
    Fixture fx;
    if (!q3path.isNull())
        SaveSetting(App, Sec, "Q3path", q3path);
    test::ProcessRecorder processes;
    test::PromptRecorder prompts;
    QuickConnectWindow w;
    w.findChild<QLineEdit*>("Text1")->setText("10.0.0.1");
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(processes.requests.size(), 0);
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].title, QString("Quick Connect"));
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
    QVERIFY(prompts.prompts[0].text.contains("Fragdeck Options"));
}

void TestLauncherWindows::quickConnectRefusesAddressesThatAreNotOne_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("says");
    QTest::newRow("empty") << ""
                           << "Type the address of the server";
    QTest::newRow("blanks only") << "   "
                                 << "Type the address of the server";
    QTest::newRow("separator") << "1.2.3.4;quit"
                               << "ends a command";
    QTest::newRow("second command") << "x +exec evil.cfg"
                                    << "a blank";
}

void TestLauncherWindows::quickConnectRefusesAddressesThatAreNotOne()
{
    QFETCH(QString, address);
    QFETCH(QString, says);
    Fixture fx;
    const QString game = test::writeFile(fx.path("q3/ioquake3.x86_64"), "#!/bin/sh\n");
    QFile::setPermissions(game, QFile::permissions(game) | QFile::ExeOwner);
    SaveSetting(App, Sec, "Q3path", game);
    test::ProcessRecorder processes;
    test::PromptRecorder prompts;
    QuickConnectWindow w;
    w.findChild<QLineEdit*>("Text1")->setText(address);
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(processes.requests.isEmpty());
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY2(prompts.prompts[0].text.contains(says), qPrintable(prompts.prompts[0].text));
}

void TestLauncherWindows::updateCheckComparesVersions_data()
{
    QTest::addColumn<QByteArray>("installed");
    QTest::addColumn<QByteArray>("previous"); // lversion.dat before the check (null: none)
    QTest::addColumn<QByteArray>("served");
    QTest::addColumn<bool>("update");
    QTest::newRow("same") << QByteArray("1.00\r\n") << QByteArray() << QByteArray("1.00\r\n")
                          << false;
    QTest::newRow("different") << QByteArray("1.00\r\n") << QByteArray() << QByteArray("1.01\r\n")
                               << true;
    QTest::newRow("served with bare LF")
        << QByteArray("1.00\r\n") << QByteArray() << QByteArray("1.00\nnotes\n") << false;
    QTest::newRow("shorter than before, with line end")
        << QByteArray("1.2\r\n") << QByteArray("1.20 beta\r\nchangelog\r\n")
        << QByteArray("1.2\r\n") << false;
    QTest::newRow("shorter than before, no line end")
        << QByteArray("1.2\r\n") << QByteArray("1.20 beta\r\n") << QByteArray("1.2") << false;
    QTest::newRow("older than installed")
        << QByteArray("1.01\r\n") << QByteArray() << QByteArray("1.00\r\n") << true;
}

void TestLauncherWindows::updateCheckComparesVersions()
{
    QFETCH(QByteArray, installed);
    QFETCH(QByteArray, previous);
    QFETCH(QByteArray, served);
    QFETCH(bool, update);
    Fixture fx;
    SaveSetting(App, Sec, "maker address", "http://maker.test/");
    test::writeFile(fx.path("version.dat"), installed);
    if (!previous.isNull())
        test::writeFile(fx.path("lversion.dat"), previous);
    test::HttpTestServer server;
    server.serve("/lversion.dat", served);
    test::PromptRecorder prompts;
    const UpdateOutcome outcome = checkForUpdates({fx.folder.path(), server.hostPort()}, nullptr);
    QCOMPARE(outcome, update ? UpdateOutcome::NewVersion : UpdateOutcome::NoUpdates);
    QCOMPARE(server.requests, QStringList{"/lversion.dat"});
    QCOMPARE(test::readFile(fx.path("lversion.dat")), served); // replaced whole
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].title, QString("Check for updates"));
    QCOMPARE(prompts.prompts[0].icon, Icon::None);
    QCOMPARE(prompts.prompts[0].text,
             update ? QString("There's a new version available. Go to http://maker.test/ to "
                              "download the update.")
                    : QString("There are no updates available right now. Check back later."));
}

void TestLauncherWindows::versionFileGoesWhereItCanBeWritten()
{
    Fixture fx;
    QTemporaryDir own;
    test::writeFile(fx.path("version.dat"), "1.00\r\n");
    test::HttpTestServer server;
    server.serve("/lversion.dat", "1.00\r\n");
    test::PromptRecorder prompts;
    UpdateCheckSetup setup{fx.folder.path(), server.hostPort()};
    setup.downloadFolder = own.path();
    QCOMPARE(checkForUpdates(setup, nullptr), UpdateOutcome::NoUpdates);
    QCOMPARE(test::readFile(own.path() + "/lversion.dat"), QByteArray("1.00\r\n"));
    QVERIFY(!QFile::exists(fx.path("lversion.dat")));
    // Even a writable program folder is left alone: downloads go to the user's data folder.
    QCOMPARE(downloadFolder(), fx.store.dataHome() + "/fragdeck");
}

void TestLauncherWindows::unreachableServerRetriesThenGivesUp()
{
    Fixture fx;
    test::writeFile(fx.path("version.dat"), "1.00\r\n");
    test::writeFile(fx.path("lversion.dat"), "0.99\r\n");
    test::PromptRecorder prompts;
    prompts.queue(Answer::Ok);
    prompts.queue(Answer::Cancel);
    const QString server = QString("127.0.0.1:%1").arg(test::closedPort());
    QCOMPARE(checkForUpdates({fx.folder.path(), server}, nullptr), UpdateOutcome::GaveUp);
    QCOMPARE(prompts.prompts.size(), 2); // asked, retried once, asked again; nothing more
    for (const Prompt& p : prompts.prompts) {
        QCOMPARE(p.text, QString("Error encounter while transferring data from server. Press "
                                 "'Ok' to retry or 'Cancel' to exit."));
        QCOMPARE(p.title, QString("Connection Error"));
        QCOMPARE(p.buttons, Buttons::OkCancel);
        QCOMPARE(p.icon, Icon::None);
    }
    QCOMPARE(test::readFile(fx.path("lversion.dat")), QByteArray("0.99\r\n"));
}

void TestLauncherWindows::okRunsTheFailedStepAgain()
{
    Fixture fx;
    test::writeFile(fx.path("version.dat"), "1.00\r\n");
    test::HttpTestServer server; // "/lversion.dat" is missing at first: 404
    test::PromptRecorder prompts;
    prompts.responder = [&](const Prompt& p) {
        if (p.title == "Connection Error")
            server.serve("/lversion.dat", "1.00\r\n"); // the maker fixes the server
        return PromptReply{Answer::Ok, QString()};
    };
    QCOMPARE(checkForUpdates({fx.folder.path(), server.hostPort()}, nullptr),
             UpdateOutcome::NoUpdates);
    QCOMPARE(server.requests, (QStringList{"/lversion.dat", "/lversion.dat"}));
    QCOMPARE(prompts.titles(), (QStringList{"Connection Error", "Check for updates"}));
}

void TestLauncherWindows::silentServerAndUnwritableFileAskToo()
{
    Fixture fx;
    test::writeFile(fx.path("version.dat"), "1.00\r\n");
    test::HttpTestServer server;
    server.hang("/lversion.dat");
    test::PromptRecorder prompts;
    prompts.queueCancel();
    UpdateCheckSetup setup{fx.folder.path(), server.hostPort()};
    setup.timeoutMs = 300;
    QCOMPARE(checkForUpdates(setup, nullptr), UpdateOutcome::GaveUp);
    QCOMPARE(prompts.titles(), QStringList{"Connection Error"});

    // A folder where the file should go: the write fails and asks as well.
    test::HttpTestServer good;
    good.serve("/lversion.dat", "1.00\r\n");
    QVERIFY(QDir().mkpath(fx.path("lversion.dat")));
    prompts.clear();
    prompts.queueCancel();
    QCOMPARE(checkForUpdates({fx.folder.path(), good.hostPort()}, nullptr), UpdateOutcome::GaveUp);
    QCOMPARE(prompts.titles(), QStringList{"Connection Error"});

    // An answer far past any version line is refused, and so is an empty one.
    QVERIFY(QDir(fx.path("lversion.dat")).removeRecursively());
    good.serve("/lversion.dat", QByteArray(200 * 1024, 'x'));
    prompts.clear();
    prompts.queueCancel();
    QCOMPARE(checkForUpdates({fx.folder.path(), good.hostPort()}, nullptr), UpdateOutcome::GaveUp);
    good.serve("/lversion.dat", QByteArray());
    prompts.queueCancel();
    QCOMPARE(checkForUpdates({fx.folder.path(), good.hostPort()}, nullptr), UpdateOutcome::GaveUp);
    QCOMPARE(prompts.titles(), (QStringList{"Connection Error", "Connection Error"}));
    QVERIFY(!QFile::exists(fx.path("lversion.dat")));
}

void TestLauncherWindows::aboutWindowEndToEnd()
{
    Fixture fx;
    test::writeFile(fx.path("version.dat"), "1.00\r\n");
    test::writeFile(fx.path("system/abdata.dat"), pngBytes(400, 240));
    test::HttpTestServer server;
    server.serve("/lversion.dat", "1.05\r\n");
    SaveSetting(App, Sec, "update server", server.hostPort());
    SaveSetting(App, Sec, "maker address", "http://maker.test/fragdeck/");
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    AboutWindow w;
    QCOMPARE(w.objectName(), QString("frm_about"));
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.size(), QSize(400, 240));
    QCOMPARE(w.findChild<QLabel*>("ver")->text(), QString("Current version: 1.00"));
    auto* label3 = w.findChild<QLabel*>("Label3");
    QVERIFY(label3->text().contains("http://maker.test/fragdeck/"));
    QCOMPARE(w.findChild<QPushButton*>("Command2")->text(), QString("&Check for updates"));

    QTest::mouseClick(w.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(prompts.texts(), QStringList{"There's a new version available. Go to "
                                          "http://maker.test/fragdeck/ to download the update."});

    qputenv("BROWSER", "/bin/true");
    Q_EMIT label3->linkActivated("http://maker.test/fragdeck/");
    qunsetenv("BROWSER");
    QCOMPARE(processes.requests.size(), 1);
    QCOMPARE(processes.requests[0].arguments, QStringList{"http://maker.test/fragdeck/"});

    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Accepted));

    // Without the installed version file the label keeps its placeholder.
    QFile::remove(fx.path("version.dat"));
    AboutWindow bare;
    QCOMPARE(bare.findChild<QLabel*>("ver")->text(), QString("Current version: ?.?"));

    // The location database in use, and its date; or why there is none.
    const QString noDb = fx.path("no/location.db");
    SaveSetting("Fragdeck", "Options", "LocationDatabase", noDb);
    AboutWindow none;
    const QString location = none.findChild<QLabel*>("locationdb")->text();
    QVERIFY2(location.startsWith("Countries: none.") && location.contains(noDb),
             qPrintable(location));
    if (QFile::exists("/usr/share/libloc-location/location.db")) {
        SaveSetting("Fragdeck", "Options", "LocationDatabase", "");
        AboutWindow installed;
        QVERIFY(QRegularExpression("^Countries: /usr/share/libloc-location/location.db, "
                                   "\\d{4}-\\d\\d-\\d\\d$")
                    .match(installed.findChild<QLabel*>("locationdb")->text())
                    .hasMatch());
    }
}

void TestLauncherWindows::cartoonFetch_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QByteArray>("strip");
    QTest::addColumn<int>("ending");
    QTest::addColumn<QString>("stripPath");
    QTest::newRow("gif strip, line starts with /")
        << QByteArray("/2026/uf001234.gif\r\nold\r\n") << TinyGif << int(CartoonFetch::Loaded)
        << "/cartoons/2026/uf001234.gif";
    QTest::newRow("png served under the gif name")
        << QByteArray("/uf.png\n") << pngBytes(30, 10) << int(CartoonFetch::Loaded)
        << "/cartoons/uf.png";
    QTest::newRow("no separator is added")
        << QByteArray("2026.gif") << TinyGif << int(CartoonFetch::Loaded) << "/cartoons2026.gif";
    QTest::newRow("strip is not a picture")
        << QByteArray("/x.gif\r\n") << QByteArray("<html>moved</html>")
        << int(CartoonFetch::LoadFailure) << "/cartoons/x.gif";
}

void TestLauncherWindows::cartoonFetch()
{
    QFETCH(QByteArray, index);
    QFETCH(QByteArray, strip);
    QFETCH(int, ending);
    QFETCH(QString, stripPath);
    Fixture fx;
    test::writeFile(fx.path("ufurl.dat"), "/a/much/longer/previous/strip/path.gif\r\n");
    test::HttpTestServer server;
    server.serve("/panelhop/ufgifs.txt", index);
    server.serve(stripPath, strip);
    const CartoonFetch got = fetchCartoon({fx.folder.path(), server.hostPort()});
    QCOMPARE(int(got.ending), ending);
    QCOMPARE(got.stripPath, stripPath);
    QCOMPARE(server.requests, (QStringList{"/panelhop/ufgifs.txt", stripPath}));
    QCOMPARE(test::readFile(fx.path("ufurl.dat")), index);
    if (ending == CartoonFetch::Loaded)
        QCOMPARE(test::readFile(fx.path("uf.gif")), strip);
}

void TestLauncherWindows::cartoonServerProblems()
{
    Fixture fx;
    test::writeFile(fx.path("uf.gif"), TinyGif);
    test::HttpTestServer server;
    // No index: an error page is no strip, and nothing is asked for after it.
    CartoonFetch got = fetchCartoon({fx.folder.path(), server.hostPort()});
    QCOMPARE(int(got.ending), int(CartoonFetch::LoadFailure));
    QCOMPARE(server.requests, QStringList{"/panelhop/ufgifs.txt"});

    // A strip that never comes is a connection failure; the last strip stays whole.
    server.serve("/panelhop/ufgifs.txt", "/late.gif\r\n");
    server.hang("/cartoons/late.gif");
    CartoonSetup setup{fx.folder.path(), server.hostPort()};
    setup.timeoutMs = 300;
    got = fetchCartoon(setup);
    QCOMPARE(int(got.ending), int(CartoonFetch::ConnectFailure));
    QCOMPARE(test::readFile(fx.path("uf.gif")), TinyGif);

    // A strip past the size limit is refused.
    server.serve("/panelhop/ufgifs.txt", "/huge.gif\r\n");
    server.serve("/cartoons/huge.gif", QByteArray(4096, 'x'));
    setup.stripMaxBytes = 1024;
    got = fetchCartoon(setup);
    QCOMPARE(int(got.ending), int(CartoonFetch::LoadFailure));
    QCOMPARE(test::readFile(fx.path("uf.gif")), TinyGif);
}

void TestLauncherWindows::cartoonWindowFitsTheStrip()
{
    Fixture fx;
    SlowHttpServer server;
    server.routes["/panelhop/ufgifs.txt"] = "/2026/strip.gif\r\n";
    server.routes["/cartoons/2026/strip.gif"] = pngBytes(600, 200);
    SaveSetting(App, Sec, "cartoon server", server.hostPort());
    test::PromptRecorder prompts;
    CartoonWindow w;
    QCOMPARE(w.windowTitle(), QString("User Friendly"));
    auto* timer = w.findChild<QTimer*>("Timer1");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 2);
    // Qt does not re-enter a timer's own tick, so the second tick is sent by hand while
    // the download waits for the slow server.
    int extraTicks = 0;
    QTimer nudge;
    connect(&nudge, &QTimer::timeout, this, [&] {
        if (server.requests.size() == 1 && extraTicks < 3) {
            QMetaObject::invokeMethod(timer, "timeout");
            ++extraTicks;
        }
    });
    nudge.start(10);
    auto* pic = w.findChild<QLabel*>("picCartoon");
    auto* placeholder = w.findChild<QLabel*>("Image1");
    auto* label2 = w.findChild<QLabel*>("Label2");
    auto* close = w.findChild<QPushButton*>("cmdClose");
    // "Strip of the day" is never under "Close", while waiting or with the strip.
    QVERIFY(label2->geometry().right() < close->geometry().left());
    QVERIFY(close->geometry().right() < w.width());
    QSize picSize, windowSize;
    bool imageHidden = false, rowClear = false;
    const int r = execWhenShown(w, [&] {
        // The first tick runs the download; wait for the strip to come in.
        test::spinUntil([&] { return pic->isVisible() || !w.isVisible(); }, 20000);
        picSize = pic->isVisible() ? pic->size() : QSize();
        imageHidden = !placeholder->isVisible();
        windowSize = w.size();
        rowClear = label2->geometry().right() < close->geometry().left() &&
                   close->geometry().right() < w.width();
        QTest::mouseClick(w.findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    });
    QCOMPARE(r, int(QDialog::Accepted));
    QVERIFY(extraTicks >= 1); // ticked again while the download was waiting
    QCOMPARE(server.requests, (QStringList{"/panelhop/ufgifs.txt", "/cartoons/2026/strip.gif"}));
    QCOMPARE(prompts.prompts.size(), 0);
    QCOMPARE(picSize, QSize(600, 200));
    QVERIFY(imageHidden);
    QVERIFY(rowClear);
    QVERIFY(windowSize.width() > 600 && windowSize.width() < 620);
    QVERIFY(windowSize.height() > 240 && windowSize.height() < 260);
}

void TestLauncherWindows::cartoonWindowFailureEndings_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QStringList>("messages");
    const QString connect =
        "Panelhop cannot connect to the User Friendly server at this time. Try again later.";
    const QString load = "Panelhop was unable to load in the User Friendly Comic Strip.";
    QTest::newRow("connection failure") << false << QStringList{connect, load};
    QTest::newRow("not a picture") << true << QStringList{load};
}

void TestLauncherWindows::cartoonWindowFailureEndings()
{
    QFETCH(bool, reachable);
    QFETCH(QStringList, messages);
    Fixture fx;
    test::HttpTestServer server;
    server.serve("/panelhop/ufgifs.txt", "/today.gif\r\n");
    server.serve("/cartoons/today.gif", "GIF89a but then nothing");
    SaveSetting(App, Sec, "cartoon server",
                reachable ? server.hostPort() : QString("127.0.0.1:%1").arg(test::closedPort()));
    test::PromptRecorder prompts;
    CartoonWindow w;
    const int r = w.exec();
    QCOMPARE(r, int(QDialog::Rejected));
    QCOMPARE(prompts.texts(), messages);
    for (const Prompt& p : prompts.prompts)
        QCOMPARE(p.icon, Icon::Information);
    QCOMPARE(prompts.titles().last(), QString("Error: Unable to load Graphic"));
    if (!reachable)
        QCOMPARE(prompts.titles().first(), QString("Error: Connect Failure"));
}

QTEST_MAIN(TestLauncherWindows)
#include "test_launcher_windows.moc"
