#include "LinkShelfWindow.h"
#include "LinksFile.h"
#include "core/Activation.h"
#include "gui/OpenInBrowser.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::links;

namespace
{

// Points the browser look-up at a made-up opener (or at none) for one test.
class BrowserEnvironment
{
public:
    explicit BrowserEnvironment(bool withBrowser)
    {
        m_oldBrowser = qgetenv("BROWSER");
        m_oldPath = qgetenv("PATH");
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        qputenv("PATH", QFile::encodeName(m_bin.path()));
        if (withBrowser) {
            browser = test::writeFile(m_bin.path() + "/fake-browser", "#!/bin/sh\nexit 0\n");
            QFile::setPermissions(browser, QFile::permissions(browser) | QFile::ExeOwner);
            qputenv("BROWSER", QFile::encodeName(browser));
        } else {
            qunsetenv("BROWSER");
        }
    }
    ~BrowserEnvironment()
    {
        qputenv("BROWSER", m_oldBrowser);
        qputenv("PATH", m_oldPath);
        qputenv("TMPDIR", m_oldTmp);
    }
    QString tempFolder() const { return m_tmp.path(); }
    QString browser;

private:
    QTemporaryDir m_tmp, m_bin;
    QByteArray m_oldBrowser, m_oldPath, m_oldTmp;
};

QStringList topLevelTexts(const QTreeWidget* tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out.append(tree->topLevelItem(i)->text(0));
    return out;
}

QTreeWidgetItem* findLink(const QTreeWidget* tree, const QString& text)
{
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parsing_data();
    void parsing();
    void missingFileIsReported();
    void windowShowsWhatWasReadAndTheError();
    void clickingALinkOpensItAndACategoryDoesNot();
    void browserProblemsAreTold_data();
    void browserProblemsAreTold();
    void openerExitStatusIsTold_data();
    void openerExitStatusIsTold();
    void probeFileDoesNotFollowAPlantedLink();
    void shippedLinksLoadThroughTheComponent();
};

void TestLinks::parsing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("error"); // a part of the message; empty for none

    QTest::newRow("whole file, CR LF")
        << QByteArray("Engines\r\nMaps\r\n---\r\nEngines\r\nioquake3\r\nhttps://ioquake3.org/\r\n"
                      "Maps\r\nLvLWorld\r\nhttps://lvlworld.com/\r\n")
        << QStringList{"Engines", "Maps"}
        << QStringList{"https://ioquake3.org/", "https://lvlworld.com/"} << QString();
    QTest::newRow("bare LF and no final line end")
        << QByteArray("Engines\n---\nEngines\nQuake3e\nhttps://github.com/ec-/Quake3e")
        << QStringList{"Engines"} << QStringList{"https://github.com/ec-/Quake3e"} << QString();
    QTest::newRow("no separator line")
        << QByteArray("Engines\r\nMaps\r\nServers\r\n") << QStringList{"Engines", "Maps", "Servers"}
        << QStringList{} << QString("Input past end of file");
    QTest::newRow("separator as last line")
        << QByteArray("Engines\r\n---\r\n") << QStringList{"Engines"} << QStringList{}
        << QString("Input past end of file");
    QTest::newRow("file ends inside a record")
        << QByteArray("Engines\r\n---\r\nEngines\r\nioquake3\r\nhttps://ioquake3.org/\r\n"
                      "Engines\r\nQuake3e\r\n")
        << QStringList{"Engines"} << QStringList{"https://ioquake3.org/"}
        << QString("Input past end of file");
    QTest::newRow("unknown category keeps earlier links")
        << QByteArray("Engines\r\n---\r\nEngines\r\nioquake3\r\nhttps://ioquake3.org/\r\n"
                      "Mods\r\nCPMA\r\nhttps://playmorepromode.com/\r\n"
                      "Engines\r\nQuake3e\r\nhttps://github.com/ec-/Quake3e\r\n")
        << QStringList{"Engines"} << QStringList{"https://ioquake3.org/"} << QString("\"Mods\"");
    QTest::newRow("category compared exactly")
        << QByteArray("Engines\r\n---\r\nengines \r\nioquake3\r\nhttps://ioquake3.org/\r\n")
        << QStringList{"Engines"} << QStringList{} << QString("Element not found");
    QTest::newRow("address used twice")
        << QByteArray("Engines\r\nMaps\r\n---\r\nEngines\r\nioquake3\r\nhttps://ioquake3.org/\r\n"
                      "Maps\r\nioquake3 again\r\nhttps://ioquake3.org/\r\n")
        << QStringList{"Engines", "Maps"} << QStringList{"https://ioquake3.org/"}
        << QString("Key is not unique");
    QTest::newRow("address equal to a category")
        << QByteArray("Engines\r\n---\r\nEngines\r\nloop\r\nEngines\r\n") << QStringList{"Engines"}
        << QStringList{} << QString("Key is not unique");
    QTest::newRow("category listed twice")
        << QByteArray("Engines\r\nEngines\r\n---\r\n") << QStringList{"Engines"} << QStringList{}
        << QString("Key is not unique");
}

void TestLinks::parsing()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, addresses);
    QFETCH(QString, error);
    const LinksFile parsed = parseLinks(file);
    QCOMPARE(parsed.categories, categories);
    QStringList got;
    for (const Link& l : parsed.links)
        got.append(l.address);
    QCOMPARE(got, addresses);
    if (error.isEmpty())
        QCOMPARE(parsed.error, QString());
    else
        QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
}

void TestLinks::missingFileIsReported()
{
    QTemporaryDir dir;
    const LinksFile parsed = loadLinks(dir.path() + "\\links.dat");
    QVERIFY(parsed.categories.isEmpty());
    QVERIFY2(parsed.error.contains("not found"), qPrintable(parsed.error));
}

void TestLinks::windowShowsWhatWasReadAndTheError()
{
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/links.dat",
                    "Engines\r\nMaps\r\n---\r\nEngines\r\nioquake3\r\nhttps://ioquake3.org/\r\n"
                    "Nowhere\r\nLost\r\nhttps://example.invalid/\r\n");
    test::PromptRecorder prompts;
    LinkShelfWindow window(dir.path() + "\\links.dat");
    QCOMPARE(window.objectName(), QString("frmmain"));
    QCOMPARE(window.windowTitle(), QString("Useful links"));
    auto* tree = window.findChild<QTreeWidget*>("optiontree");
    QVERIFY(tree);
    QCOMPARE(topLevelTexts(tree), (QStringList{"Engines", "Maps"}));
    QCOMPARE(tree->topLevelItem(0)->childCount(), 1);
    QCOMPARE(LinkShelfWindow::keyOf(tree->topLevelItem(0)->child(0)),
             QString("https://ioquake3.org/"));
    window.show();
    QVERIFY(test::spinUntil([&] { return !prompts.prompts.isEmpty(); }));
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].title, QString("Error"));
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
    QVERIFY(prompts.prompts[0].text.contains("Nowhere"));
    QCOMPARE(tree->topLevelItemCount(), 2); // what was read stays
    auto* ret = window.findChild<QPushButton*>("Command1");
    QVERIFY(ret);
    QCOMPARE(ret->text(), QString("&Return"));
    QTest::mouseClick(ret, Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

void TestLinks::clickingALinkOpensItAndACategoryDoesNot()
{
    BrowserEnvironment env(true);
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/links.dat",
                    "Servers\r\n---\r\nServers\r\ndpmaster\r\n"
                    "https://dpmaster.deathmask.net/?game=quake3arena\r\n");
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    LinkShelfWindow window(dir.path() + "/links.dat");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTreeWidget* tree = window.tree();

    QTreeWidgetItem* category = tree->topLevelItem(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(category).center());
    QCOMPARE(processes.requests.size(), 0);

    tree->expandAll();
    QTreeWidgetItem* link = findLink(tree, "dpmaster");
    QVERIFY(link);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(link).center());
    QCOMPARE(processes.requests.size(), 1);
    QCOMPARE(processes.requests[0].program, env.browser);
    QCOMPARE(processes.requests[0].arguments,
             QStringList{"https://dpmaster.deathmask.net/?game=quake3arena"});
    QCOMPARE(prompts.prompts.size(), 0);
    QCOMPARE(test::readFile(env.tempFolder() + "/temphtm.HTM"), QByteArray("\" <\\HTML>\"\r\n"));
}

void TestLinks::browserProblemsAreTold_data()
{
    QTest::addColumn<bool>("haveBrowser");
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message"); // empty: opened without a word
    QTest::newRow("opened") << true << true << "https://ioquake3.org/" << QString();
    QTest::newRow("no browser") << false << true << "https://ioquake3.org/"
                                << "Could not find a browser";
    QTest::newRow("start fails") << true << false << "https://ioquake3.org/"
                                 << "Web Page not Opened";
    QTest::newRow("address read as an option") << true << true << "--new-window"
                                               << "Web Page not Opened";
}

void TestLinks::browserProblemsAreTold()
{
    QFETCH(bool, haveBrowser);
    QFETCH(bool, startWorks);
    QFETCH(QString, address);
    QFETCH(QString, message);
    BrowserEnvironment env(haveBrowser);
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    processes.succeed = startWorks;
    OpenInBrowser(address, nullptr);
    if (message.isEmpty()) {
        QCOMPARE(prompts.prompts.size(), 0);
        QCOMPARE(processes.requests.size(), 1);
        return;
    }
    QCOMPARE(prompts.texts(), QStringList{message});
    QCOMPARE(prompts.prompts[0].title, QString("Fragdeck"));
    QCOMPARE(prompts.prompts[0].icon, Icon::None);
    QCOMPARE(prompts.prompts[0].buttons, Buttons::Ok);
}

void TestLinks::openerExitStatusIsTold_data()
{
    QTest::addColumn<bool>("xdgOpen"); // else $BROWSER names the program
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("xdg-open opened it") << true << 0 << QString();
    QTest::newRow("xdg-open found no browser") << true << 3 << "Could not find a browser";
    QTest::newRow("xdg-open failed") << true << 4 << "Web Page not Opened";
    QTest::newRow("the browser failed") << false << 1 << "Web Page not Opened";
}

void TestLinks::openerExitStatusIsTold()
{
    QFETCH(bool, xdgOpen);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    BrowserEnvironment env(false);
    // A real program: the status comes from the process itself.
    const QString folder = QFileInfo(env.tempFolder()).absoluteFilePath() + "/bin";
    const QString opener =
        test::writeFile(folder + (xdgOpen ? "/xdg-open" : "/opener"),
                        "#!/bin/sh\nexit " + QByteArray::number(exitCode) + "\n");
    QFile::setPermissions(opener, QFile::permissions(opener) | QFile::ExeOwner);
    if (xdgOpen)
        qputenv("PATH", QFile::encodeName(folder));
    else
        qputenv("BROWSER", QFile::encodeName(opener));
    test::PromptRecorder prompts;
    OpenInBrowser("https://ioquake3.org/", nullptr);
    QCOMPARE(prompts.prompts.size(), 0); // told when it ends, not before
    if (message.isEmpty()) {
        QTest::qWait(300);
        QCOMPARE(prompts.prompts.size(), 0);
        return;
    }
    QVERIFY(test::spinUntil([&] { return !prompts.prompts.isEmpty(); }));
    QCOMPARE(prompts.texts(), QStringList{message});
    QCOMPARE(prompts.prompts[0].title, QString("Fragdeck"));
}

void TestLinks::probeFileDoesNotFollowAPlantedLink()
{
    BrowserEnvironment env(true);
    QTemporaryDir elsewhere;
    const QString victim = test::writeFile(elsewhere.path() + "/precious.txt", "keep me");
    QVERIFY(QFile::link(victim, env.tempFolder() + "/temphtm.HTM"));
    test::ProcessRecorder processes;
    OpenInBrowser("https://ioquake3.org/", nullptr);
    QCOMPARE(test::readFile(victim), QByteArray("keep me"));
    QVERIFY(!QFileInfo(env.tempFolder() + "/temphtm.HTM").isSymLink());
    QCOMPARE(processes.requests.size(), 1);
}

void TestLinks::shippedLinksLoadThroughTheComponent()
{
    const QString system = qEnvironmentVariable("FRAGDECK_BUILD_DIR") + "/system";
    const LinksFile shipped = loadLinks(system + "/links.dat");
    QCOMPARE(shipped.error, QString());
    QVERIFY(shipped.categories.size() >= 4);
    QVERIFY(shipped.links.size() >= 15);
    for (const Link& l : shipped.links)
        QVERIFY2(l.address.startsWith("https://"), qPrintable(l.address));

    test::TempStore store;
    QString error;
    QVERIFY2(registerComponentLibrary(system + "/linkshelf.so", &error), qPrintable(error));
    std::unique_ptr<QObject> shelf = CreateObject("linkshelf.class");
    QVERIFY(shelf);
    QStringList seen;
    int links = 0;
    test::onNextModal([&](QWidget* modal) {
        if (modal->objectName() != "frmmain")
            return;
        auto* tree = modal->findChild<QTreeWidget*>("optiontree");
        seen = topLevelTexts(tree);
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            links += tree->topLevelItem(i)->childCount();
    });
    CallByName(shelf.get(), "Main"); // returns once the window is closed
    QCOMPARE(seen, shipped.categories);
    QCOMPARE(links, int(shipped.links.size()));
}

QTEST_MAIN(TestLinks)
#include "test_links.moc"
